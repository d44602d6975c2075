#include "core/var_tool.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/tools.hpp"

namespace orv {

namespace {

constexpr unsigned kTrace = 0x40000000U;
constexpr unsigned kWarn = 64U;
constexpr std::size_t kPathSize = 160;
constexpr std::size_t kMaxLine = 4096;
constexpr int kMaxExpansion = 8;

// Settings that nested terms inherit.
struct Base {
    int type = kMissing;
    int time = kMissing;
    int time_status = 0;
    int level_type = kMissing;
    int level = kMissing;
    int level_status = 0;
};

struct LookupEntry {
    std::array<int, 5> ids{};
    char abbr[20] = "";
    char desc[kVarLabelSize] = "";
};

struct MenuItem {
    char abbr[9] = "";
    char label[31] = "";
};

struct Cache {
    int centre = kMissing;
    int number = kMissing;
    char name[kVarLabelSize] = "";
};

struct VarState {
    int def_type = 2;
    char model[kVarTextMax + 1] = "";
    char time[kVarTextMax + 1] = "";
    char level[kVarTextMax + 1] = "";

    std::array<VarRecord, kVarMax> vars{};
    int num = 0;
    int depth = 0;
    int func_count = 0;
    int group_count = 0;
    int vect_count = 0;
    bool decoding_function = false;
    std::vector<Base> bases;
    std::vector<std::string> expanding;
    std::string params;

    std::vector<LookupEntry> lookup;
    bool lookup_read = false;

    std::FILE* def_file = nullptr;
    char def_name[kPathSize] = "";

    std::vector<MenuItem> menu_items;
    std::array<MenuEntry, kVarMenuMax + 2> menu{};

    Cache model_cache;
    Cache source_cache;
    char key[24] = "";

    VarNameTest math_func = nullptr;
    VarNameTest vect_func = nullptr;
    VarLabelType label_type = nullptr;

    VarState() {
        for (auto& v : vars) VAR_data_init(&v);
    }
};
VarState g;

// ---------------------------------------------------------------- text helpers

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool istarts_with(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

bool all_digits(std::string_view s) { return !s.empty() && std::all_of(s.begin(), s.end(), is_digit); }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string without_blanks(std::string_view s) {
    std::string out;
    for (char c : s)
        if (!is_blank(c)) out += c;
    return out;
}

// The next blank-separated word of s, which is advanced past it.
std::string_view next_word(std::string_view& s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    std::size_t n = 0;
    while (n < s.size() && !is_blank(s[n])) ++n;
    const std::string_view w = s.substr(0, n);
    s.remove_prefix(n);
    return w;
}

// Copies a view into a fixed field, truncating.
template <std::size_t N>
void copy_view(char (&dst)[N], std::string_view src) {
    const std::size_t n = std::min(src.size(), N - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Reads one line (without its end) of at most kMaxLine characters; the rest
// of a longer line is skipped. False at end of file.
bool read_line(std::FILE* f, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kMaxLine) line += static_cast<char>(c);
    }
    while (!line.empty() && (line.back() == '\r')) line.pop_back();
    return any;
}

// Integer from a view, or false when it is not one (or out of range).
bool to_int(std::string_view s, int* v) {
    s = trim(s);
    if (s.empty() || s.size() > 10) return false;
    const std::string text(s);
    char* end = nullptr;
    const long long x = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || x < -2000000000LL || x > 2000000000LL) return false;
    *v = static_cast<int>(x);
    return true;
}

// ---------------------------------------------------------------- files

std::string data_path(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.substr(0, 2) == "./" || name.substr(0, 3) == "../")
        return std::string(name);
    const char* dir = orv_file_path();
    std::string path = dir;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    char bounded[kPathSize];
    copy_view(bounded, path);
    return bounded;
}

// One entry of the definition file: abbreviation, label, condition and the
// definition with its blanks removed and continuation lines joined.
struct DefLine {
    std::string abbr;
    std::string label;
    std::string condition;
    std::string definition;
};

bool next_def_line(std::FILE* f, DefLine& d) {
    std::string line;
    while (read_line(f, line)) {
        std::string_view rest = line;
        const std::string_view first = next_word(rest);
        if (first.empty() || first.front() == '#') continue;
        d.abbr = first;
        d.label = next_word(rest);
        d.condition = next_word(rest);
        d.definition = without_blanks(rest);
        while (!d.definition.empty() && d.definition.back() == '\\') {
            d.definition.pop_back();
            if (!read_line(f, line)) break;
            d.definition += without_blanks(line);
        }
        if (d.definition.size() >= kVarDefSize) d.definition.resize(kVarDefSize - 1);
        return true;
    }
    return false;
}

std::string program_name() {
    char buffer[kPathSize] = "";
    RES_get_progname(buffer);
    buffer[kPathSize - 1] = '\0';
    return buffer[0] != '\0' ? buffer : "mosplot";
}

// ---------------------------------------------------------------- types

struct TypeWord {
    const char* word;
    int code;
};

constexpr TypeWord kReadTypes[] = {
    {"data", 1},   {"value", 2},  {"text", 3},   {"mark", 4},   {"mk", 4},      {"map", 6},
    {"frame", 7},  {"panel", 8},  {"cont", 11},  {"ln", 12},    {"dln", 13},    {"ndln", 14},
    {"cf", 15},    {"lcf", 16},   {"gvalue", 17}, {"wind", 20}, {"vect", 21},   {"barb", 22},
    {"strm", 23},  {"track", 23}, {"plot", 30},  {"cloud", 31}, {"wbarb", 32},  {"cbarb", 33},
    {"dbarb", 34}, {"vbarb", 35}, {"symb", 36},  {"wx", 36},    {"line", 37},
};

constexpr TypeWord kPrintTypes[] = {
    {"data", 1},   {"value", 2},  {"text", 3},   {"mark", 4},    {"int", 5},     {"map", 6},
    {"frame", 7},  {"panel", 8},  {"grid", 10},  {"cont", 11},   {"lcont", 12},  {"dln", 13},
    {"ndln", 14},  {"fcont", 15}, {"bcont", 16}, {"gvalue", 17}, {"wind", 20},   {"vect", 21},
    {"barb", 22},  {"strm", 23},  {"plot", 30},  {"cloud", 31},  {"wbarb", 32},  {"cbarb", 33},
    {"dbarb", 34}, {"vbarb", 35}, {"symb", 36},  {"line", 37},   {"const", 40},
};

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool is_grid_type(int t) { return in_range(t, 10, 23); }
bool is_vector_type(int t) { return in_range(t, 20, 23); }
bool is_station_type(int t) { return in_range(t, 1, 5) || in_range(t, 30, 37); }
// Plot types that the plot-type slot imposes on plain variables.
bool is_forced_type(int t) { return in_range(t, 12, 17) || in_range(t, 21, 23); }

// Type of a function record whose name the math seam knows: the program's
// plot type wins when it is of the same kind (grid or vector).
int function_type(int math_type, int slot) {
    if (is_grid_type(slot) && is_vector_type(slot) == is_vector_type(math_type)) return slot;
    return math_type;
}

// ---------------------------------------------------------------- levels

struct NamedLevel {
    const char* name;
    int type;
};

constexpr NamedLevel kNamedLevels[] = {
    {"sfc", 1},         {"sf", 1},          {"sea", 1},         {"se", 1},          {"frz", 4},
    {"lcl", 5},         {"mwnd", 6},        {"trop", 7},        {"sl", 102},        {"whole", 200},
    {"top_frz", 204},   {"gcld_bot", 206},  {"gcld_top", 207},  {"blcld_bot", 209}, {"blcld_top", 210},
    {"blcld_lyr", 211}, {"lcld_bot", 212},  {"lcld_top", 213},  {"lcld_lyr", 214},  {"cld_ceil", 215},
    {"mcld_bot", 222},  {"mcld_top", 223},  {"mcld_lyr", 224},  {"hcld_bot", 232},  {"hcld_top", 233},
    {"hcld_lyr", 234},  {"conv_bot", 242},  {"conv_top", 243},  {"conv_lyr", 244},  {"wbzero", 245},
    {"maxepot", 246},   {"equilib", 247},   {"sconv_bot", 248}, {"sconv_top", 249}, {"dconv_bot", 251},
    {"dconv_top", 252}, {"sclw_bot", 253},  {"sclw_top", 254},
};

// Unit words of numeric levels: the single-level type and the factor into
// that type's unit.
struct LevelUnit {
    const char* word;
    int type;
    double factor;
};

constexpr LevelUnit kLevelUnits[] = {
    {"", 100, 1.0},       {"mb", 100, 1.0},      {"hpa", 100, 1.0},       {"kpa", 100, 10.0},
    {"pa", 100, 0.01},    {"m", 103, 1.0},       {"km", 103, 1000.0},     {"ft", 103, 0.3048},
    {"m_ag", 105, 1.0},   {"km_ag", 105, 1000.0}, {"ft_ag", 105, 0.3048}, {"sigma", 107, 10000.0},
    {"hyb", 109, 1.0},    {"cm_bg", 111, 1.0},   {"k", 113, 1.0},         {"mb_ag", 116, 1.0},
    {"hpa_ag", 116, 1.0}, {"pvu", 117, 1000.0},  {"m_bsl", 160, 1.0},
};

// Layer types: the single type they come from, the divisor from the single
// type's unit into the layer unit, and whether the smaller value comes first.
struct LayerForm {
    int single;
    int layer;
    double divisor;
    bool smaller_first;
    const char* unit;  // text form
    double text_scale;  // layer unit back to the text unit
};

constexpr LayerForm kLayers[] = {
    {100, 101, 10.0, true, "mb", 10.0},   {103, 104, 100.0, false, "m", 100.0},
    {105, 106, 100.0, false, "m_ag", 100.0}, {107, 108, 100.0, false, "sigma", 0.01},
    {109, 110, 1.0, false, "hyb", 1.0},   {111, 112, 1.0, true, "cm_bg", 1.0},
    {113, 114, 1.0, false, "k", 1.0},     {116, 116, 1.0, false, "mb_ag", 1.0},
};

const LayerForm* layer_of(int type) {
    for (const auto& l : kLayers)
        if (l.single == type || l.layer == type) return &l;
    return nullptr;
}

// Truncates toward zero, treating values within rounding noise of an
// integer as that integer. False when out of the level range.
bool level_int(double v, int* out) {
    if (!std::isfinite(v) || std::fabs(v) > 2.0e9) return false;
    const double r = std::round(v);
    *out = static_cast<int>(std::fabs(v - r) < 1e-6 ? r : std::trunc(v));
    return true;
}

int encode_level(int type, int* out_type, int* out_level, double v1, double v2, bool layer) {
    *out_type = kMissing;
    *out_level = kMissing;
    if (!layer) {
        int l = 0;
        if (!level_int(v1, &l)) return -1;
        *out_type = type;
        *out_level = l;
        return 0;
    }
    const LayerForm* form = layer_of(type);
    const LayerForm generic{type, type, 1.0, false, "", 1.0};
    if (form == nullptr) form = &generic;
    int a = 0;
    int b = 0;
    if (!level_int(v1 / form->divisor, &a) || !level_int(v2 / form->divisor, &b)) return -1;
    if (a < 0 || a > 999 || b < 0 || b > 999) return -1;
    if ((a > b) == form->smaller_first) std::swap(a, b);
    *out_type = form->layer;
    *out_level = a * 1000 + b;
    return 1;
}

// A decimal number without exponent at s[pos], which is advanced past it.
bool scan_number(std::string_view s, std::size_t& pos, double* v) {
    const std::size_t start = pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
    bool digits = false;
    while (pos < s.size() && is_digit(s[pos])) ++pos, digits = true;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && is_digit(s[pos])) ++pos, digits = true;
    }
    if (!digits) {
        pos = start;
        return false;
    }
    *v = std::strtod(std::string(s.substr(start, pos - start)).c_str(), nullptr);
    return true;
}

const LevelUnit* level_unit(std::string_view word) {
    for (const auto& u : kLevelUnits)
        if (iequals(word, u.word)) return &u;
    return nullptr;
}

// "500mb", "850-500mb", "1000mb-500mb", "0+30mb_ag", "2m_ag".
bool numeric_level(std::string_view s, int* type, int* level) {
    std::size_t pos = 0;
    double v1 = 0;
    double v2 = 0;
    if (!scan_number(s, pos, &v1)) return false;
    std::size_t unit_end = pos;
    while (unit_end < s.size() && s[unit_end] != '-' && s[unit_end] != '+') ++unit_end;
    const std::string_view unit1 = s.substr(pos, unit_end - pos);
    std::string_view unit2;
    bool layer = false;
    if (unit_end < s.size()) {
        pos = unit_end + 1;
        if (!scan_number(s, pos, &v2)) return false;
        unit2 = s.substr(pos);
        layer = true;
    }
    if (!unit1.empty() && !unit2.empty() && !iequals(unit1, unit2)) return false;
    const LevelUnit* unit = level_unit(unit2.empty() ? unit1 : unit2);
    if (unit == nullptr) return false;
    if (unit->type == 116 && !layer) {  // a pressure depth above ground is a layer from the ground
        layer = true;
        v2 = 0;
    }
    return encode_level(unit->type, type, level, v1 * unit->factor, v2 * unit->factor, layer) >= 0;
}

int current_level(int* type, int* level) {
    const int current = FLAG_get(kFlagLevel);
    if (is_missing(current)) {
        *type = 0;
        *level = 0;
        return 2;
    }
    const int value = FLAG_get(kFlagLevelQual);
    *type = current;
    *level = is_missing(value) ? 0 : value;
    return 1;
}

int decode_level(std::string_view s, int* type, int* level) {
    if (s.empty()) {
        if (!g.bases.empty() && g.bases.back().level_status != 0) {
            *type = g.bases.back().level_type;
            *level = g.bases.back().level;
            return 1;
        }
        return current_level(type, level);
    }
    if (iequals(s, "level")) {
        current_level(type, level);
        return 1;
    }
    if (iequals(s, "none") || iequals(s, "snd")) {
        *type = 0;
        *level = 0;
        return 2;
    }
    if (iequals(s, "miss")) {
        *type = kMissing;
        *level = kMissing;
        return 2;
    }
    for (const auto& n : kNamedLevels)
        if (iequals(s, n.name)) {
            *type = n.type;
            *level = 0;
            return 2;
        }
    if (numeric_level(s, type, level)) return 2;
    *type = kMissing;
    *level = kMissing;
    return 0;
}

// ---------------------------------------------------------------- times

int range_kind(std::string_view suffix) {
    struct Kind { const char* name; int kind; };
    static constexpr Kind kinds[] = {{"rng", 2}, {"avg", 3}, {"acc", 4}, {"dif", 5}, {"max", 6},
                                     {"min", 7}, {"iavg", 13}, {"var", 18}, {"uavg", 23}};
    for (const auto& k : kinds)
        if (suffix == k.name) return k.kind;
    return 2;
}

const char* range_word(int kind) {
    switch (kind) {
    case 2: return "rng ";
    case 3: return "avg ";
    case 4: return "acc ";
    case 5: return "dif ";
    case 6: return "max ";
    case 7: return "min ";
    case 13: return "iavg ";
    case 18: return "var ";
    case 23: return "uavg ";
    default: return "";
    }
}

// Range codes hold both hours in three digits each.
bool range_code(int kind, int start, int end, int* code) {
    if (start < 0 || start > 999 || end < 0 || end > 999) return false;
    *code = kind * 1000000 + start * 1000 + end;
    return true;
}

// Hours of a plain time word: "h24", "d2", "e1", "36", "2day", "1.5day", "3e".
bool word_hours(std::string_view w, int* hours) {
    if (w.empty()) return false;
    int scale = 1;
    int extra = 0;
    if (w[0] == 'h' || w[0] == 'd' || w[0] == 'e') {
        scale = w[0] == 'h' ? 1 : 24;
        extra = w[0] == 'e' ? 12 : 0;
        w.remove_prefix(1);
        if (!all_digits(w)) return false;
    }
    std::size_t digits = 0;
    while (digits < w.size() && is_digit(w[digits])) ++digits;
    if (digits == 0 || digits > 6) return false;
    const int n = std::atoi(std::string(w.substr(0, digits)).c_str());
    const std::string_view unit = w.substr(digits);
    if (unit == "day" || unit == "d") {
        scale = 24;
    } else if (unit == ".5day" || unit == "e") {
        scale = 24;
        extra = 12;
    } else if (!unit.empty()) {
        return false;
    }
    *hours = n * scale + extra;
    return true;
}

// ---------------------------------------------------------------- patterns

bool match_set(const char*& p, char c) {
    // p points just after "["; leaves p after the closing "]".
    bool found = false;
    while (*p != '\0' && *p != ']') {
        if (p[1] == '-' && p[2] != '\0' && p[2] != ']') {
            if (c >= p[0] && c <= p[2]) found = true;
            p += 3;
        } else {
            if (*p == c) found = true;
            ++p;
        }
    }
    if (*p == ']') ++p;
    return found;
}

bool pattern_match(const char* p, const char* t) {
    for (; *p != '\0'; ++p, ++t) {
        if (*p == '*') {
            for (const char* rest = t;; ++rest) {
                if (pattern_match(p + 1, rest)) return true;
                if (*rest == '\0') return false;
            }
        }
        if (*t == '\0') return false;
        if (*p == '?' || *p == '.') continue;
        if (*p == '[') {
            const char* q = p + 1;
            if (!match_set(q, *t)) return false;
            p = q - 1;
            continue;
        }
        if (*p == '\\' && p[1] != '\0') ++p;
        if (*p != *t) return false;
    }
    return *t == '\0';
}

// ---------------------------------------------------------------- lookup list

void ensure_lookup() {
    if (!g.lookup_read) VAR_read_varfile();
}

const LookupEntry* entry_by_id(int id) {
    ensure_lookup();
    for (const auto& e : g.lookup)
        if (e.ids[0] == id) return &e;
    return nullptr;
}

const LookupEntry* entry_by_abbr(std::string_view abbr) {
    ensure_lookup();
    for (const auto& e : g.lookup)
        if (iequals(e.abbr, abbr)) return &e;
    return nullptr;
}

// Ensemble prefixes: "ensmean[]", "ensdev[]", "ens[n]", "ens[-n]", "ens[+n]".
// Returns the code added to the first identifier and removes the prefix.
int ensemble_code(std::string_view& name) {
    if (name.substr(0, 9) == "ensmean[]") {
        name.remove_prefix(9);
        return 19000000;
    }
    if (name.substr(0, 8) == "ensdev[]") {
        name.remove_prefix(8);
        return 19001000;
    }
    if (name.substr(0, 4) != "ens[") return 0;
    const std::size_t close = name.find(']');
    if (close == std::string_view::npos) return 0;
    std::string_view inside = name.substr(4, close - 4);
    int base = 19300000;
    if (!inside.empty() && (inside[0] == '-' || inside[0] == '+')) {
        base = inside[0] == '-' ? 19320000 : 19340000;
        inside.remove_prefix(1);
        int n = 0;
        if (!all_digits(inside) || inside.size() > 3 || !to_int(inside, &n)) return 0;
        base += n * 1000;
    }
    name.remove_prefix(close + 1);
    return base;
}

void match_lookup(std::string_view name, VarRecord* rec) {
    const int ensemble = ensemble_code(name);
    const std::size_t dash = name.find('-');
    std::string_view key = dash == std::string_view::npos ? name : name.substr(dash + 1);
    key = key.substr(0, 9);
    const LookupEntry* e = nullptr;
    int number = 0;
    if (all_digits(key) && to_int(key, &number)) {
        rec->ids[0] = number;
        e = entry_by_id(number);
        if (e != nullptr) {
            std::string renamed = dash == std::string_view::npos ? std::string() : std::string(name.substr(0, dash + 1));
            renamed += e->abbr;
            copy_view(rec->name, renamed);
        }
    } else {
        e = entry_by_abbr(key);
        if (e == nullptr && !key.empty() && key[0] == '+') e = entry_by_abbr(key.substr(1));
    }
    if (e == nullptr) return;
    std::copy(e->ids.begin(), e->ids.end(), rec->ids);
    if (ensemble != 0 && !is_missing(rec->ids[0])) rec->ids[0] += ensemble;
}

// ---------------------------------------------------------------- parser

const VarRecord* record(int i) { return i >= 0 && i < kVarMax ? &g.vars[i] : nullptr; }
int role_of(int i) {
    const VarRecord* r = record(i);
    return r != nullptr ? r->flag % 10 : -1;
}

Base base_of(const VarRecord& r) {
    return Base{r.type, r.time, r.time_status, r.level_type, r.level, r.level_status};
}

// Splits a term at ":" outside escapes; escapes are resolved in the fields.
std::vector<std::string> split_fields(std::string_view term) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < term.size(); ++i) {
        if (term[i] == '\\' && i + 1 < term.size()) {
            fields.back() += term[++i];
        } else if (term[i] == ':') {
            fields.emplace_back();
        } else {
            fields.back() += term[i];
        }
    }
    return fields;
}

std::string join_fields(const std::vector<std::string>& fields, std::size_t from) {
    std::string out;
    for (std::size_t k = from; k < fields.size(); ++k) {
        if (k > from) out += ':';
        out += fields[k];
    }
    return out;
}

int plain_role() { return g.func_count > 0 || g.group_count > 0 ? kVarSubRegular : kVarRegular; }

bool is_fixed_name(std::string_view name, int* type) {
    static constexpr TypeWord fixed[] = {{"map", 6}, {"plot", 30}, {"frame", 7}, {"panel", 8}};
    for (const auto& f : fixed)
        if (iequals(name, f.word)) {
            *type = f.code;
            return true;
        }
    return false;
}

void set_format(VarRecord& rec, std::string format) {
    if (!g.params.empty()) format += (format.empty() ? "" : ":") + g.params;
    copy_view(rec.format, format);
}

// Units, type and format fields from index k on.
void apply_fields(VarRecord& rec, const std::vector<std::string>& fields, std::size_t k) {
    if (k < fields.size()) {
        VAR_dec_units(fields[k].c_str(), &rec);
        ++k;
    }
    if (k < fields.size() && VAR_dec_format(fields[k].c_str(), &rec.type) == 2) ++k;
    set_format(rec, join_fields(fields, k));
}

int parse(std::string_view text);

// Expands a name through the definition file; the index of the first record
// made, or -1 when the name has no usable definition.
int expand(const std::string& name, const VarRecord& rec, const std::vector<std::string>& fields,
           std::size_t after_name) {
    if (static_cast<int>(g.expanding.size()) >= kMaxExpansion ||
        std::find(g.expanding.begin(), g.expanding.end(), name) != g.expanding.end())
        return -1;
    char definition[kVarDefSize];
    if (VAR_lookup(name.c_str(), definition) != 1) return -1;
    const int first = g.num;
    g.bases.push_back(base_of(rec));
    g.expanding.push_back(name);
    parse(definition);
    g.expanding.pop_back();
    g.bases.pop_back();
    if (g.num == first) return -1;
    VarRecord& made = g.vars[first];
    std::size_t k = after_name;
    if (k < fields.size() && !fields[k].empty()) VAR_dec_units(fields[k].c_str(), &made);
    ++k;
    if (k < fields.size() && VAR_dec_format(fields[k].c_str(), &made.type) == 2) ++k;
    if (k < fields.size()) {
        std::string format = join_fields(fields, k);
        if (made.format[0] != '\0') format += std::string(":") + made.format;
        copy_view(made.format, format);
    }
    return first;
}

// Adds one term as a record with the given role digit.
int add_term(std::string_view term, bool lookup, int role) {
    if (g.num >= kVarMax) {
        MESS_print(kWarn, "VAR_process_var: Too many variables, dropped: %.*s\n", static_cast<int>(term.size()),
                   term.data());
        return -1;
    }
    const std::vector<std::string> fields = split_fields(term);
    const int index = g.num;
    VarRecord& rec = g.vars[index];
    VAR_data_init(&rec);

    int fixed_type = 0;
    if (is_fixed_name(fields[0], &fixed_type)) {
        std::string name = fields[0];
        std::transform(name.begin(), name.end(), name.begin(), lower);
        copy_view(rec.name, name);
        rec.type = fixed_type;
        rec.flag = kVarFixed;
        std::size_t k = 1;
        if (k < fields.size()) {
            const int t = VAR_dec_type(fields[k].c_str());
            if (t >= 0) {
                rec.type = t;
                ++k;
            }
        }
        set_format(rec, join_fields(fields, k));
        ++g.num;
        return index;
    }

    rec.flag = g.depth * 10 + role;
    std::size_t name_at = 0;
    int code = kMissing;
    if (fields.size() >= 3 && (rec.time_status = VAR_dec_time(fields[0].c_str(), &code)) != 0) {
        rec.time = code;
        rec.level_status = VAR_dec_level(fields[1].c_str(), &rec.level_type, &rec.level);
        name_at = 2;
    } else {
        rec.time_status = VAR_dec_time("", &rec.time);
        rec.level_status = VAR_dec_level("", &rec.level_type, &rec.level);
    }

    std::string name = fields[name_at];
    const bool plain = !name.empty() && name[0] == '+';
    if (plain) name.erase(0, 1);
    const int word_type = VAR_dec_type(name.c_str());
    if (word_type >= 0) rec.type = word_type;
    if (lookup && !plain && !name.empty()) {
        copy_view(rec.name, name);
        const int first = expand(name, rec, fields, name_at + 1);
        if (first >= 0) return first;
        VAR_data_init(&g.vars[index]);  // the failed expansion may have used the slot
        return add_term(term, false, role);
    }
    g.decoding_function = role == kVarFunction || role == kVarSubFunction;
    VAR_dec_var(name.c_str(), &rec);
    g.decoding_function = false;
    apply_fields(rec, fields, name_at + 1);
    ++g.num;
    return index;
}

std::size_t find_close(std::string_view text, std::size_t open_at, char open, char close) {
    int level = 0;
    for (std::size_t i = open_at; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == open) {
            ++level;
        } else if (text[i] == close && --level == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

const char* unmatched(char c) {
    switch (c) {
    case '(': case ')': return "Unmatched ()\n";
    case '{': case '}': return "Unmatched {}\n";
    case '<': case '>': return "Unmatched <>\n";
    default: return "Unmatched []\n";
    }
}

bool is_vector_function(const char* name) {
    if (g.vect_func != nullptr && g.vect_func(name) != 0) return true;
    return g.math_func != nullptr && is_vector_type(g.math_func(name));
}

// name "(" args ")", name "{" list "}", name "<" components ">".
void construct(char open, const std::string& head, std::string_view inner, const std::string& suffix) {
    const std::string term = head + suffix;
    const char* name = head.c_str();
    const int inner_len = static_cast<int>(inner.size());
    int role = kVarGroup;
    if (open == '(') {
        MESS_print(kTrace, "Function %s ( %.*s )\n", name, inner_len, inner.data());
        role = g.func_count > 0 ? kVarSubFunction : kVarFunction;
    } else if (open == '{') {
        MESS_print(kTrace, "Group %s { %.*s }\n", name, inner_len, inner.data());
    } else {
        MESS_print(kTrace, "Vector %s < %.*s >\n", name, inner_len, inner.data());
        role = kVarVector;
    }
    const int index = add_term(term, false, role);
    if (index < 0) return;
    const VarRecord& rec = g.vars[index];
    if (open == '(' && g.num < kVarMax && is_vector_function(rec.name)) {
        MESS_print(kTrace, "VECT FUNC: %s\n", rec.name);
        VAR_copy(&g.vars[g.num], &rec);
        g.vars[g.num].flag = g.depth * 10 + (role == kVarFunction ? kVarFuncVector : kVarSubFuncVector);
        ++g.num;
    }
    g.bases.push_back(base_of(rec));
    const int depth = g.depth;
    int& counter = open == '(' ? g.func_count : open == '{' ? g.group_count : g.vect_count;
    ++counter;
    if (open != '{') ++g.depth;
    parse(inner);
    --counter;
    g.depth = depth;
    g.bases.pop_back();
}

int parse(std::string_view text) {
    MESS_print(kTrace, "VAR_process: %d|%d|%.*s|\n", g.depth, g.num, static_cast<int>(text.size()), text.data());
    std::string term;
    auto flush = [&term] {
        if (!term.empty()) VAR_process_var(term.c_str(), 1);
        term.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\') {
            term.append(text.substr(i, 2));
            i += 2;
        } else if (is_blank(c)) {
            ++i;
        } else if (c == ',') {
            flush();
            ++i;
        } else if (c == '(' || c == '{' || c == '<' || c == '[') {
            const char close = c == '(' ? ')' : c == '{' ? '}' : c == '<' ? '>' : ']';
            const std::size_t end = find_close(text, i, c, close);
            if (end == std::string_view::npos) {
                MESS_print(kTrace, "%s", unmatched(c));
                return g.num;
            }
            const std::string_view inner = text.substr(i + 1, end - i - 1);
            i = end + 1;
            if (c == '[' && !term.empty()) {  // part of a name: "ens[+1]temp"
                term.append(text.substr(end - inner.size() - 1, inner.size() + 2));
            } else if (c == '[') {
                MESS_print(kTrace, "Parameter [ %.*s ]\n", static_cast<int>(inner.size()), inner.data());
                g.params = without_blanks(inner);
            } else {
                std::string suffix;
                while (i < text.size() && text[i] != ',') {
                    if (text[i] == '\\' && i + 1 < text.size()) suffix += text[i++];
                    if (!is_blank(text[i])) suffix += text[i];
                    ++i;
                }
                construct(c, term, inner, suffix);
                term.clear();
            }
        } else if (c == ')' || c == '}' || c == '>' || c == ']') {
            MESS_print(kTrace, "%s", unmatched(c));
            return g.num;
        } else {
            term += c;
            ++i;
        }
    }
    flush();
    return g.num;
}

// ---------------------------------------------------------------- menu

bool test_holds(std::string_view test) {
    const std::string pattern(test.substr(std::min<std::size_t>(3, test.size())));
    if (istarts_with(test, "mo=")) return VAR_menu_display(pattern.c_str(), g.model) == 1;
    if (istarts_with(test, "ft=")) return VAR_menu_display(pattern.c_str(), g.time) == 1;
    if (istarts_with(test, "le=")) return VAR_menu_display(pattern.c_str(), g.level) == 1;
    return false;
}

// "1" always, "0" never, else alternatives "," of tests "&".
bool condition_holds(std::string_view cond) {
    if (cond == "1") return true;
    if (cond == "0" || cond.empty()) return false;
    while (true) {
        const std::size_t comma = cond.find(',');
        std::string_view alt = cond.substr(0, comma);
        bool all = !alt.empty();
        while (all && !alt.empty()) {
            const std::size_t amp = alt.find('&');
            all = test_holds(alt.substr(0, amp));
            alt = amp == std::string_view::npos ? std::string_view() : alt.substr(amp + 1);
        }
        if (all) return true;
        if (comma == std::string_view::npos) return false;
        cond.remove_prefix(comma + 1);
    }
}

std::string shown_label(std::string_view label) {
    std::string out(label);
    std::replace(out.begin(), out.end(), '_', ' ');
    return out;
}

MenuEntry* menu_table() {
    auto& m = g.menu;
    m.fill(MenuEntry{});
    m[0] = MenuEntry{"Back to previous menu", "back", 0, {1}};
    std::size_t k = 1;
    for (const auto& item : g.menu_items) m[k++] = MenuEntry{item.label, item.abbr, 1, {1}};
    m[k].label = nullptr;
    return m.data();
}

char* label_out(char* out, std::string_view text) {
    if (out == nullptr) return out;
    const std::size_t n = std::min(text.size(), kVarLabelSize - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return out;
}

// "centre:number name" or "number name"; comment lines begin with "#".
int name_lookup(const char* file, const char* who, int number, std::size_t width, Cache& cache, char* out) {
    const int centre = number > 1000 ? number / 1000 : kMissing;
    const int wanted = number > 1000 ? number % 1000 : number;
    if (cache.number == wanted && cache.centre == centre && cache.name[0] != '\0') {
        label_out(out, cache.name);
        return 1;
    }
    const std::string path = data_path(file);
    std::FILE* f = FILE_open(path.c_str(), "r");
    if (f == nullptr) {
        MESS_print(kWarn, "%s: Unable to open file: %s\n", who, path.c_str());
        return -1;
    }
    std::string line;
    int found = 0;
    while (found == 0 && read_line(f, line)) {
        std::string_view rest = line;
        const std::string_view numbers = next_word(rest);
        if (numbers.empty() || numbers.front() == '#') continue;
        const std::size_t colon = numbers.find(':');
        int line_centre = kMissing;
        int line_number = 0;
        if (colon != std::string_view::npos) {
            if (!to_int(numbers.substr(0, colon), &line_centre)) continue;
            if (!to_int(numbers.substr(colon + 1), &line_number)) continue;
        } else if (!to_int(numbers, &line_number)) {
            continue;
        }
        if (line_number != wanted) continue;
        if (!is_missing(line_centre) && !is_missing(centre) && line_centre != centre) continue;
        const std::string_view name = trim(rest).substr(0, width);
        cache.centre = centre;
        cache.number = wanted;
        copy_view(cache.name, name);
        label_out(out, cache.name);
        found = 1;
    }
    FILE_close(f);
    return found;
}

// The level of a field description, followed by a blank; none for unset levels.
std::string level_prefix(int type, int level) {
    if (is_missing(type) || type == 0) return {};
    char text[kVarLevelSize];
    return std::string(VAR_enc_level(type, level, text)) + " ";
}

}  // namespace

// ---------------------------------------------------------------- settings

int VAR_set_def_type(int type) {
    g.def_type = type;
    return 0;
}
int VAR_get_def_type() { return g.def_type; }
void VAR_set_model_str(const char* text) { copy_text(g.model, text); }
void VAR_set_time_str(const char* text) { copy_text(g.time, text); }
void VAR_set_level_str(const char* text) { copy_text(g.level, text); }
const char* VAR_get_model_str() { return g.model; }
const char* VAR_get_time_str() { return g.time; }
const char* VAR_get_level_str() { return g.level; }

void VAR_set_math_func(VarNameTest test) { g.math_func = test; }
void VAR_set_vect_func(VarNameTest test) { g.vect_func = test; }
void VAR_set_label_type_func(VarLabelType get) { g.label_type = get; }

// ---------------------------------------------------------------- parsing

int VAR_setup(const char* file, const char* spec) {
    std::string_view text = spec != nullptr ? spec : "";
    if (file != nullptr && *file != '\0') VAR_open_file(file);
    if (text.substr(0, 3) == "fi:") {
        text.remove_prefix(3);
        const std::size_t colon = text.find(':');
        VAR_open_file(std::string(text.substr(0, colon)).c_str());
        text = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    }
    VAR_reset();
    Base base;
    base.type = FLAG_get(kFlagPlotType);
    base.time_status = VAR_dec_time("", &base.time);
    base.level_status = VAR_dec_level("", &base.level_type, &base.level);
    g.bases.push_back(base);
    parse(text);
    g.bases.clear();
    g.params.clear();
    const auto used = g.vars.begin() + g.num;
    return std::any_of(g.vars.begin(), used, [](const VarRecord& r) { return r.flag >= 0; }) ? 1 : 0;
}

int VAR_process(const char* text) { return parse(text != nullptr ? text : ""); }

int VAR_process_var(const char* term, int lookup) {
    if (term == nullptr || *term == '\0') return -1;
    MESS_print(kTrace, "Variable %s\n", term);
    return add_term(term, lookup != 0, plain_role());
}

int VAR_dec_var(const char* name, VarRecord* rec) {
    if (rec == nullptr) return -1;
    copy_text(rec->name, name);
    const std::string_view n = rec->name;
    const int slot = FLAG_get(kFlagPlotType);
    const bool in_operand = g.func_count + g.vect_count > 0;
    const int base_type = g.bases.empty() ? kMissing : g.bases.back().type;
    const int math = !n.empty() && g.decoding_function && g.math_func != nullptr ? g.math_func(rec->name) : 0;
    if (!n.empty() && n[0] == '#') {
        rec->type = kTypeConst;
    } else if (math != 0) {
        rec->type = function_type(math, slot);
    } else if (rec->flag % 10 == kVarVector) {
        rec->type = is_grid_type(slot) ? slot : kTypeGrid;
    } else if (in_operand && is_grid_type(base_type)) {
        rec->type = is_forced_type(slot) ? slot : kTypeGrid;
    } else if (is_forced_type(slot)) {
        rec->type = slot;
    } else if (is_missing(rec->type)) {
        rec->type = g.def_type;
    }
    MESS_print(kTrace, "DATA TYPE: %d\n", rec->type);
    if (!n.empty() && n[0] != '#') match_lookup(n, rec);
    return rec->type;
}

int VAR_dec_time(const char* text, int* code) {
    if (code == nullptr) return 0;
    const std::string_view all = text != nullptr ? text : "";
    const std::size_t dash = all.find('-', 1);
    const std::string_view part = all.substr(0, dash);
    bool has_n = false;
    int n = 0;
    std::string_view suffix;
    if (dash != std::string_view::npos) {
        const char* start = text + dash + 1;
        char* end = nullptr;
        const long v = std::strtol(start, &end, 10);
        if (end != start && v >= 0 && v <= 999) {
            has_n = true;
            n = static_cast<int>(v);
            suffix = std::string_view(end);
        }
    }
    // Without a current hour, "time" stands for the initial time.
    const int hour = FLAG_get(kFlagHour);
    const int current = is_missing(hour) ? 0 : hour;
    const int current_status = is_missing(hour) ? 2 : 1;
    // An explicit hour, or a range ending at it when "-n" and a suffix follow.
    auto finish = [&](int end_hour, int status) {
        if (!has_n || suffix.empty()) {
            *code = end_hour;
            return status;
        }
        return range_code(range_kind(suffix), end_hour - n, end_hour, code) ? status : 0;
    };
    if (part.empty()) {
        if (!g.bases.empty() && g.bases.back().time_status != 0) {
            *code = g.bases.back().time;
            return 1;
        }
        *code = current;
        return current_status;
    }
    if (part == "time") {
        if (has_n && suffix.empty()) {
            *code = current - n;
            return current_status;
        }
        return finish(current, current_status);
    }
    if (part == "miss") {
        *code = kMissing;
        return 2;
    }
    if (part == "init" || part == "in" || part == "anal") {
        if (part == "anal" && has_n && !suffix.empty()) return range_code(range_kind(suffix), n, 0, code) ? 2 : 0;
        *code = 0;
        return 2;
    }
    int hours = 0;
    if (!word_hours(part, &hours)) return 0;
    return finish(hours, 2);
}

int VAR_dec_level(const char* text, int* type, int* level) {
    int t = kMissing;
    int l = kMissing;
    const char* s = text != nullptr ? text : "";
    const int status = decode_level(s, &t, &l);
    if (type != nullptr) *type = t;
    if (level != nullptr) *level = l;
    MESS_print(kTrace, "Level: %s = %d %ld\n", s, t, static_cast<long>(l));
    return status;
}

char* VAR_enc_level(int type, int level, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return out;
    if (is_missing(type)) {
        std::snprintf(out, size, "miss");
        return out;
    }
    if (type == 0) {
        std::snprintf(out, size, "none");
        return out;
    }
    for (const auto& n : kNamedLevels)
        if (n.type == type) {
            std::snprintf(out, size, "%s", n.name);
            return out;
        }
    for (const auto& form : kLayers)
        if (form.layer == type) {
            const double a = (level / 1000) * form.text_scale;
            const double b = (level % 1000) * form.text_scale;
            std::snprintf(out, size, "%.10g-%.10g%s", a, b, form.unit);
            return out;
        }
    for (const auto& u : kLevelUnits)
        if (u.type == type && u.word[0] != '\0') {
            std::snprintf(out, size, "%.10g%s", level / u.factor, u.word);
            return out;
        }
    std::snprintf(out, size, "%d_%d", type, level);
    return out;
}

int VAR_enc_level(int type, int* out_type, int* out_level, float value1, float value2) {
    int t = kMissing;
    int l = kMissing;
    const int r = encode_level(type, &t, &l, value1, value2, !is_missing(value2));
    if (out_type != nullptr) *out_type = t;
    if (out_level != nullptr) *out_level = l;
    return r;
}

int VAR_get_level(int type, int level, float* first, float* second) {
    float a = static_cast<float>(level);
    float b = kMissingF;
    int layer = 0;
    if (type == 101 || type == 104 || type == 106 || type == 114 || type == 116) {
        const float scale = type == 101 ? 10.0F : type == 114 || type == 116 ? 1.0F : 100.0F;
        a = static_cast<float>(level / 1000) * scale;
        b = static_cast<float>(level % 1000) * scale;
        if (a < b) std::swap(a, b);
        layer = 1;
    }
    if (first != nullptr) *first = a;
    if (second != nullptr) *second = b;
    return layer;
}

int VAR_dec_type(const char* word) {
    if (word == nullptr) return -1;
    for (const auto& t : kReadTypes)
        if (iequals(word, t.word)) return t.code;
    return -1;
}

const char* VAR_print_type(int code) {
    for (const auto& t : kPrintTypes)
        if (t.code == code) return t.word;
    return "----";
}

int VAR_dec_units(const char* text, VarRecord* record) {
    if (text == nullptr || *text == '\0' || record == nullptr) return 0;
    const int type = VAR_dec_type(text);
    if (type >= 0) {
        record->type = type;
        return 2;
    }
    copy_text(record->units, text);
    return 1;
}

int VAR_dec_format(const char* word, int* type) {
    if (type == nullptr) return 0;
    const int code = VAR_dec_type(word);
    if (code >= 0) {
        *type = code;
        return 2;
    }
    const int slot = FLAG_get(kFlagPlotType);
    const int t = *type;
    if (t == 20 || t == 21 || t == 23 || t == 30 || is_missing(slot) || slot == 0 || slot == 99) return 0;
    *type = kTypeCont;
    return 1;
}

// ---------------------------------------------------------------- access

VarRecord* VAR_get_vars() { return g.vars.data(); }
VarRecord* VAR_get_var(int i) { return i >= 0 && i < kVarMax ? &g.vars[i] : nullptr; }
int VAR_get_num() { return g.num; }
int VAR_set_num(int n) {
    g.num = std::clamp(n, 0, kVarMax);
    return g.num;
}
void VAR_reset() {
    VAR_init();
    g.num = 0;
    g.depth = g.func_count = g.group_count = g.vect_count = 0;
    g.bases.clear();
    g.expanding.clear();
    g.params.clear();
}
const char* VAR_get_name(int i) { return record(i) != nullptr ? record(i)->name : ""; }
int VAR_get_time(int i) { return record(i) != nullptr ? record(i)->time : kMissing; }
const char* VAR_get_time_key(int i) {
    std::snprintf(g.key, sizeof g.key, "%d", VAR_get_time(i));
    return g.key;
}
const char* VAR_get_level_key(int i) {
    std::snprintf(g.key, sizeof g.key, "%d", record(i) != nullptr ? record(i)->level : kMissing);
    return g.key;
}
int VAR_get_type(int i) { return record(i) != nullptr ? record(i)->type : kMissing; }
int VAR_set_type(int i, int type) {
    if (record(i) == nullptr) return -1;
    g.vars[i].type = type;
    return type;
}
int VAR_get_flag(int i) { return record(i) != nullptr ? record(i)->flag : -1; }
int VAR_set_flag(int i, int flag) {
    if (record(i) == nullptr) return -1;
    g.vars[i].flag = flag;
    return flag;
}
const char* VAR_get_units(int i) { return record(i) != nullptr ? record(i)->units : ""; }
const char* VAR_get_format(int i) { return record(i) != nullptr ? record(i)->format : ""; }

void VAR_data_init(VarRecord* r) {
    if (r == nullptr) return;
    *r = VarRecord{};
    r->type = kMissing;
    std::fill(std::begin(r->ids), std::end(r->ids), kMissing);
    r->time = kMissing;
    r->level_type = kMissing;
    r->level = kMissing;
}

void VAR_init() {
    for (auto& v : g.vars) VAR_data_init(&v);
}

void VAR_copy(VarRecord* to, const VarRecord* from) {
    if (to != nullptr && from != nullptr && to != from) *to = *from;
}

// ---------------------------------------------------------------- tests on records

int VAR_is_REG(int i) { return role_of(i) == kVarRegular; }
int VAR_is_SUBREG(int i) { return role_of(i) == kVarSubRegular; }
int VAR_is_FUNC(int i) { return role_of(i) == kVarFunction; }
int VAR_is_SUBFUNC(int i) { return role_of(i) == kVarSubFunction; }
int VAR_is_COMP(int i) { return role_of(i) == kVarGroup; }
int VAR_is_VECT(int i) { return role_of(i) == kVarVector; }
int VAR_is_FUNC_VECT(int i) {
    const int r = role_of(i);
    return r == kVarFuncVector || (r == kVarFunction && i + 1 < g.num && role_of(i + 1) == kVarFuncVector);
}
int VAR_is_SUBFUNC_VECT(int i) {
    const int r = role_of(i);
    return r == kVarSubFuncVector || (r == kVarSubFunction && i + 1 < g.num && role_of(i + 1) == kVarSubFuncVector);
}
int VAR_is_PLOT(int i) { return record(i) != nullptr && record(i)->flag < 5; }
int VAR_is_SUBPLOT(int i) {
    const VarRecord* r = record(i);
    return r != nullptr && (r->flag < 3 || r->flag == 10);
}
int VAR_is_SUBCALC(int i) {
    const int r = role_of(i);
    return r == kVarRegular || r == kVarSubRegular;
}
int VAR_is_CALC(int i) { return VAR_is_SUBCALC(i); }
int VAR_is_LABEL(int i) {
    const VarRecord* r = record(i);
    return r != nullptr && (r->flag == 0 || r->flag == 2 || r->flag == 5 || r->flag == 6);
}
int VAR_is_DATA(int i) {
    const VarRecord* r = record(i);
    return r != nullptr && r->flag <= 10 && !is_vector_type(r->type);
}
int VAR_is_plot_VECT(int i) { return VAR_is_VECT(i) && VAR_get_flag(i) <= 9; }
int VAR_is_plot_FUNC(int i) { return VAR_is_FUNC(i) && VAR_get_flag(i) <= 9; }
int VAR_is_plot_FUNC_VECT(int i) { return VAR_is_FUNC_VECT(i) && VAR_get_flag(i) <= 9; }
int VAR_is_type_MAP(int i) { return VAR_get_type(i) == kTypeMap; }
int VAR_is_FRAME(int i) { return VAR_get_type(i) == kTypeFrame; }
int VAR_is_PANEL(int i) { return VAR_get_type(i) == kTypePanel; }
int VAR_is_type_CONT(int i) { return in_range(VAR_get_type(i), 10, 17); }
int VAR_is_plot_CONT(int i) { return in_range(VAR_get_type(i), 11, 17); }
int VAR_is_type_VECT(int i) { return is_vector_type(VAR_get_type(i)); }
int VAR_is_type_GRID(int i) { return is_grid_type(VAR_get_type(i)) && role_of(i) < 4; }
int VAR_is_plot_GRID(int i) { return is_grid_type(VAR_get_type(i)) && VAR_is_PLOT(i); }
int VAR_is_subplot_GRID(int i) { return in_range(VAR_get_type(i), 11, 23) && VAR_is_SUBPLOT(i); }
int VAR_is_type_PLOT(int i) {
    const int t = VAR_get_type(i);
    return record(i) != nullptr && !in_range(t, 6, 8) && !is_grid_type(t);
}
int VAR_is_calc_GRID(int i) { return (VAR_is_FUNC(i) || VAR_is_SUBFUNC(i)) && is_grid_type(VAR_get_type(i)); }
int VAR_is_fit_GRID(int i) { return VAR_is_SUBCALC(i) && is_grid_type(VAR_get_type(i)); }
int VAR_is_get_GRID(int i) {
    const int r = role_of(i);
    const bool function = r == kVarFunction || r == kVarSubFunction || r == kVarFuncVector || r == kVarSubFuncVector;
    return r >= 0 && !function && is_grid_type(VAR_get_type(i));
}
int VAR_is_plot_PLOT(int i) { return VAR_is_PLOT(i) && is_station_type(VAR_get_type(i)); }

// ---------------------------------------------------------------- output

void VAR_print(unsigned level, const VarRecord* r) {
    if (r == nullptr) return;
    MESS_print(level, "V: %-10s U: %-10s FH: %7ld LT: %6d L: %7ld VN: %6d T: %5s F: %2d FM: %s\n", r->name, r->units,
               static_cast<long>(r->time), r->level_type, static_cast<long>(r->level), r->ids[0],
               VAR_print_type(r->type), r->flag, r->format);
}

void VAR_print_all(unsigned level) {
    for (int i = 0; i < g.num; ++i) VAR_print(level, &g.vars[i]);
}

// ---------------------------------------------------------------- files and menus

int VAR_open_file(const char* name) {
    const std::string file = name != nullptr && *name != '\0' ? std::string(name) : program_name() + ".var";
    const std::string path = data_path(file);
    std::FILE* f = FILE_open(path.c_str(), "r");
    if (f == nullptr) {
        MESS_print(kWarn, "VAR_open_file: Unable to open var file: %s\n", path.c_str());
        return -1;
    }
    if (g.def_file != nullptr) FILE_close(g.def_file);
    g.def_file = f;
    copy_view(g.def_name, path);
    return 0;
}

int VAR_lookup(const char* name, char* definition, std::size_t size) {
    if (name == nullptr || definition == nullptr || size == 0 || g.def_file == nullptr) return 0;
    std::rewind(g.def_file);
    DefLine d;
    while (next_def_line(g.def_file, d)) {
        if (d.abbr != name) continue;
        if (d.definition.empty()) return 0;
        strntcpy(definition, d.definition.c_str(), size);
        return 1;
    }
    return 0;
}

int VAR_read_varfile() {
    g.lookup.clear();
    g.lookup_read = true;
    const std::string path = data_path("variable.lup");
    std::FILE* f = FILE_open(path.c_str(), "r");
    if (f == nullptr) {
        MESS_print(kWarn, "VAR_read_varfile: Unable to open file: %s\n", path.c_str());
        return -1;
    }
    std::string line;
    while (static_cast<int>(g.lookup.size()) < kVarLookupMax && read_line(f, line)) {
        std::string_view rest = line;
        std::string_view ids = next_word(rest);
        const std::string_view abbr = next_word(rest);
        if (abbr.empty() || ids.front() == '#') continue;
        LookupEntry e;
        e.ids.fill(kMissing);
        for (int& id : e.ids) {
            const std::size_t comma = ids.find(',');
            if (!to_int(ids.substr(0, comma), &id)) id = kMissing;
            if (comma == std::string_view::npos) break;
            ids.remove_prefix(comma + 1);
        }
        copy_view(e.abbr, abbr);
        copy_view(e.desc, trim(rest));
        g.lookup.push_back(e);
    }
    FILE_close(f);
    return static_cast<int>(g.lookup.size());
}

int VAR_read_menu() {
    g.menu_items.clear();
    if (g.def_file == nullptr) return 0;
    std::rewind(g.def_file);
    DefLine d;
    while (static_cast<int>(g.menu_items.size()) < kVarMenuMax && next_def_line(g.def_file, d)) {
        if (!condition_holds(d.condition)) continue;
        MenuItem item;
        copy_view(item.abbr, d.abbr);
        copy_view(item.label, shown_label(d.label));
        g.menu_items.push_back(item);
    }
    return static_cast<int>(g.menu_items.size());
}

const MenuEntry* VAR_get_menu() { return menu_table(); }

int VAR_menu(const char* title, const char* prompt, char* reply, int mode) {
    if (reply == nullptr) return -9999;
    if (FLAG_batch() != 0) {
        strntcpy(reply, g.menu_items.empty() ? "def" : g.menu_items.front().abbr, sizeof(MenuItem::abbr));
        return 1;
    }
    const MenuEntry* table = menu_table();
    int result = 0;
    do {
        result = MENU_process(title, table, 0, prompt, reply, mode);
        if (iequals(reply, "list")) VAR_print_file();
    } while (iequals(reply, "list"));
    if (result > 0) VAR_setup(nullptr, reply);
    return result;
}

int VAR_print_file() {
    if (g.def_file == nullptr) return -1;
    std::rewind(g.def_file);
    MESS_print(15, " Abbr    Description\n");
    DefLine d;
    int count = 0;
    while (next_def_line(g.def_file, d)) {
        MESS_print(15, "%-8s %-50s\n", d.abbr.c_str(), shown_label(d.label).c_str());
        ++count;
    }
    return count;
}

int VAR_menu_display(const char* pattern, const char* text) {
    if (pattern == nullptr || text == nullptr) return 0;
    return pattern_match(pattern, text) ? 1 : 0;
}

// ---------------------------------------------------------------- labels

int VAR_model(char* out, int model) {
    return name_lookup("mod_name.lup", "VAR_model", model, kVarLabelSize - 1, g.model_cache, out);
}

int VAR_source(char* out, int source) {
    return name_lookup("source.lup", "VAR_source", source, 40, g.source_cache, out);
}

char* VAR_str(char* out, int id, const char* units) {
    if (out == nullptr) return out;
    const LookupEntry* e = entry_by_id(id % 1000);
    std::string text;
    if (e == nullptr) {
        MESS_print(kTrace, "VAR_str: no var: %d\n", id);
        text = "v" + std::to_string(id);
    } else {
        const bool abbreviate = g.label_type != nullptr && g.label_type() < 0;
        text = abbreviate ? e->abbr : e->desc;
    }
    if (units != nullptr && *units != '\0') text += std::string(" (") + units + ")";
    return label_out(out, text);
}

char* VAR_abbr(char* out, int id) {
    if (out == nullptr) return out;
    const LookupEntry* e = entry_by_id(id % 1000);
    if (e == nullptr) MESS_print(kTrace, "VAR_abbr: no var: %d\n", id);
    return label_out(out, e != nullptr ? e->abbr : "");
}

int VAR_search_var_num(const char* abbr) {
    if (abbr == nullptr) return 0;
    const LookupEntry* e = entry_by_abbr(abbr);
    return e != nullptr ? e->ids[0] : 0;
}

char* VAR_time(char* out, int code) {
    if (out == nullptr) return out;
    char text[kVarLabelSize];
    if (code >= 2000000) {
        const int kind = code / 1000000;
        const int start = code / 1000 % 1000;
        const int end = code % 1000;
        std::snprintf(text, sizeof text, "%dhr-%d%s", end, kind < 10 ? end - start : end, range_word(kind));
    } else if (code == 0) {
        std::snprintf(text, sizeof text, "init");
    } else {
        std::snprintf(text, sizeof text, "%dhr", code);
    }
    return label_out(out, text);
}

char* VAR_make_datatype(int /*hour*/, int level_type, int level, int variable, const char* units, char* info) {
    if (info == nullptr) return info;
    char label[kVarLabelSize];
    const std::string text = level_prefix(level_type, level) + VAR_str(label, variable, units);
    return strntcpy(info, text.c_str(), kVarInfoSize);
}

char* VAR_make_var_datatype(int i, char* info) {
    if (info == nullptr) return info;
    const VarRecord* r = record(i);
    if (r == nullptr) return strntcpy(info, "", kVarInfoSize);
    if (!is_missing(r->ids[0])) return VAR_make_datatype(r->time, r->level_type, r->level, r->ids[0], r->units, info);
    std::string text = level_prefix(r->level_type, r->level) + r->name;
    if (r->units[0] != '\0') text += std::string(" (") + r->units + ")";
    return strntcpy(info, text.c_str(), kVarInfoSize);
}

void VAR_reset_for_tests() {
    if (g.def_file != nullptr) FILE_close(g.def_file);
    g.def_file = nullptr;
    g = VarState{};
}

}  // namespace orv
