// X Window Dump files (version 7).
#pragma once

namespace orv {

struct ImageRecord;

int XWD_write(const char* name, const ImageRecord* image);
int XWD_read(const char* name, ImageRecord* image, int flag);
int XWD_dump(const char* name);

}  // namespace orv
