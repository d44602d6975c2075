// PNG files through libpng.
#pragma once

namespace orv {

struct ImageRecord;

int PNG_write(const char* name, const ImageRecord* image);
int PNG_read(const char* name, ImageRecord* image, int flag);
int PNG_dump(const char* name);

}  // namespace orv
