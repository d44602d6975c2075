#include "core/var_tool.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/flag.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"

namespace orv {
namespace {
struct VarState {
    int def_type = 2;
    char model[kVarTextMax + 1] = "";
    char time[kVarTextMax + 1] = "";
    char level[kVarTextMax + 1] = "";
};
VarState g;

int range_kind(std::string_view suffix) {
    struct Kind { const char* name; int kind; };
    static constexpr Kind kinds[] = {{"rng", 2}, {"avg", 3}, {"acc", 4}, {"dif", 5}, {"max", 6},
                                     {"min", 7}, {"iavg", 13}, {"var", 18}, {"uavg", 23}};
    for (const auto& k : kinds)
        if (suffix == k.name) return k.kind;
    return 2;
}

int range_code(int kind, int start, int end) { return kind * 1000000 + start * 1000 + end; }

// Hours of a plain time word: "h24", "d2", "e1", "36", "2day", "1.5day", "3e".
bool word_hours(std::string_view w, int* hours) {
    if (w.empty()) return false;
    int scale = 1;
    int extra = 0;
    if (w[0] == 'h' || w[0] == 'd' || w[0] == 'e') {
        scale = w[0] == 'h' ? 1 : 24;
        extra = w[0] == 'e' ? 12 : 0;
        w.remove_prefix(1);
        if (w.empty() || !std::all_of(w.begin(), w.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return false;
    }
    std::size_t digits = 0;
    while (digits < w.size() && std::isdigit(static_cast<unsigned char>(w[digits]))) ++digits;
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
}  // namespace

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

int VAR_dec_time(const char* text, int* code) {
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
        if (end != start) {
            has_n = true;
            n = static_cast<int>(v);
            suffix = std::string_view(end);
        }
    }
    const int current = FLAG_get(kFlagHour);
    auto finish = [&](int end_hour, int status) {
        if (has_n && !suffix.empty())
            *code = range_code(range_kind(suffix), end_hour - n, end_hour);
        else
            *code = end_hour;
        return status;
    };
    if (part.empty()) {
        if (is_missing(current)) {
            *code = 0;
            return 2;
        }
        *code = current;
        return 1;
    }
    if (part == "time") {
        if (has_n && suffix.empty()) {
            *code = current - n;
            return 1;
        }
        return finish(current, 1);
    }
    if (part == "miss") {
        *code = kMissing;
        return 2;
    }
    if (part == "init" || part == "in" || part == "anal") {
        *code = part == "anal" && has_n && !suffix.empty() ? range_code(range_kind(suffix), n, 0) : 0;
        return 2;
    }
    int hours = 0;
    if (!word_hours(part, &hours)) return 0;
    return finish(hours, 2);
}

int VAR_menu_display(const char* pattern, const char* text) {
    if (pattern == nullptr || text == nullptr) return 0;
    return pattern_match(pattern, text) ? 1 : 0;
}

void VAR_reset_for_tests() { g = VarState{}; }

}  // namespace orv
