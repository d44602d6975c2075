// Helpers of the MOS tests: opening a bulletin through the product file
// reader, and report cells written as "TMP 0=48 18=47 CLD 0=C OBV 2=BR".
#pragma once

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
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

// Calls fn(row, column, value, word) for each cell of the text: a row name,
// then column=value words; a value is a number, M (missing) or a printed code.
template <typename Fn>
void for_cells(const std::string& cells, Fn fn) {
    static const std::map<std::string, int> kRows = {
        {"HR", kMosHour},   {"TMP", kMosTemp},  {"DPT", kMosDewp},  {"WDR", kMosWdir},   {"WSP", kMosWspd},
        {"P06", kMosPop6},  {"P12", kMosPop12}, {"T06", kMosTstm6}, {"T12", kMosTstm12}, {"S06", kMosSvr6},
        {"S12", kMosSvr12}, {"TYP", kMosPtype}, {"XN", kMosMaxMin}, {"CLD", kMosCloud},  {"CIG", kMosCeiling},
        {"VIS", kMosVis},   {"OBV", kMosObvis}, {"Q06", kMosQpf6},  {"Q12", kMosQpf12},  {"SN6", kMosSnow6},
        {"SNW", kMosSnow}};
    std::istringstream words(cells);
    int row = kMosHour;
    for (std::string w; words >> w;) {
        const std::size_t eq = w.find('=');
        if (eq == std::string::npos) {
            row = kRows.at(w);
            continue;
        }
        const std::string v = w.substr(eq + 1);
        int value = kMissing;
        if (std::isalpha(static_cast<unsigned char>(v[0])) && v != "M")
            value = mos_code(v.c_str(), static_cast<int>(v.size()));
        else if (v != "M")
            value = std::stoi(v);
        fn(row, std::stoi(w.substr(0, eq)), value, w);
    }
}

}  // namespace orv::test
