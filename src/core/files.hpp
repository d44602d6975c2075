// File names and the file-system wrappers.
#pragma once

#include <cstdio>

namespace orv {

std::FILE* FILE_open(const char* name, const char* mode);
int FILE_close(std::FILE* file);

}  // namespace orv
