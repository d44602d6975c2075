// Opens a bulletin for the MOS reader tests through the product file reader:
// a file given by path, or a text written to a file of a test directory.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#include "core/date.hpp"
#include "core/files.hpp"
#include "core/orv.hpp"
#include "core/par_tool.hpp"
#include "mos/mos_read.hpp"

namespace orv::test {

// Opens the file as the program's bulletin; true when it could be opened.
inline bool open_bulletin(const std::string& path) {
    MOS_close_file();
    FILE_set_filename(path.c_str());
    PAR_set_in_file(nullptr);
    DateRecord no_date{kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    MOS_set_fd(MOS_open(&no_date));
    return MOS_get_fd() == 0;
}

// Writes the text to path and opens it. The old file is removed first:
// truncating a file in place makes some file systems flush it at once.
inline bool open_bulletin_text(const std::string& path, const std::string& text) {
    MOS_close_file();
    std::remove(path.c_str());
    std::ofstream(path, std::ios::binary) << text;
    return open_bulletin(path);
}

}  // namespace orv::test
