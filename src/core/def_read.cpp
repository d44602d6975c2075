#include "core/def_read.hpp"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"

namespace orv {
namespace {

constexpr int kLevelFalse = 0;
constexpr int kLevelTrue = 1;
constexpr int kLevelTaken = 99;  // a branch of this block was already taken

struct DefState {
    std::FILE* file = nullptr;
    std::vector<std::string> tags;
    std::array<int, kDefMaxLevels> levels{};
    int depth = 0;
    int overflow = 0;  // blocks nested deeper than the stack; all of them skipped
    bool match = true;
    char title[kDefTitleSize] = "";
    char progname[kDefTitleSize] = "Orv";
};
DefState g;

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Reads one line; keeps at most kDefLineSize - 1 characters and drops the
// rest of an over-long line. False at the end of the file.
bool read_line(std::FILE* f, char* line) {
    std::size_t n = 0;
    int c = std::getc(f);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(f))
        if (n + 1 < kDefLineSize) line[n++] = static_cast<char>(c);
    line[n] = '\0';
    return true;
}

// The next blank-separated word from *p, advancing *p past it.
std::string_view next_word(const char** p) {
    const char* s = *p;
    while (*s != '\0' && is_space(*s)) ++s;
    const char* start = s;
    while (*s != '\0' && !is_space(*s)) ++s;
    *p = s;
    return {start, static_cast<std::size_t>(s - start)};
}

bool tag_defined(std::string_view tag) {
    const std::string t(tag);
    for (const auto& have : g.tags)
        if (stricmp(have.c_str(), t.c_str()) == 0) return true;
    return false;
}

void update_match() {
    g.match = g.overflow == 0;
    for (int i = 0; i < g.depth && g.match; ++i) g.match = g.levels[i] == kLevelTrue;
}

void push_level(bool value) {
    if (g.depth < kDefMaxLevels)
        g.levels[g.depth++] = value ? kLevelTrue : kLevelFalse;
    else
        ++g.overflow;
}

bool no_open_level(const char* message) {
    if (g.depth > 0 || g.overflow > 0) return false;
    MESS_print(192, "%s", message);
    return true;
}

// Handles a directive line; false when the first word is not a directive.
bool directive(std::string_view word, std::string_view tag) {
    const bool has_tag = !tag.empty();
    if (word == "DEF") {
        if (has_tag) DEF_tag(std::string(tag).c_str());
    } else if (word == "UNDEF") {
        if (has_tag)
            for (auto it = g.tags.begin(); it != g.tags.end(); ++it)
                if (stricmp(it->c_str(), std::string(tag).c_str()) == 0) {
                    g.tags.erase(it);
                    break;
                }
    } else if (word == "IF" && has_tag) {
        push_level(tag_defined(tag));
    } else if (word == "ELIF" && has_tag) {
        if (no_open_level("DEF_get: elif without an if\n") || g.overflow > 0) return true;
        int& top = g.levels[g.depth - 1];
        top = top != kLevelFalse ? kLevelTaken : (tag_defined(tag) ? kLevelTrue : kLevelFalse);
    } else if (word == "ELSE") {
        if (no_open_level("DEF_get: else without an if\n") || g.overflow > 0) return true;
        int& top = g.levels[g.depth - 1];
        top = top != kLevelFalse ? kLevelTaken : kLevelTrue;
    } else if (word == "END") {
        if (no_open_level("DEF_get: end without an if\n")) return true;
        if (g.overflow > 0)
            --g.overflow;
        else
            --g.depth;
    } else {
        return false;
    }
    update_match();
    return true;
}

// Resource line: the value is the second word, or the text between double
// quotes when the second word begins with one.
void split_resource(std::string_view name_word, const char* rest, std::string_view value_word,
                    char* name, char* value) {
    const std::size_t n = std::min(name_word.size(), kDefNameSize - 1);
    std::memcpy(name, name_word.data(), n);
    name[n] = '\0';
    low_string(name);
    const std::size_t len = std::strlen(name);
    if (len > 0 && name[len - 1] == ':') name[len - 1] = '\0';

    std::string_view v = value_word;
    if (v.front() == '"') {
        const char* open = std::strchr(rest, '"');
        const char* close = std::strchr(open + 1, '"');
        v = close != nullptr ? std::string_view(open + 1, static_cast<std::size_t>(close - open - 1))
                             : std::string_view(open + 1);
    }
    const std::size_t m = std::min(v.size(), kDefLineSize - 1);
    std::memmove(value, v.data(), m);
    value[m] = '\0';
}

std::string qualified_name(const char* resource_name) {
    std::string q;
    if (g.title[0] == '+')
        q = std::string(g.progname) + "." + (g.title + 1) + ".";
    else
        q = std::string(g.title[0] != '\0' ? g.title : g.progname) + ".";
    q += resource_name != nullptr ? resource_name : "";
    if (q.size() > kDefQualMax) q.resize(kDefQualMax);
    return q;
}

// The pattern must consume the name exactly; a "*" skips forward to the
// first occurrence of the literal fragment that follows it.
bool pattern_matches(std::string_view pattern, std::string_view name) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < pattern.size()) {
        if (pattern[i] == '*') {
            const std::size_t end = pattern.find('*', i + 1);
            const std::string_view fragment =
                pattern.substr(i + 1, end == std::string_view::npos ? end : end - i - 1);
            const std::size_t at = name.find(fragment, j);
            if (at == std::string_view::npos) return false;
            j = at + fragment.size();
            i = end == std::string_view::npos ? pattern.size() : end;
        } else {
            if (j >= name.size() || pattern[i] != name[j]) return false;
            ++i;
            ++j;
        }
    }
    return j == name.size();
}

const char* last_component(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

}  // namespace

int DEF_open(const char* path) {
    DEF_close();
    std::string name = ".orvdef";
    if (path != nullptr && *path != '\0') {
        if (std::strlen(path) > kDefPathMax) return -1;
        name = path;
        if (FILE_is_stdio(path) == 0 && FILE_is_dir(path) != 0) {
            std::string dir = path;
            if (dir.back() != '/') dir += '/';
            for (const char* file : {"orv.cfg", ".orvdef", "Orv.res"}) {
                name = dir + file;
                if (FILE_exist(name.c_str()) != 0) break;
            }
        }
    }
    g.file = FILE_open(name.c_str(), "r");
    return g.file != nullptr ? 0 : -1;
}

void DEF_close() {
    if (g.file != nullptr) FILE_close(g.file);
    g.file = nullptr;
}

int DEF_get(char* name, char* value) {
    if (g.file == nullptr || name == nullptr || value == nullptr) return -1;
    char line[kDefLineSize];
    while (read_line(g.file, line)) {
        if (line[0] == '#') continue;
        const char* p = line;
        const std::string_view first = next_word(&p);
        const char* rest = p;
        const std::string_view second = next_word(&p);
        if (first.empty()) continue;
        if (directive(first, second)) continue;
        if (second.empty() || !g.match) continue;
        split_resource(first, rest, second, name, value);
        return 1;
    }
    return -1;
}

int DEF_cmp(const char* resource_name, const char* pattern) {
    if (pattern == nullptr) return 0;
    return pattern_matches(pattern, qualified_name(resource_name)) ? 1 : 0;
}

char* DEF_parse_name(const char* pattern, char* out) {
    if (out == nullptr) return nullptr;
    if (pattern == nullptr) return strntcpy(out, "", kDefNameSize);
    const char* base = pattern;
    for (const char* s = pattern; *s != '\0'; ++s)
        if (*s == '*' || *s == '.') base = s + 1;
    return strntcpy(out, base, kDefNameSize);
}

int DEF_valid(const char* pattern) {
    char base[kDefNameSize];
    DEF_parse_name(pattern, base);
    if (base[0] == '\0') return 0;
    return DEF_cmp(base, pattern);
}

const char* DEF_env_value(const char* resource_name, const char* env_name) {
    if (resource_name == nullptr || *resource_name == '\0') return nullptr;
    const std::string qualified = "orv" + qualified_name(resource_name);
    if (const char* v = std::getenv(qualified.c_str())) return v;
    if (env_name != nullptr && *env_name != '\0')
        if (const char* v = std::getenv(env_name)) return v;
    const std::string plain = std::string("orv") + resource_name;
    return std::getenv(plain.c_str());
}

int DEF_env(const char* resource_name, const char* env_name, char* out, std::size_t size) {
    const char* v = DEF_env_value(resource_name, env_name);
    if (v == nullptr) return 0;
    strntcpy(out, v, size);
    return 1;
}

void DEF_prog() {
    const char* arg0 = RES_get_prog();
    if (arg0 != nullptr && *arg0 != '\0') copy_text(g.progname, last_component(arg0));
}

void DEF_name(const char* title) { copy_text(g.title, title); }
void DEF_title(const char* title) { copy_text(g.title, title); }
const char* DEF_get_progname() { return g.progname; }
const char* DEF_get_title() { return g.title; }

void DEF_clr_tag() { g.tags.clear(); }

int DEF_tag(const char* name) {
    if (g.tags.size() >= static_cast<std::size_t>(kDefMaxTags)) return -1;
    std::string tag = name != nullptr ? name : "";
    if (tag.size() >= kDefNameSize) tag.resize(kDefNameSize - 1);
    g.tags.push_back(std::move(tag));
    return 0;
}

void DEF_reset_for_tests() {
    DEF_close();
    g = DefState{};
}

}  // namespace orv
