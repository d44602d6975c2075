#include "core/files.hpp"

namespace orv {

std::FILE* FILE_open(const char* name, const char* mode) { return std::fopen(name, mode); }

int FILE_close(std::FILE* file) { return file != nullptr ? std::fclose(file) : -1; }

}  // namespace orv
