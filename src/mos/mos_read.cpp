#include "mos/mos_read.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string_view>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/par_tool.hpp"
#include "core/string.hpp"
#include "geo/region.hpp"
#include "mos/mos_plt.hpp"

namespace orv {
namespace {

constexpr unsigned kDebugId = 0x10000000U;
constexpr unsigned kDebugMissing = 0xF0000000U;
constexpr unsigned kWarnOpen = 0x40U;
// Line buffers of the standard reader keep 16 bytes after the longest line
// readable for the grid decoder.
constexpr int kLineSize = kParLineSize + 16;

// Where one reader stands in the file between calls.
struct Position {
    int prev_counter = -1;
    std::int64_t title_pos = -1;
};

// Reports read whole, kept for the file and model they came from, so that
// every further frame drawn from the same bulletin takes them without
// reading it again. Only a pass that reached the end of the file is used;
// until then the file is read as before.
template <typename Report>
class KeptReports {
public:
    // 1 with the kept report for counter n, -1 when the kept pass ended
    // before it, 0 when the file is to be read.
    int find(bool keep, int fd, int model, int n, Report* report) {
        armed_ = false;
        ParFileId id;
        if (!keep) {
            if (valid_) *this = KeptReports{};
            return 0;
        }
        if (!PAR_get_file_id(fd, &id)) return 0;
        if (!valid_ || !(id == file_) || model != model_) {
            *this = KeptReports{};
            valid_ = true;
            file_ = id;
            model_ = model;
        }
        if (complete_) {
            if (n < 0 || n >= static_cast<int>(reports_.size())) return -1;
            *report = reports_[static_cast<std::size_t>(n)];
            return 1;
        }
        armed_ = true;
        return 0;
    }
    // The result of reading counter n from the file after find gave 0.
    void add(int n, int result, const Report& report) {
        if (!armed_ || n != static_cast<int>(reports_.size())) return;
        if (result < 0)
            complete_ = true;
        else
            reports_.push_back(report);
    }

private:
    bool valid_ = false;
    bool armed_ = false;
    bool complete_ = false;
    ParFileId file_{};
    int model_ = 0;
    std::deque<Report> reports_;  // grows without moving what it holds
};

struct ReadState {
    int fd = -1;
    int stat_num = 0;
    // Line number for the next product read: 0 right after a search or the end
    // of a section (so a pending heading or line is handed out), then counting
    // up. A line held back behind a pending heading is line 1, and asking for
    // line 1 again would hand it out for ever.
    int next_n = 0;
    Position standard;
    Position extended;
    Position mrf;
    MosReport report{};
    MosuReport ua_report{};
    MosmReport mrf_report{};
    KeptReports<MosReport> kept_standard;
    KeptReports<MosuReport> kept_extended;
    KeptReports<MosmReport> kept_mrf;
    bool keep_reports = true;
};
ReadState g;

// ---------------------------------------------------------------- line source

// The next line of the open product: 1 with a line, 0 at the end of a section
// or product, -1 at the end of the file.
int next_line(int fd, char* line) {
    const int r = PAR_read(fd, 0, g.next_n, line);
    g.next_n = r == 1 ? g.next_n + 1 : 0;
    if (r != 1) line[0] = '\0';
    return r;
}

bool product_ended(int fd) { return (PAR_get_status(fd) & kParStatusEnd) != 0; }

// Moves to the next product whose heading matches; false when there is none.
bool search_product(int fd, const char* pattern) {
    g.next_n = 0;
    return PAR_search(fd, pattern) == 1;
}

// Passes over the rest of the current section.
void skip_section(int fd, char* line) {
    while (next_line(fd, line) == 1) {
    }
}

// Re-reads the line at a remembered position; false when nothing is there.
bool reread_at(int fd, std::int64_t pos, char* line) {
    if (pos < 0) return false;
    PAR_seek(fd, pos);
    g.next_n = 0;
    // A section end held from the previous read is given back first.
    for (int tries = 0; tries < 3; ++tries) {
        const int r = next_line(fd, line);
        if (r == 1) return true;
        if (r < 0) return false;
    }
    return false;
}

// The first blank-delimited word of text, at most max characters.
void first_word(const char* text, char* out, std::size_t size, std::size_t max) {
    while (*text == ' ') ++text;
    std::size_t n = 0;
    while (text[n] != '\0' && text[n] != ' ' && n < max && n + 1 < size) ++n;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

// Label test of a bulletin line; the first characters decide at once for most lines.
inline bool starts_with(const char* line, const char* label, int n) {
    return line[0] == label[0] && std::strncmp(line, label, static_cast<std::size_t>(n)) == 0;
}

// ---------------------------------------------------------------- fields

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A number in the field [off, off + width) of the line: blanks, an optional
// sign, digits, blanks. Anything else, an empty field or a field cut short by
// the end of the line when exact is set gives missing.
[[gnu::noinline]] int field_int(std::string_view line, int off, int width, bool exact = false) {
    if (off < 0 || static_cast<std::size_t>(off) >= line.size()) return kMissing;
    const std::size_t end = std::min(line.size(), static_cast<std::size_t>(off + width));
    if (exact && end - static_cast<std::size_t>(off) < static_cast<std::size_t>(width)) return kMissing;
    std::size_t i = static_cast<std::size_t>(off);
    while (i < end && line[i] == ' ') ++i;
    bool negative = false;
    if (i < end && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
    if (i == end || !is_digit(line[i])) return kMissing;
    int v = 0;
    while (i < end && is_digit(line[i])) v = v * 10 + (line[i++] - '0');
    while (i < end && line[i] == ' ') ++i;
    if (i != end) return kMissing;
    return negative ? -v : v;
}

// Each character of a number field as its digit value (low four bits) and
// its class (bits 4 and 5): digit 0, blank 1, minus 2, anything else 3.
constexpr std::array<std::uint8_t, 256> kFieldChar = [] {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) t[static_cast<std::size_t>(c)] = 0x30;
    for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    t[' '] = 0x10;
    t['-'] = 0x20;
    return t;
}();

// The shapes of a three-character field by its classes (a * 16 + b * 4 + c):
// those decoded by weights (a blank or minus counting 0), the negative ones,
// and the empty one.
constexpr int shape(int a, int b, int c) { return a * 16 + b * 4 + c; }
constexpr std::uint64_t kPlainShapes = (1ULL << shape(1, 1, 0)) | (1ULL << shape(1, 0, 0)) | (1ULL << shape(0, 0, 0)) |
                                       (1ULL << shape(1, 2, 0)) | (1ULL << shape(2, 0, 0));
constexpr std::uint64_t kNegativeShapes = (1ULL << shape(1, 2, 0)) | (1ULL << shape(2, 0, 0));
constexpr int kEmptyShape = shape(1, 1, 1);

// The three-character number field at off, which lies wholly on the line.
// The usual shapes ("  7", " 48", "100", " -2", "-10", "   ") are decoded
// here without a branch on the digits, the rest by field_int.
[[gnu::always_inline]] inline int field_int3(std::string_view line, std::size_t off) {
    const auto* p = reinterpret_cast<const unsigned char*>(line.data() + off);
    const unsigned a = kFieldChar[p[0]];
    const unsigned b = kFieldChar[p[1]];
    const unsigned c = kFieldChar[p[2]];
    const unsigned form = (a & 0x30U) | ((b & 0x30U) >> 2) | (c >> 4);
    const int v = static_cast<int>((a & 15U) * 100 + (b & 15U) * 10 + (c & 15U));
    if (((kPlainShapes >> form) & 1U) != 0) return ((kNegativeShapes >> form) & 1U) != 0 ? -v : v;
    if (form == kEmptyShape) return kMissing;
    return field_int(line, static_cast<int>(off), 3);
}

// The non-blank text of the field [off, off + width), as a view.
std::string_view field_text(std::string_view line, int off, int width) {
    if (off < 0 || static_cast<std::size_t>(off) >= line.size()) return {};
    std::string_view f = line.substr(static_cast<std::size_t>(off), static_cast<std::size_t>(width));
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    while (!f.empty() && f.back() == ' ') f.remove_suffix(1);
    return f;
}

// ---------------------------------------------------------------- standard layouts

enum class Kind {
    number,       // a number of up to `width` characters
    exact,        // a number of exactly `width` characters
    character,    // one character of the field (index `pick`)
    code,         // the field's one- to three-letter code
    pair,         // thunderstorm pair: the number of up to three characters
                  // left of the slash at the offset, and up to two right of it
    digit_pair,   // "d/d" starting at the offset
};

enum class Rule {
    none,
    r999,         // a printed 999 is missing
    wdir,         // above 98 missing, else tens of degrees to degrees
    r99,          // 99 and 999 missing
    r99_only,     // 99 missing
    r9,           // 9 missing
    cloud_x,      // "X" (obscured) stored as a blank
    cloud_p,      // "P" (partly cloudy) stored as "S"
};

// Fields k = 0 .. count-1 at offset + k*step fill columns col + k*col_step.
struct Run {
    int offset;
    int step;
    int count;
    int col;
    int col_step;
};

struct RowSpec {
    const char* label;
    const char* label2;  // an alternative label, or null
    int cmp;
    Kind kind;
    int width;
    int pick;
    int row;
    int row2;
    Rule rule;
    Run run;
    Run late;
    bool ends;
};

constexpr Run kNoRun{0, 0, 0, 0, 0};
constexpr Run kGridA{6, 3, 19, 0, 1};
// The hourly rows: 19 columns and the two late ones, which continue the grid
// at 61 and 64 (products with 19 columns simply end before them).
constexpr Run kGridB21{4, 3, 21, 0, 1};
constexpr Run kLateB{61, 3, 2, 19, 1};
constexpr Run kLate20{64, 0, 1, 20, 0};
constexpr Run kSix{12, 6, 9, 2, 2};
constexpr Run kSixB{10, 6, 9, 2, 2};
constexpr Run kTwelveB{22, 12, 4, 6, 4};
constexpr Run kGridD{4, 4, 15, 0, 1};

constexpr RowSpec kLayoutA[] = {
    {"MX/MN", "MN/MX", 5, Kind::number, 3, 0, kMosMaxMin, 0, Rule::r999, {24, 12, 4, 6, 4}, kNoRun, false},
    {"TEMP", nullptr, 4, Kind::number, 3, 0, kMosTemp, 0, Rule::r999, kGridA, kNoRun, false},
    {"DEWPT", nullptr, 5, Kind::number, 3, 0, kMosDewp, 0, Rule::r999, kGridA, kNoRun, false},
    {"CLDS", nullptr, 4, Kind::character, 3, 1, kMosCloud, 0, Rule::cloud_x, kGridA, kNoRun, false},
    {"WDIR", nullptr, 4, Kind::number, 3, 0, kMosWdir, 0, Rule::wdir, kGridA, kNoRun, false},
    {"WSPD", nullptr, 4, Kind::number, 3, 0, kMosWspd, 0, Rule::r99, kGridA, kNoRun, false},
    {"POP06", nullptr, 5, Kind::number, 3, 0, kMosPop6, 0, Rule::r999, kSix, kNoRun, false},
    {"POP12", nullptr, 5, Kind::number, 3, 0, kMosPop12, 0, Rule::r999, kSix, kNoRun, false},
    {"QPF", nullptr, 3, Kind::digit_pair, 3, 0, kMosQpf6, kMosQpf12, Rule::none, kSix, kNoRun, false},
    {"TSV06", nullptr, 5, Kind::pair, 3, 0, kMosTstm6, kMosSvr6, Rule::none, {10, 6, 9, 2, 2}, kNoRun, false},
    {"TSV12", nullptr, 5, Kind::pair, 3, 0, kMosTstm12, kMosSvr12, Rule::none, {16, 12, 4, 4, 4}, kNoRun, false},
    {"PTYPE", nullptr, 5, Kind::character, 3, 2, kMosPtype, 0, Rule::none, kGridA, kNoRun, false},
    {"SNO", nullptr, 3, Kind::digit_pair, 3, 0, kMosSnow6, kMosSnow, Rule::none, kSix, kNoRun, false},
    {"CIG", nullptr, 3, Kind::number, 3, 0, kMosCeiling, 0, Rule::r9, kGridA, kNoRun, false},
    {"VIS", nullptr, 3, Kind::number, 3, 0, kMosVis, 0, Rule::r9, kGridA, kNoRun, false},
    {"OBVIS", nullptr, 5, Kind::code, 3, 0, kMosObvis, 0, Rule::none, kGridA, kNoRun, true},
};

// The ETA/NAM and AVN/GFS layouts share every row but the snow row.
constexpr RowSpec kLayoutBC[] = {
    {"X/N", "N/X", 3, Kind::number, 3, 0, kMosMaxMin, 0, Rule::r999, kTwelveB, kLate20, false},
    {"TMP ", nullptr, 4, Kind::number, 3, 0, kMosTemp, 0, Rule::r999, kGridB21, kNoRun, false},
    {"DPT ", nullptr, 4, Kind::number, 3, 0, kMosDewp, 0, Rule::r999, kGridB21, kNoRun, false},
    {"CLD ", nullptr, 4, Kind::character, 3, 1, kMosCloud, 0, Rule::cloud_x, kGridB21, kNoRun, false},
    {"WDR ", nullptr, 4, Kind::number, 3, 0, kMosWdir, 0, Rule::wdir, kGridB21, kNoRun, false},
    {"WSP ", nullptr, 4, Kind::number, 3, 0, kMosWspd, 0, Rule::r99, kGridB21, kNoRun, false},
    {"P06 ", nullptr, 4, Kind::number, 3, 0, kMosPop6, 0, Rule::r999, kSixB, kLateB, false},
    {"P12 ", nullptr, 4, Kind::number, 3, 0, kMosPop12, 0, Rule::r999, kTwelveB, kLateB, false},
    {"Q06", nullptr, 3, Kind::number, 3, 0, kMosQpf6, 0, Rule::r999, kSixB, kLateB, false},
    {"Q12", nullptr, 3, Kind::number, 3, 0, kMosQpf12, 0, Rule::r999, kTwelveB, kLate20, false},
    {"T06", nullptr, 3, Kind::pair, 3, 0, kMosTstm6, kMosSvr6, Rule::none, {10, 6, 9, 2, 2}, kLate20, false},
    {"T12", nullptr, 3, Kind::pair, 3, 0, kMosTstm12, kMosSvr12, Rule::none, {16, 12, 4, 4, 4},
     {61, 0, 1, 19, 0}, false},
    {"TYP ", nullptr, 4, Kind::character, 3, 2, kMosPtype, 0, Rule::none, kGridB21, kNoRun, false},
    {"CIG", nullptr, 3, Kind::number, 3, 0, kMosCeiling, 0, Rule::r9, kGridB21, kNoRun, false},
    {"VIS", nullptr, 3, Kind::number, 3, 0, kMosVis, 0, Rule::r9, kGridB21, kNoRun, false},
    {"OBV ", nullptr, 4, Kind::code, 3, 0, kMosObvis, 0, Rule::none, kGridB21, kNoRun, true},
};

constexpr RowSpec kSnowEta = {"SNW", nullptr, 3, Kind::exact, 2, 0, kMosSnow, 0, Rule::none, {10, 12, 5, 2, 4},
                              kNoRun, false};
constexpr RowSpec kSnowGfs = {"SNW", nullptr, 3, Kind::exact, 1, 0, kMosSnow, 0, Rule::none, {24, 12, 4, 6, 4},
                              {66, 0, 1, 20, 0}, false};

constexpr RowSpec kLayoutD[] = {
    {"X/N", "N/X", 3, Kind::number, 3, 0, kMosMaxMin, 0, Rule::r999, kGridD, {63, 3, 2, 15, 1}, false},
    {"TMP ", nullptr, 4, Kind::number, 3, 0, kMosTemp, 0, Rule::r999, kGridD, kNoRun, false},
    {"DPT ", nullptr, 4, Kind::number, 3, 0, kMosDewp, 0, Rule::r999, kGridD, kNoRun, false},
    {"CLD ", nullptr, 4, Kind::character, 3, 1, kMosCloud, 0, Rule::cloud_p, kGridD, kNoRun, false},
    {"WND ", nullptr, 4, Kind::number, 2, 0, kMosWspd, 0, Rule::r99_only, {5, 4, 15, 0, 1}, kNoRun, false},
    {"P12 ", nullptr, 4, Kind::number, 3, 0, kMosPop12, 0, Rule::r999, kGridD, kNoRun, false},
    {"Q12", nullptr, 3, Kind::number, 3, 0, kMosQpf12, 0, Rule::r999, kGridD, kNoRun, false},
    {"T12", nullptr, 3, Kind::number, 3, 0, kMosTstm12, 0, Rule::r999, kGridD, kNoRun, false},
    {"P24", nullptr, 3, Kind::number, 3, 0, kMosPop24, 0, Rule::r999, kGridD, kNoRun, false},
    {"Q24", nullptr, 3, Kind::number, 3, 0, kMosQpf24, 0, Rule::r999, kGridD, kNoRun, false},
    {"T24", nullptr, 3, Kind::number, 3, 0, kMosTstm24, 0, Rule::r999, kGridD, kNoRun, false},
    {"TYP ", nullptr, 4, Kind::character, 3, 2, kMosPtype, 0, Rule::none, kGridD, kNoRun, false},
};

constexpr RowSpec kSnowGfsx = {"SNW", nullptr, 3, Kind::exact, 1, 0, kMosSnow, 0, Rule::none, {14, 8, 4, 2, 2},
                               kNoRun, false};

enum class Layout { ngm, eta, gfs, mrf };

struct Family {
    const char* title;
    const char* pattern;
    int columns;
    int first_hour;
    int hour_step;
    Layout layout;
};

constexpr const char* kPatternNgm = "(FOUS14|FOAK2[56789])";
constexpr const char* kPatternEta = "(FOUS4[456789])";
// The short- and medium-range products of one region are numbered alike
// (FOUS2n and FEUS2n, FOAK3n and FEAK3n); the Pacific products go by 20 and 21.
constexpr const char* kPatternGfs = "(FOPA2[01]|FOUS2[123456]|FOAK3[789])";
constexpr const char* kPatternMrf = "(FEPA2[01]|FEUS2[123456]|FEAK3[789])";

// The standard family of a model code; models of the other families read as NGM.
Family family_of(int model) {
    switch (model) {
    case kModelEta: return {"ETA MOS", kPatternEta, 19, 6, 3, Layout::eta};
    case kModelNam: return {"NAM MOS", kPatternEta, 19, 6, 3, Layout::eta};
    case kModelAvn: return {"AVN MOS", kPatternGfs, 21, 6, 3, Layout::gfs};
    case kModelGfs: return {"GFS MOS", kPatternGfs, 21, 6, 3, Layout::gfs};
    case kModelMrf: return {"MRF MOS", kPatternMrf, 15, 24, 12, Layout::mrf};
    case kModelGfsx: return {"GFSX MOS", kPatternMrf, 15, 24, 12, Layout::mrf};
    default: return {"NGM MOS", kPatternNgm, 19, 6, 3, Layout::ngm};
    }
}

template <Rule R>
[[gnu::always_inline]] inline int apply_rule(int v) {
    if (is_missing(v)) return v;
    if constexpr (R == Rule::r999) return v == 999 ? kMissing : v;
    if constexpr (R == Rule::wdir) return v > 98 ? kMissing : v * 10;
    if constexpr (R == Rule::r99) return v == 99 || v == 999 ? kMissing : v;
    if constexpr (R == Rule::r99_only) return v == 99 ? kMissing : v;
    if constexpr (R == Rule::r9) return v == 9 ? kMissing : v;
    if constexpr (R == Rule::cloud_x) return v == 'X' ? ' ' : v;
    if constexpr (R == Rule::cloud_p) return v == 'P' ? 'S' : v;
    return v;
}

// A missing value leaves what an earlier line of the section stored.
[[gnu::always_inline]] inline void set_value(std::int32_t* row, int col, int v) {
    row[col] = is_missing(v) ? row[col] : v;
}

// Every column a layout names lies in the report.
constexpr bool columns_fit(const Run& run) {
    return run.count == 0 || (run.col >= 0 && run.col < kMosCols && run.col + (run.count - 1) * run.col_step >= 0 &&
                              run.col + (run.count - 1) * run.col_step < kMosCols);
}
template <std::size_t N>
constexpr bool columns_fit(const RowSpec (&rows)[N]) {
    for (const RowSpec& s : rows)
        if (!columns_fit(s.run) || !columns_fit(s.late)) return false;
    return true;
}
static_assert(columns_fit(kLayoutA) && columns_fit(kLayoutBC) && columns_fit(kLayoutD));
static_assert(columns_fit(kSnowEta.run) && columns_fit(kSnowGfs.run) && columns_fit(kSnowGfs.late) &&
              columns_fit(kSnowGfsx.run));

// ---------------------------------------------------------------- grid decoder

// Runs of three-character number fields side by side (the hourly rows) are
// decoded four fields at a time where the processor can shuffle bytes, with
// the row's rule, straight into four columns of the report. Fields of an
// unusual shape are left to field_int.

// The shapes of field_int3 by the classes of the first two characters
// (a * 4 + b): 1 a number when the last is a digit, 2 negative, 4 empty when
// the last is a blank.
constexpr std::array<std::uint8_t, 16> kGridShapes = [] {
    std::array<std::uint8_t, 16> t{};
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            int flags = 0;
            if (((kPlainShapes >> shape(a, b, 0)) & 1U) != 0) flags |= 1;
            if (((kNegativeShapes >> shape(a, b, 0)) & 1U) != 0) flags |= 2;
            if (shape(a, b, 1) == kEmptyShape) flags |= 4;
            t[static_cast<std::size_t>(a * 4 + b)] = static_cast<std::uint8_t>(flags);
        }
    }
    return t;
}();

#if defined(__x86_64__)
bool grid_usable() {
    static const bool usable = __builtin_cpu_supports("ssse3") != 0;
    return usable;
}

// groups of four fields at p, 3 characters apart (16 bytes readable from the
// start of every group), into dest, four columns a group. A missing value
// leaves the column as it was. Returns the fields (bit k for field k) that
// field_int must decode.
template <Rule R>
[[gnu::target("ssse3")]] std::uint32_t grid_numbers(const char* p, int groups, std::int32_t* dest) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i ab_at = _mm_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i c_at = _mm_setr_epi8(2, -1, 5, -1, 8, -1, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i weights = _mm_setr_epi8(100, 10, 100, 10, 100, 10, 100, 10, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i class_weights = _mm_setr_epi8(4, 1, 4, 1, 4, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i shapes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kGridShapes.data()));
    const __m128i one8 = _mm_set1_epi8(1);
    const __m128i two8 = _mm_set1_epi8(2);
    const __m128i three8 = _mm_set1_epi8(3);
    const __m128i one16 = _mm_set1_epi16(1);
    const __m128i two16 = _mm_set1_epi16(2);
    const __m128i four16 = _mm_set1_epi16(4);
    const __m128i low_byte = _mm_set1_epi16(0xFF);
    std::uint32_t slow_fields = 0;
    for (int g = 0; g < groups; ++g, p += 12, dest += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(d, _mm_set1_epi8(-1)), _mm_cmplt_epi8(d, _mm_set1_epi8(10)));
        const __m128i blank = _mm_cmpeq_epi8(x, _mm_set1_epi8(' '));
        const __m128i minus = _mm_cmpeq_epi8(x, _mm_set1_epi8('-'));
        const __m128i value = _mm_and_si128(d, digit);
        const __m128i other = _mm_andnot_si128(_mm_or_si128(_mm_or_si128(digit, blank), minus), three8);
        const __m128i cls = _mm_or_si128(_mm_or_si128(_mm_and_si128(blank, one8), _mm_and_si128(minus, two8)), other);
        const __m128i number = _mm_add_epi16(_mm_maddubs_epi16(_mm_shuffle_epi8(value, ab_at), weights),
                                             _mm_shuffle_epi8(value, c_at));
        const __m128i ab = _mm_maddubs_epi16(_mm_shuffle_epi8(cls, ab_at), class_weights);
        const __m128i c = _mm_shuffle_epi8(cls, c_at);
        const __m128i flags = _mm_and_si128(_mm_shuffle_epi8(shapes, ab), low_byte);
        const __m128i plain =
            _mm_and_si128(_mm_cmpeq_epi16(_mm_and_si128(flags, one16), one16), _mm_cmpeq_epi16(c, zero));
        const __m128i negative = _mm_cmpeq_epi16(_mm_and_si128(flags, two16), two16);
        const __m128i empty =
            _mm_and_si128(_mm_cmpeq_epi16(_mm_and_si128(flags, four16), four16), _mm_cmpeq_epi16(c, one16));
        const __m128i signed_number = _mm_sub_epi16(_mm_xor_si128(number, negative), negative);
        // To 32 bits: four values, and the lanes to keep (plain numbers only).
        __m128i v = _mm_srai_epi32(_mm_unpacklo_epi16(signed_number, signed_number), 16);
        const __m128i plain32 = _mm_unpacklo_epi16(plain, plain);
        const __m128i slow32 = _mm_andnot_si128(_mm_or_si128(plain32, _mm_unpacklo_epi16(empty, empty)),
                                                _mm_cmpeq_epi32(zero, zero));
        __m128i keep = _mm_andnot_si128(plain32, _mm_cmpeq_epi32(zero, zero));
        if constexpr (R == Rule::r999) {
            keep = _mm_or_si128(keep, _mm_cmpeq_epi32(v, _mm_set1_epi32(999)));
        } else if constexpr (R == Rule::wdir) {
            keep = _mm_or_si128(keep, _mm_cmpgt_epi32(v, _mm_set1_epi32(98)));
            v = _mm_add_epi32(_mm_slli_epi32(v, 3), _mm_slli_epi32(v, 1));
        } else if constexpr (R == Rule::r99) {
            keep = _mm_or_si128(keep, _mm_or_si128(_mm_cmpeq_epi32(v, _mm_set1_epi32(99)),
                                                   _mm_cmpeq_epi32(v, _mm_set1_epi32(999))));
        } else if constexpr (R == Rule::r99_only) {
            keep = _mm_or_si128(keep, _mm_cmpeq_epi32(v, _mm_set1_epi32(99)));
        } else if constexpr (R == Rule::r9) {
            keep = _mm_or_si128(keep, _mm_cmpeq_epi32(v, _mm_set1_epi32(9)));
        }
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dest),
                         _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, v)));
        slow_fields |= static_cast<std::uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(slow32))) << (4 * g);
    }
    return slow_fields;
}
// groups of four one-character fields at p, 3 characters apart (16 bytes
// readable from the start of every group), into dest, four columns a group;
// a blank leaves the column as it was.
template <Rule R>
[[gnu::target("ssse3")]] void grid_characters(const char* p, int groups, std::int32_t* dest) {
    const __m128i spread = _mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
    const __m128i blank = _mm_set1_epi32(' ');
    for (int g = 0; g < groups; ++g, p += 12, dest += 4) {
        __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), spread);
        const __m128i keep = _mm_cmpeq_epi32(v, blank);
        if constexpr (R == Rule::cloud_x || R == Rule::cloud_p) {
            const __m128i from = _mm_set1_epi32(R == Rule::cloud_x ? 'X' : 'P');
            const __m128i to = _mm_set1_epi32(R == Rule::cloud_x ? ' ' : 'S');
            const __m128i hit = _mm_cmpeq_epi32(v, from);
            v = _mm_or_si128(_mm_and_si128(hit, to), _mm_andnot_si128(hit, v));
        }
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, v)));
    }
}
#else
bool grid_usable() { return false; }
template <Rule R>
std::uint32_t grid_numbers(const char*, int, std::int32_t*) {
    return 0;
}
template <Rule R>
void grid_characters(const char*, int, std::int32_t*) {}
#endif

bool g_grid_enabled = true;

// The number fields of one run, with the row's rule.
template <Rule R>
void read_numbers(std::string_view line, const RowSpec& s, const Run& run, std::int32_t* row) {
    const std::size_t size = line.size();
    const int count = run.count;
    const std::size_t step = static_cast<std::size_t>(run.step);
    const int col_step = run.col_step;
    std::size_t off = static_cast<std::size_t>(run.offset);
    int col = run.col;
    const bool exact = s.kind == Kind::exact;
    if (s.width == 3 && !exact) {
        int k = 0;
        if (step == 3 && col_step == 1 && off + 12 <= size && g_grid_enabled && grid_usable()) {
            // Whole groups of four fields on the line, read from the buffer
            // the line stands in (kLineSize bytes).
            const int groups = std::min({count, static_cast<int>((size - off) / 3), 32}) / 4;
            std::uint32_t slow = grid_numbers<R>(line.data() + off, groups, row + col);
            for (; slow != 0; slow &= slow - 1) {
                const int f = __builtin_ctz(slow);
                set_value(row, col + f, apply_rule<R>(field_int(line, static_cast<int>(off) + 3 * f, 3)));
            }
            k = 4 * groups;
            off += static_cast<std::size_t>(12 * groups);
            col += 4 * groups;
        }
        for (; k < count && off + 3 <= size; ++k, off += step, col += col_step)
            set_value(row, col, apply_rule<R>(field_int3(line, off)));
        // A field cut short by the end of the line.
        if (k < count && off < size) set_value(row, col, apply_rule<R>(field_int(line, static_cast<int>(off), 3)));
        return;
    }
    for (int k = 0; k < count && off < size; ++k, off += step, col += col_step)
        set_value(row, col, apply_rule<R>(field_int(line, static_cast<int>(off), s.width, exact)));
}

// The one-character fields of one run (character s.pick of each field).
template <Rule R>
void read_characters(std::string_view line, const RowSpec& s, const Run& run, std::int32_t* row) {
    const std::size_t size = line.size();
    const int count = run.count;
    const std::size_t step = static_cast<std::size_t>(run.step);
    const int col_step = run.col_step;
    std::size_t at = static_cast<std::size_t>(run.offset + s.pick);
    int col = run.col;
    int k = 0;
    if (step == 3 && col_step == 1 && at < size && g_grid_enabled && grid_usable()) {
        // Whole groups of four characters on the line, read from the buffer
        // the line stands in (kLineSize bytes).
        const int groups = std::min(count, static_cast<int>((size - at + 2) / 3)) / 4;
        grid_characters<R>(line.data() + at, groups, row + col);
        k = 4 * groups;
        at += static_cast<std::size_t>(12 * groups);
        col += 4 * groups;
    }
    for (; k < count && at < size; ++k, at += step, col += col_step) {
        const char c = line[at];
        if (c != ' ') set_value(row, col, apply_rule<R>(static_cast<unsigned char>(c)));
    }
}

// The number fields of a run, with the rule chosen once for the run.
void read_numbers(std::string_view line, const RowSpec& s, const Run& run, std::int32_t* row) {
    switch (s.rule) {
    case Rule::r999: read_numbers<Rule::r999>(line, s, run, row); break;
    case Rule::wdir: read_numbers<Rule::wdir>(line, s, run, row); break;
    case Rule::r99: read_numbers<Rule::r99>(line, s, run, row); break;
    case Rule::r99_only: read_numbers<Rule::r99_only>(line, s, run, row); break;
    case Rule::r9: read_numbers<Rule::r9>(line, s, run, row); break;
    default: read_numbers<Rule::none>(line, s, run, row); break;
    }
}

void read_characters(std::string_view line, const RowSpec& s, const Run& run, std::int32_t* row) {
    switch (s.rule) {
    case Rule::cloud_x: read_characters<Rule::cloud_x>(line, s, run, row); break;
    case Rule::cloud_p: read_characters<Rule::cloud_p>(line, s, run, row); break;
    default: read_characters<Rule::none>(line, s, run, row); break;
    }
}

// The thunderstorm pair whose slash stands at off: up to three characters
// left of it to row, up to two right of it to row2.
void read_pair(std::string_view line, const RowSpec& s, int off, int col, MosReport* r) {
    if (off <= 0 || static_cast<std::size_t>(off) >= line.size() || line[static_cast<std::size_t>(off)] != '/') return;
    const int first = off >= 3 ? field_int3(line, static_cast<std::size_t>(off - 3)) : field_int(line, 0, off);
    int second = kMissing;
    const std::size_t at = static_cast<std::size_t>(off) + 1;
    if (at + 2 <= line.size() && line[at] == ' ' && is_digit(line[at + 1])) {
        second = line[at + 1] - '0';
    } else if (at + 2 <= line.size() && is_digit(line[at]) && is_digit(line[at + 1])) {
        second = (line[at] - '0') * 10 + (line[at + 1] - '0');
    } else {
        second = field_int(line, off + 1, 2);
    }
    set_value(r->values[s.row], col, first == 999 ? kMissing : first);
    set_value(r->values[s.row2], col, second == 99 ? kMissing : second);
}

// "d/d" starting at off: the first digit to row, the second to row2.
void read_digit_pair(std::string_view line, const RowSpec& s, int off, int col, MosReport* r) {
    if (static_cast<std::size_t>(off + 1) >= line.size() || line[static_cast<std::size_t>(off + 1)] != '/') return;
    set_value(r->values[s.row], col, field_int(line, off, 1, true));
    set_value(r->values[s.row2], col, field_int(line, off + 2, 1, true));
}

// The fields of one run of a row; the kind is decided once per run.
void read_run(std::string_view line, const RowSpec& s, const Run& run, MosReport* r) {
    if (run.count == 0) return;
    int off = run.offset;
    int col = run.col;
    switch (s.kind) {
    case Kind::number:
    case Kind::exact: read_numbers(line, s, run, r->values[s.row]); break;
    case Kind::character: read_characters(line, s, run, r->values[s.row]); break;
    case Kind::code:
        for (int k = 0; k < run.count; ++k, off += run.step, col += run.col_step) {
            const auto at = static_cast<std::size_t>(off);
            if (s.width == 3 && off >= 0 && at + 3 <= line.size() && line[at] == ' ' && line[at + 1] == ' ') {
                // The usual one-letter code at the end of its field.
                if (line[at + 2] != ' ') r->values[s.row][col] = static_cast<unsigned char>(line[at + 2]);
                continue;
            }
            const std::string_view t = field_text(line, off, s.width);
            set_value(r->values[s.row], col, mos_code(t.data(), static_cast<int>(t.size())));
        }
        break;
    case Kind::pair:
        for (int k = 0; k < run.count; ++k, off += run.step, col += run.col_step) read_pair(line, s, off, col, r);
        break;
    case Kind::digit_pair:
        for (int k = 0; k < run.count; ++k, off += run.step, col += run.col_step) read_digit_pair(line, s, off, col, r);
        break;
    }
}

// Fills the report's rows from one line; true when the line ends the report.
bool read_row(const RowSpec& s, std::string_view line, MosReport* r) {
    read_run(line, s, s.run, r);
    read_run(line, s, s.late, r);
    return s.ends;
}

// A row's labels as the first eight bytes of a line would hold them: the
// line matches when those bytes, masked to the label's length, equal either.
struct LabelKey {
    std::uint64_t mask;
    std::uint64_t key;
    std::uint64_t key2;
};

constexpr std::uint64_t label_bytes(const char* label, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n && label[i] != '\0'; ++i) {
        const int shift = std::endian::native == std::endian::little ? 8 * i : 8 * (7 - i);
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(label[i])) << shift;
    }
    return v;
}

constexpr LabelKey key_of(const RowSpec& s) {
    const std::uint64_t mask = label_bytes("\xff\xff\xff\xff\xff\xff\xff\xff", s.cmp);
    const std::uint64_t key = label_bytes(s.label, s.cmp);
    return {mask, key, s.label2 != nullptr ? label_bytes(s.label2, s.cmp) : key};
}

// The rows of a layout by the first character of their labels, in table
// order, each list ended by -1; a line is tried only against its own list.
constexpr int kRowsPerLetter = 6;
struct RowIndex {
    LabelKey keys[kMosRows];
    std::int8_t rows[128][kRowsPerLetter];
};

template <std::size_t N>
constexpr RowIndex index_of(const RowSpec (&rows)[N]) {
    RowIndex index{};
    for (std::size_t i = 0; i < N; ++i) index.keys[i] = key_of(rows[i]);
    for (int c = 0; c < 128; ++c) {
        int n = 0;
        for (std::size_t i = 0; i < N; ++i) {
            const RowSpec& s = rows[i];
            if (s.label[0] != c && (s.label2 == nullptr || s.label2[0] != c)) continue;
            if (n == kRowsPerLetter - 1) throw "more rows begin with one letter than its list holds";
            index.rows[c][n++] = static_cast<std::int8_t>(i);
        }
        index.rows[c][n] = -1;
    }
    return index;
}

// Labels are compared over at most eight bytes, none of them a terminator.
template <std::size_t N>
constexpr bool labels_fit(const RowSpec (&rows)[N]) {
    if (N > kMosRows) return false;
    for (const RowSpec& s : rows) {
        if (s.cmp < 1 || s.cmp > 8) return false;
        for (int i = 0; i < s.cmp; ++i)
            if (s.label[i] == '\0' || (s.label2 != nullptr && s.label2[i] == '\0')) return false;
    }
    return true;
}
static_assert(labels_fit(kLayoutA) && labels_fit(kLayoutBC) && labels_fit(kLayoutD));

constexpr RowIndex kIndexA = index_of(kLayoutA);
constexpr RowIndex kIndexBC = index_of(kLayoutBC);
constexpr RowIndex kIndexD = index_of(kLayoutD);
constexpr LabelKey kKeySnow = key_of(kSnowGfs);
static_assert(kSnowGfs.cmp == kSnowEta.cmp && kSnowGfs.cmp == kSnowGfsx.cmp);

// The rows of a layout for a model.
struct RowTable {
    const RowSpec* rows;
    const RowIndex* index;
    const RowSpec* snow;  // the layout's snow row, tried first, or null
};

RowTable rows_for(const Family& f, int model) {
    switch (f.layout) {
    case Layout::ngm: return {kLayoutA, &kIndexA, nullptr};
    case Layout::eta: return {kLayoutBC, &kIndexBC, &kSnowEta};
    case Layout::gfs: return {kLayoutBC, &kIndexBC, model == kModelGfs ? &kSnowGfs : nullptr};
    case Layout::mrf: return {kLayoutD, &kIndexD, model == kModelGfsx ? &kSnowGfsx : nullptr};
    }
    return {kLayoutA, &kIndexA, nullptr};
}

[[gnu::always_inline]] inline bool matches(const LabelKey& k, std::uint64_t head) {
    const std::uint64_t h = head & k.mask;
    return h == k.key || h == k.key2;
}

// One line of a station's section, in a buffer of at least eight bytes; true
// when it ends the report.
bool read_line_of(const RowTable& t, std::string_view line, MosReport* r) {
    const auto first = static_cast<unsigned char>(line.empty() ? '\0' : line[0]);
    if (first >= 128) return false;
    // Bytes past the end of a short line are masked off or differ from the
    // label at the terminator.
    std::uint64_t head = 0;
    std::memcpy(&head, line.data(), sizeof head);
    if (t.snow != nullptr && first == static_cast<unsigned char>(kSnowGfs.label[0]) && matches(kKeySnow, head)) return read_row(*t.snow, line, r);
    for (const std::int8_t i : t.index->rows[first]) {
        if (i < 0) break;
        if (matches(t.index->keys[i], head)) return read_row(t.rows[i], line, r);
    }
    return false;
}

bool any_late_value(const MosReport* r) {
    for (int row = 1; row < kMosRows; ++row)
        if (!is_missing(r->values[row][19]) || !is_missing(r->values[row][20])) return true;
    return false;
}

// Fills row 0 with the hours of the family; products of the ETA/NAM family
// that carry the two late columns get their hours too.
void set_hours(const Family& f, MosReport* r) {
    int columns = f.columns;
    if (f.layout == Layout::eta && any_late_value(r)) columns = 21;
    for (int c = 0; c < columns; ++c) {
        const int hour = c < 19 || f.layout == Layout::mrf ? f.first_hour + c * f.hour_step : 60 + (c - 18) * 6;
        r->values[kMosHour][c] = hour;
    }
    r->columns = columns;
}

// Whether a station found for a new counter lies elsewhere than the one
// before: a reader that finds the same place again makes no progress.
bool moved_on(const Position& pos, int counter, std::int64_t title_pos) {
    return counter == 0 || pos.prev_counter < 0 || title_pos != pos.title_pos;
}

// Moves to the title line of the station for counter; false when there is none.
bool find_title(int fd, const Family& f, int counter, Position& pos, char* line) {
    if (counter == pos.prev_counter) return reread_at(fd, pos.title_pos, line);
    if (counter == 0 || product_ended(fd)) {
        if (!search_product(fd, f.pattern)) return false;
    }
    for (;;) {
        const int r = next_line(fd, line);
        if (r < 0) return false;
        if (r == 1) {
            if (std::strstr(line, f.title) != nullptr) break;
            continue;
        }
        if (product_ended(fd) && !search_product(fd, f.pattern)) return false;
    }
    if (!moved_on(pos, counter, PAR_get_pos(fd))) return false;
    pos.title_pos = PAR_get_pos(fd);
    return true;
}

// The station table look-up shared by the readers; prints "Not in database".
int look_up(const char* id, bool k_rule, unsigned level, CityEntry* entry, float* elev) {
    bool found = false;
    if (k_rule && std::strlen(id) <= 3) {
        char k_id[kMosIdSize + 1];
        std::snprintf(k_id, sizeof k_id, "K%s", id);
        found = CTY_search(k_id, entry) == 1;
    }
    if (!found) found = CTY_search(id, entry) == 1;
    if (!found) {
        MESS_print(level, "Not in database: %s\n", id);
        return 0;
    }
    if (elev != nullptr) *elev = entry->elev;
    return entry->priority <= DOM_get_prior() ? 1 : 0;
}

// ---------------------------------------------------------------- extended family

struct ExtendedFamily {
    const char* pattern;
    int columns;
};

ExtendedFamily extended_of(int model) {
    if (model == kModelNgmUa) return {"FO[UC][ENMW][678]", 9};
    if (model == kModelEtaUa || model == kModelNamUa) return {"FOUS[67]._KWNO", 11};
    return {"FOUS[67]._KW(BC|NO)", 9};
}

constexpr int kHalfOffset = 36;

int decode_thickness(int thick, int t1) {
    if (is_missing(thick)) return kMissing;
    const int t = thick * 10;
    return !is_missing(t1) && t1 < -10 && t > 500 ? t + 4000 : t + 5000;
}

void store_column(MosuReport* r, int c, const int* v) {
    // v: prec, R1, R2, R3, VVV, LI, PS, DD, FF, HH, T1, T3, T5
    r->prec[c] = v[0];
    r->rhum[c][0] = v[1];
    r->rhum[c][1] = v[2];
    r->rhum[c][2] = v[3];
    r->vvel[c] = v[4];
    r->lift[c] = is_missing(v[5]) ? kMissing : v[5] > 50 ? v[5] - 100 : v[5];
    r->pres[c] = is_missing(v[6]) ? kMissing : v[6] > 50 ? v[6] + 900 : v[6] + 1000;
    r->wdir[c] = is_missing(v[7]) ? kMissing : v[7] * 10;
    r->wspd[c] = v[8];
    r->thick[c] = decode_thickness(v[9], v[10]);
    r->temp[c][0] = v[10];
    r->temp[c][1] = v[11];
    r->temp[c][2] = v[12];
}

const char* half_of(const char* line, int half) {
    const std::size_t off = half != 0 ? kHalfOffset : 0;
    return std::strlen(line) > off ? line + off : nullptr;
}

// The first line of a block with its initial values (column 0).
void read_initial(const char* text, MosuReport* r) {
    int v[13];
    std::fill(std::begin(v), std::end(v), kMissing);
    char id[4] = "";
    std::sscanf(text, "%3s%*2c%2d%2d%2d %3d%2d %2d%2d%2d %2d%2d%2d%2d", id, &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                &v[7], &v[8], &v[9], &v[10], &v[11], &v[12]);
    store_column(r, 0, v);
}

void read_column(const char* text, int c, MosuReport* r) {
    int v[13];
    std::fill(std::begin(v), std::end(v), kMissing);
    std::sscanf(text, "%*2s%3d%2d%2d%2d %3d%2d %2d%2d%2d %2d%2d%2d%2d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12]);
    store_column(r, c, v);
}

// Moves to the first line of the block for counter.
bool find_block(int fd, const ExtendedFamily& f, int counter, char* line) {
    Position& pos = g.extended;
    const bool partner = counter == pos.prev_counter || (counter % 2 == 1 && counter == pos.prev_counter + 1);
    if (partner && counter != 0) return reread_at(fd, pos.title_pos, line);
    if (counter == 0) PAR_rewind(fd);
    bool new_product = counter == 0 || product_ended(fd);
    for (;;) {
        if (new_product) {
            if (!search_product(fd, f.pattern)) return false;
            new_product = false;
            // The heading and the two lines after it are passed over.
            int passed = 0;
            while (passed < 3) {
                const int r = next_line(fd, line);
                if (r < 0) return false;
                if (r == 1) ++passed;
                else if (product_ended(fd)) break;
            }
            if (passed < 3) {
                new_product = true;
                continue;
            }
        }
        const int r = next_line(fd, line);
        if (r < 0) return false;
        if (r == 1) break;
        new_product = product_ended(fd);
    }
    if (!moved_on(pos, counter, PAR_get_pos(fd))) return false;
    pos.title_pos = PAR_get_pos(fd);
    return true;
}

// ---------------------------------------------------------------- MRF family

constexpr const char* kF17 = "%d| %d %d| %d %d| %d %d| %d %d| %d %d| %d %d| %d %d| %d %d";
constexpr const char* kF8 = " | %d | %d | %d | %d | %d | %d | %d | %d";

int scan17(const char* line, int off, int* v) {
    if (std::strlen(line) <= static_cast<std::size_t>(off)) return 0;
    const char* t = line + off;
    return std::sscanf(t, kF17, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11],
                       &v[12], &v[13], &v[14], &v[15], &v[16]);
}

void read_mrf_line(const char* line, MosmReport* r) {
    struct HalfRow {
        const char* label;
        int cmp;
        int off;
        std::int32_t* dest;
    };
    const HalfRow halves[] = {
        {"TMP", 3, 36, r->temp}, {"DPT", 3, 36, r->dewp},  {"POP12", 5, 37, r->pop12}, {"P12", 3, 36, r->pop12},
        {"CPOS", 4, 37, r->pos}, {"CLDS", 4, 37, r->cloud}, {"CLD ", 4, 36, r->cloud}, {"WIND", 4, 37, r->wind},
    };
    int v[17];
    std::fill(std::begin(v), std::end(v), kMissing);
    if (starts_with(line, "MN/MX", 5) || starts_with(line, "X/N", 3) || starts_with(line, "N/X", 3)) {
        scan17(line, line[0] == 'M' ? 37 : 36, v);
        r->max[0] = v[0];
        for (int d = 1; d <= 7; ++d) {
            r->min[d] = v[2 * d - 1];
            r->max[d] = v[2 * d];
        }
        std::fill(std::begin(r->nmin), std::end(r->nmin), v[15]);
        std::fill(std::begin(r->nmax), std::end(r->nmax), v[16]);
        return;
    }
    if (starts_with(line, "POP24", 5)) {
        if (std::strlen(line) > 37)
            std::sscanf(line + 37, kF8, &r->pop24[1], &r->pop24[2], &r->pop24[3], &r->pop24[4], &r->pop24[5],
                        &r->pop24[6], &r->pop24[7], &r->pop24[8]);
        return;
    }
    for (const HalfRow& h : halves) {
        if (!starts_with(line, h.label, h.cmp)) continue;
        scan17(line, h.off, v);
        std::copy(std::begin(v), std::end(v), h.dest);
        return;
    }
}

void clear_above_900(std::int32_t* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (v[i] > 900) v[i] = kMissing;
}

void clean_mrf(MosmReport* r) {
    for (auto* a : {r->max, r->nmax, r->min, r->nmin, r->pop24}) clear_above_900(a, kMosmDayValues);
    for (auto* a : {r->temp, r->dewp, r->cloud, r->wind, r->pop12, r->pos}) clear_above_900(a, kMosmHalfDays);
}

// Generic "find the station id, then read the station" used by the get-station functions.
template <typename Report, typename Read>
int get_station(const DateRecord* date, const char* id, Report* report, Read read, bool drop_first) {
    const int fd = MOS_open(date);
    if (fd < 0) return 0;
    const char* want = drop_first && std::strlen(id) == 4 ? id + 1 : id;
    int found = 0;
    for (int counter = 0; found == 0; ++counter) {
        if (read(fd, report, kMosReadId, &counter) < 0) break;
        if (stricmp(report->id, want) != 0) continue;
        found = read(fd, report, kMosReadFull, &counter) == 0 ? 1 : 0;
    }
    MOS_close(fd);
    return found;
}

int current_model() { return FLAG_get(kFlagDataKind); }

}  // namespace

// ---------------------------------------------------------------- codes

int mos_code(const char* text, int len) {
    while (len > 0 && text[0] == ' ') {
        ++text;
        --len;
    }
    while (len > 0 && text[len - 1] == ' ') --len;
    if (len <= 0) return kMissing;
    len = std::min(len, 3);
    int code = 0;
    for (int i = 0; i < len; ++i) code = code * 256 + static_cast<unsigned char>(text[i]);
    return code;
}

char* mos_code_text(int code, char* out) {
    out[0] = '\0';
    if (is_missing(code) || code <= 0) return out;
    char buf[4];
    int n = 0;
    for (int v = code; v > 0 && n < 3; v /= 256) buf[n++] = static_cast<char>(v % 256);
    for (int i = 0; i < n; ++i) out[i] = buf[n - 1 - i];
    out[n] = '\0';
    return out;
}

// ---------------------------------------------------------------- access and file wiring

int MOS_open(const DateRecord* date) {
    g.next_n = 0;
    PAR_set_end(kParEndBlank);
    return PAR_open(date);
}

int MOS_close(int fd) { return PAR_close(fd); }

int MOS_rewind(int fd) {
    g.next_n = 0;
    return PAR_rewind(fd);
}

int MOS_position(int fd, std::int64_t position) {
    g.next_n = 0;
    return PAR_seek(fd, position);
}

int MOS_open_file() {
    g.fd = MOS_open(MOS_get_date());
    if (g.fd < 0) {
        char name[kFileNameSize];
        FILE_save_name_conv();
        FILE_set_date(MOS_get_date(), name);
        FILE_restore_name_conv();
        MESS_print(kWarnOpen, "MOS_open_file: Unable to open file:%s\n", name);
        return 0;
    }
    return 1;
}

int MOS_close_file() {
    const int r = MOS_close(g.fd);
    g.fd = -1;
    return r;
}

int MOS_rewind_file() {
    g.stat_num = 0;
    return MOS_rewind(g.fd);
}

int MOS_get_fd() { return g.fd; }
void MOS_keep_reports(int flag) { g.keep_reports = flag != 0; }
void MOS_set_fd(int fd) { g.fd = fd; }
int MOS_get_stat_num() { return g.stat_num; }

// ---------------------------------------------------------------- standard family

void MOS_initialize(MosReport* report) {
    for (auto& row : report->values) std::fill(std::begin(row), std::end(row), kMissing);
}

namespace {

// The file readers, one report each; MOS_read and its kin add the kept reports.
int read_standard(int fd, MosReport* report, int mode, int n) {
    const int model = current_model();
    const Family f = family_of(model);
    MOS_initialize(report);
    report->model = model;
    report->columns = f.columns;
    if (fd < 0) return -1;
    if (n == 0) MOS_rewind(fd);

    char line[kLineSize] = {};
    if (!find_title(fd, f, n, g.standard, line)) {
        g.standard.prev_counter = -1;
        return -1;
    }
    g.standard.prev_counter = n;
    MESS_print(kDebugId, "ID: %s\n", line);
    first_word(line, report->id, sizeof report->id, 4);

    if (mode != kMosReadFull) {
        skip_section(fd, line);
        set_hours(f, report);
        return 0;
    }
    const RowTable table = rows_for(f, model);
    while (next_line(fd, line) == 1)
        if (read_line_of(table, std::string_view(line, static_cast<std::size_t>(PAR_get_len(fd))), report)) break;
    set_hours(f, report);
    return 0;
}

int read_extended(int fd, MosuReport* report, int mode, int n);
int read_mrf(int fd, MosmReport* report, int mode, int n);

template <typename Report, typename Read>
int read_kept(KeptReports<Report>& kept, Read read, int fd, Report* report, int mode, const int* counter) {
    const int n = counter != nullptr ? *counter : 0;
    if (mode != kMosReadFull) return read(fd, report, mode, n);
    const int found = kept.find(g.keep_reports, fd, current_model(), n, report);
    if (found != 0) return found > 0 ? 0 : -1;
    const int result = read(fd, report, mode, n);
    kept.add(n, result, *report);
    return result;
}

}  // namespace

int MOS_read(int fd, MosReport* report, int mode, const int* counter) {
    return read_kept(g.kept_standard, read_standard, fd, report, mode, counter);
}

int MOS_read_report(MosReport* report, CityEntry* entry) {
    if (MOS_read(g.fd, report, kMosReadFull, &g.stat_num) < 0) return -1;
    ++g.stat_num;
    const bool k_rule = report->model == kModelNgm || report->model == kModelNgmUa;
    return look_up(report->id, k_rule, kDebugId, entry, &report->elev);
}

int MOS_get_station(const DateRecord* date, const char* id, MosReport* report) {
    return get_station(date, id, report, MOS_read, false);
}

MosReport* MOS_get_report() { return &g.report; }

// ---------------------------------------------------------------- extended family

void MOSU_initialize(MosuReport* report) {
    std::fill(std::begin(report->hours), std::end(report->hours), kMissing);
    for (int c = 0; c < kMosuCols; ++c) {
        std::fill(std::begin(report->temp[c]), std::end(report->temp[c]), kMissing);
        std::fill(std::begin(report->rhum[c]), std::end(report->rhum[c]), kMissing);
    }
    for (auto* a : {report->vvel, report->lift, report->thick, report->wdir, report->wspd, report->pres, report->prec})
        std::fill(a, a + kMosuCols, kMissing);
}

int MOSU_read(int fd, MosuReport* report, int mode, const int* counter) {
    return read_kept(g.kept_extended, read_extended, fd, report, mode, counter);
}

namespace {
int read_extended(int fd, MosuReport* report, int mode, int n) {
    const ExtendedFamily f = extended_of(current_model());
    MOSU_initialize(report);
    report->id[0] = '\0';
    if (fd < 0) return -1;

    char line[kLineSize];
    if (!find_block(fd, f, n, line)) {
        g.extended.prev_counter = -1;
        return -1;
    }
    g.extended.prev_counter = n;
    MESS_print(kDebugId, "ID: %d %lld %s\n", PAR_get_status(fd), static_cast<long long>(PAR_get_pos(fd)),
               line);
    const int half = n % 2;
    for (int c = 0; c < f.columns; ++c) report->hours[c] = 6 * c;

    const char* first = half_of(line, half);
    char id[4] = "";
    if (first != nullptr) std::sscanf(first, "%3s", id);
    copy_text(report->id, id);
    if (mode != kMosReadFull) {
        skip_section(fd, line);
        return 0;
    }
    int column = 0;
    if (first != nullptr && std::strlen(first) > 9 && first[9] != ' ') {
        read_initial(first, report);
        column = 1;
    } else if (next_line(fd, line) != 1) {
        return 0;
    }
    for (; column < f.columns; ++column) {
        if (next_line(fd, line) != 1) return 0;
        if (const char* text = half_of(line, half); text != nullptr) read_column(text, column, report);
    }
    skip_section(fd, line);
    return 0;
}

}  // namespace

int MOSU_read_report(MosuReport* report, CityEntry* entry) {
    if (MOSU_read(g.fd, report, kMosReadFull, &g.stat_num) < 0) return -1;
    ++g.stat_num;
    char id[kMosIdSize + 1];
    std::snprintf(id, sizeof id, "K%s", report->id);
    return look_up(id, false, kDebugMissing, entry, nullptr);
}

int MOSU_get_station(const DateRecord* date, const char* id, MosuReport* report) {
    return get_station(date, id, report, MOSU_read, true);
}

MosuReport* MOSU_get_report() { return &g.ua_report; }

// ---------------------------------------------------------------- MRF family

void MOSM_initialize(MosmReport* report) {
    std::fill(std::begin(report->day), std::end(report->day), kMissing);
    for (auto* a : {report->max, report->nmax, report->min, report->nmin, report->pop24})
        std::fill(a, a + kMosmDayValues, kMissing);
    for (auto* a : {report->temp, report->dewp, report->cloud, report->wind, report->pop12, report->pos})
        std::fill(a, a + kMosmHalfDays, kMissing);
}

int MOSM_read(int fd, MosmReport* report, int mode, const int* counter) {
    return read_kept(g.kept_mrf, read_mrf, fd, report, mode, counter);
}

namespace {
int read_mrf(int fd, MosmReport* report, int mode, int n) {
    const int model = current_model();
    MOSM_initialize(report);
    report->id[0] = '\0';
    if (fd < 0 || (model != kModelMrf && model != kModelMrfx)) return -1;
    const char* pattern = model == kModelMrfx ? "(FOX|FOUS20)" : kPatternMrf;
    const int passed_lines = model == kModelMrfx ? 2 : 1;
    if (n == 0) MOS_rewind(fd);

    char line[kLineSize];
    Position& pos = g.mrf;
    bool found = false;
    if (n == pos.prev_counter) {
        found = reread_at(fd, pos.title_pos, line);
    } else {
        bool new_product = n == 0 || product_ended(fd);
        int to_pass = 0;
        while (!found) {
            if (new_product) {
                if (!search_product(fd, pattern)) break;
                to_pass = passed_lines + 1;  // the heading itself, then the lines after it
                new_product = false;
            }
            const int r = next_line(fd, line);
            if (r < 0) break;
            if (r == 0) {
                new_product = product_ended(fd);
                continue;
            }
            if (to_pass > 0) {
                --to_pass;
                continue;
            }
            found = moved_on(pos, n, PAR_get_pos(fd));
            if (!found) break;
        }
        if (found) pos.title_pos = PAR_get_pos(fd);
    }
    if (!found) {
        pos.prev_counter = -1;
        return -1;
    }
    pos.prev_counter = n;
    MESS_print(kDebugId, "ID: %d %s\n", n, line);
    first_word(line, report->id, sizeof report->id, 4);
    for (int d = 0; d < kMosmDays; ++d) report->day[d] = d;
    if (mode != kMosReadFull) {
        skip_section(fd, line);
        return 0;
    }
    while (next_line(fd, line) == 1) read_mrf_line(line, report);
    clean_mrf(report);
    return 0;
}

}  // namespace

int MOSM_read_report(MosmReport* report, CityEntry* entry) {
    if (MOSM_read(g.fd, report, kMosReadFull, &g.stat_num) < 0) return -1;
    ++g.stat_num;
    return look_up(report->id, false, kDebugMissing, entry, nullptr);
}

int MOSM_get_station(const DateRecord* date, const char* id, MosmReport* report) {
    return get_station(date, id, report, MOSM_read, false);
}

MosmReport* MOSM_get_report() { return &g.mrf_report; }

void MOS_read_reset_for_tests() { g = ReadState{}; }

void MOS_read_grid_for_tests(bool enabled) { g_grid_enabled = enabled; }

}  // namespace orv
