// GIF files through giflib.
#pragma once

namespace orv {

struct ImageRecord;

int GIF_write(const char* name, const ImageRecord* image);
int GIF_read(const char* name, ImageRecord* image, int flag);
int GIF_dump(const char* name);
void GIF_interlace(int flag);
void GIF_transparent(int flag);

void gif_reset_for_tests();

}  // namespace orv
