#include "core/unittool.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"
#include "core/tools.hpp"

namespace orv {
namespace {

constexpr unsigned kTraceLevel = 0x40000000U;
constexpr unsigned kDebugLevel = 0x80000000U;
constexpr std::size_t kUnitBuf = kUnitMaxChars + 1;
constexpr const char* kUnitsFile = "units.lup";

struct Factors {
    double in_scale = 1.0;
    double factor = 1.0;
    double offset = 0.0;
    double out_scale = 1.0;
};

struct UnitState {
    bool cached = false;
    char from[kUnitBuf] = "";
    char to[kUnitBuf] = "";
    Factors factors;
};
UnitState g;

// A unit text split into its scale and its base unit ("_" for blanks).
struct ScaledUnit {
    double scale = 1.0;
    char base[kUnitBuf] = "";
};

enum class Side { kInput, kOutput, kQuiet };

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Length of a number at s (sign, digits, point, exponent), 0 when there is none.
int number_length(const char* s) {
    int i = 0;
    if (s[i] == '-' || s[i] == '+') ++i;
    int digits = 0;
    while (is_digit(s[i])) { ++i; ++digits; }
    if (s[i] == '.') {
        ++i;
        while (is_digit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (s[i] == 'e' || s[i] == 'E') {
        int j = i + 1;
        if (s[j] == '-' || s[j] == '+') ++j;
        if (is_digit(s[j])) {
            while (is_digit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

const char* skip_blanks(const char* s) {
    while (*s == ' ' || *s == '\t') ++s;
    return s;
}

ScaledUnit split_scale(const char* text, Side side) {
    ScaledUnit u;
    const char* rest = text;
    const int n = number_length(text);
    const int m = n > 0 && text[n] == '^' ? number_length(text + n + 1) : 0;
    const bool traced = side != Side::kQuiet && MESS_check(kTraceLevel) != 0;
    const char* tag = side == Side::kInput ? "ISC" : "OSC";
    if (m > 0) {
        const double a = std::strtod(text, nullptr);
        const double b = std::strtod(text + n + 1, nullptr);
        u.scale = std::pow(a, b);
        rest = skip_blanks(text + n + 1 + m);
        if (traced && side == Side::kInput)
            MESS_print(kTraceLevel, "ISC^: %f^%f %f %s\n", a, b, u.scale, rest);
        else if (traced)
            MESS_print(kTraceLevel, "OSC^: %f^%f %f %s %d %d %s\n", a, b, u.scale, rest,
                       static_cast<int>(rest - text), static_cast<int>(std::strlen(text)), text);
    } else if (n > 0 && (text[n] == ' ' || text[n] == '\t')) {
        u.scale = std::strtod(text, nullptr);
        rest = skip_blanks(text + n);
        if (traced) MESS_print(kTraceLevel, "%s: %f %s\n", tag, u.scale, rest);
    } else if (text[0] == '-') {
        u.scale = -1.0;
        rest = text + 1;
        if (traced) MESS_print(kTraceLevel, "%s-: %f %s\n", tag, u.scale, rest);
    }
    copy_text(u.base, rest);
    fill_string(u.base, ' ', '_');
    return u;
}

// A unit text as used in a conversion: at most 14 characters, "_" read as a blank.
void copy_unit(char (&out)[kUnitBuf], const char* text) {
    copy_text(out, text);
    fill_string(out, '_', ' ');
}

// Factor and offset of a formula "*f+o" (either part may be absent).
void parse_formula(const std::string& formula, double* factor, double* offset) {
    *factor = 1.0;
    *offset = 0.0;
    const char* p = formula.c_str();
    if (*p == '*') {
        char* end = nullptr;
        *factor = std::strtod(p + 1, &end);
        p = end;
    }
    if (*p == '+' || *p == '-') {
        *offset = std::strtod(p, nullptr);
        MESS_print(kTraceLevel, *p == '+' ? "OF: %f %s\n" : "OF-: %f %s\n", *offset, formula.c_str());
    }
}

// The first three words of a line.
int split_words(std::string_view line, std::string (&words)[3]) {
    int count = 0;
    std::size_t i = 0;
    while (count < 3) {
        i = line.find_first_not_of(" \t\r\n", i);
        if (i == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t\r\n", i), line.size());
        words[count++] = std::string(line.substr(i, end - i));
        i = end;
    }
    return count;
}

std::string units_file_name() {
    std::string path = orv_file_path();
    if (!path.empty() && path.back() != '/') path += '/';
    return path + kUnitsFile;
}

// Looks the pair of base units up in the units file: false without a file.
bool look_up(const char* from, const char* to, double* factor, double* offset) {
    *factor = 1.0;
    *offset = 0.0;
    const std::string name = units_file_name();
    std::FILE* file = std::fopen(name.c_str(), "r");
    if (file == nullptr) {
        MESS_print(kDebugLevel, "Unable to open units file: %s\n", name.c_str());
        return false;
    }
    char line[512];
    std::string words[3];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (line[0] == '#') continue;
        if (split_words(line, words) < 2) continue;
        if (stricmp(words[0].c_str(), from) != 0 || stricmp(words[1].c_str(), to) != 0) continue;
        parse_formula(words[2], factor, offset);
        MESS_print(kTraceLevel, "%s %s %s %f %f\n", words[0].c_str(), words[1].c_str(), words[2].c_str(), *factor,
                   *offset);
        break;
    }
    std::fclose(file);
    return true;
}

float apply(const Factors& f, float value) {
    return static_cast<float>((value * f.in_scale * f.factor + f.offset) / f.out_scale);
}

}  // namespace

float UNIT_cvt(const char* from, const char* to, float value) {
    if (is_missing(value)) return value;
    char in_text[kUnitBuf];
    char out_text[kUnitBuf];
    copy_unit(in_text, from);
    copy_unit(out_text, to);
    if (stricmp(in_text, out_text) == 0 || (in_text[0] != '\0' && out_text[0] == '\0')) return value;
    if (g.cached && std::strcmp(in_text, g.from) == 0 && std::strcmp(out_text, g.to) == 0)
        return apply(g.factors, value);

    const ScaledUnit in = split_scale(in_text, Side::kInput);
    const ScaledUnit out = split_scale(out_text, Side::kOutput);
    Factors f;
    f.in_scale = in.scale;
    f.out_scale = out.scale;
    if (stricmp(in.base, out.base) == 0) {
        MESS_print(kTraceLevel, "SC: %f %s\n", in.scale / out.scale, in.base);
    } else if (!look_up(in.base, out.base, &f.factor, &f.offset)) {
        return 0.0F;
    }
    g.cached = true;
    copy_text(g.from, in_text);
    copy_text(g.to, out_text);
    g.factors = f;
    return apply(f, value);
}

char* UNIT_scale(const char* units, const char* suffix, char* out, float value, std::size_t size) {
    char text[kUnitBuf];
    copy_unit(text, units);
    const ScaledUnit u = split_scale(text, Side::kQuiet);
    std::snprintf(out, size, "%.0e %s%s", value * u.scale, u.base, suffix != nullptr ? suffix : "");
    return out;
}

int UNIT_parse(const char* text, char* name, std::size_t name_size, char* units, std::size_t units_size) {
    strntcpy(name, "", name_size);
    strntcpy(units, "", units_size);
    if (text == nullptr || *text == '\0') return -1;
    const std::string_view t(text);
    const std::size_t open = t.find('(');
    if (open == 0) return 0;
    std::string head(t.substr(0, open));
    while (!head.empty() && head.back() == ' ') head.pop_back();
    strntcpy(name, head.c_str(), name_size);
    if (open == std::string_view::npos || open + 1 >= t.size() || t[open + 1] == ')') return 1;
    const std::size_t close = t.find(')', open + 1);
    strntcpy(units, std::string(t.substr(open + 1, close == t.npos ? t.npos : close - open - 1)).c_str(), units_size);
    return 2;
}

char* UNIT_change(char* text, std::size_t size, const char* units) {
    char name[kUnitNameSize];
    char old_units[kUnitNameSize];
    UNIT_parse(text, name, sizeof name, old_units, sizeof old_units);
    std::snprintf(text, size, "%s (%s)", name, units != nullptr ? units : "");
    return text;
}

void UNIT_reset_for_tests() { g = UnitState{}; }

}  // namespace orv
