#include "core/files.hpp"

#include <glob.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/flag.hpp"
#include "core/menu.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/system.hpp"
#include "core/tools.hpp"

namespace orv {
namespace {

constexpr DateRecord kUnsetTime{kMissing, kMissing, kMissing, kMissing,
                                kMissing, kMissing, kMissing, kMissing};

constexpr std::size_t kNameMax = kFileNameSize - 1;  // characters of names and templates
constexpr std::size_t kKeyMax = 29;
constexpr std::size_t kExtMax = 19;
constexpr std::size_t kExtInfoMax = 39;
constexpr int kNoDateInterval = 100000;  // stands in for the interval of a template without dates
constexpr int kUnlimitedTries = -1;  // a latest search without "#count" looks at every file
constexpr int kGetFileTries = 4;

// The parts of the naming state that output modules save around their own conventions.
struct NamingCopy {
    int interval = 3600;
    std::string convention;
    std::string header;
    std::string extension;
    std::string current;
    int current_explicit = 0;
    // The directory of the file the user named: it stands in for the path
    // codes in the names made from it, so that every name built for that
    // file keeps the directory it was given in.
    std::string directory;
};

struct Sequence {
    DateRecord first = kUnsetTime;
    std::vector<std::string> names;
    std::size_t index = 0;
    int span = 0;  // seconds to view; negative looks back from the first date
    int step = 3600;
    int offset = 0;       // of the next name to give
    int last_offset = 0;  // of the last name given
    bool current_given = false;
    int default_hours = 0;
};

struct FileState {
    DateRecord time_setting = kUnsetTime;
    std::vector<std::FILE*> pipes;  // streams opened with popen
    NamingCopy naming;
    NamingCopy saved;
    int min_size = 0;
    int requested_min_size = 0;
    int late_off = 0;
    std::array<std::string, 256> keys;
    DateRecord file_date = kUnsetTime;
    int file_kind = 0;
    std::string ext_info;
    Sequence seq;
    std::vector<std::string> listed;  // the files of the last listing, by their numbers
    bool chosen_at_prompt = false;    // the last FILE_get_file asked the user
};
FileState g;

std::string expand_user(const char* name) {
    if (name == nullptr) return {};
    if (name[0] != '~') return name;
    const std::string_view rest(name + 1);
    const std::size_t slash = rest.find('/');
    const std::string user(rest.substr(0, slash));
    const struct passwd* pw = user.empty() ? getpwuid(getuid()) : getpwnam(user.c_str());
    if (pw == nullptr || pw->pw_dir == nullptr) return name;
    std::string out = pw->pw_dir;
    if (slash != std::string_view::npos) out.append(rest.substr(slash));
    return out;
}

bool stat_of(const char* name, struct stat* st) {
    if (name == nullptr || *name == '\0') return false;
    const std::string path = expand_user(name);
    return ::stat(path.c_str(), st) == 0;
}

template <typename Pred>
int stat_test(const char* name, Pred pred) {
    struct stat st{};
    return stat_of(name, &st) && pred(st.st_mode) ? 1 : 0;
}

bool is_directory(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// popen knows only reading and writing; appending to a command is writing.
const char* pipe_mode(const char* mode) { return mode != nullptr && mode[0] == 'r' ? "r" : "w"; }

}  // namespace

int FILE_is_stdio(const char* name) {
    if (name == nullptr || *name == '\0') return 1;
    return std::strcmp(name, "-") == 0 || stricmp(name, "std") == 0 || stricmp(name, "stdn") == 0
               ? 1
               : 0;
}

int FILE_fullpath(const char* name) {
    return name != nullptr && (name[0] == '.' || name[0] == '/' || name[0] == '~') ? 1 : 0;
}

char* FILE_add_user_path(const char* name, char* out, std::size_t size) {
    if (out == nullptr) return nullptr;
    const std::string expanded = expand_user(name);
    return strntcpy(out, expanded.c_str(), size);
}

char* FILE_add_path(const char* dir, const char* name, char* out, std::size_t size) {
    if (out == nullptr) return nullptr;
    if (FILE_is_stdio(name) != 0 || FILE_fullpath(name) != 0) return strntcpy(out, name, size);
    std::string joined = dir != nullptr ? dir : "";
    if (!joined.empty() && joined.back() != '/') joined += '/';
    joined += name;
    return strntcpy(out, joined.c_str(), size);
}

char* FILE_add_path_delim(char* text, std::size_t size) {
    if (text == nullptr || size == 0) return text;
    const std::size_t n = strnlen(text, size);
    if (n == 0 || n >= size || text[n - 1] == '/') return text;
    if (n + 1 < size) {
        text[n] = '/';
        text[n + 1] = '\0';
    }
    return text;
}

int FILE_exist(const char* name) {
    if (FILE_is_stdio(name) != 0) return 1;
    struct stat st{};
    return stat_of(name, &st) ? 1 : 0;
}

int FILE_is_dir(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISDIR(m); });
}
int FILE_is_file(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISREG(m); });
}
int FILE_is_fifo(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISFIFO(m); });
}
int FILE_is_device(const char* name) {
    return stat_test(name, [](mode_t m) { return S_ISCHR(m) || S_ISBLK(m); });
}

std::int64_t FILE_size(const char* name) {
    struct stat st{};
    return stat_of(name, &st) ? static_cast<std::int64_t>(st.st_size) : -1;
}

std::int64_t FILE_modtime(const char* name) {
    struct stat st{};
    return stat_of(name, &st) ? static_cast<std::int64_t>(st.st_mtime) : -1;
}

int FILE_delete(const char* name) {
    if (name == nullptr || *name == '\0') return -1;
    const std::string path = expand_user(name);
    return ::unlink(path.c_str()) == 0 ? 0 : -1;
}

int FILE_make_dir(const char* path, int skip) {
    if (path == nullptr) return 1;
    std::string p = expand_user(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    for (int k = 0; k < skip; ++k) {
        while (!p.empty() && p.back() == '/') p.pop_back();
        const std::size_t slash = p.rfind('/');
        p.erase(slash == std::string::npos ? 0 : slash);
    }
    if (p.empty() || is_directory(p)) return 1;
    for (std::size_t at = p.find('/', 1);; at = p.find('/', at + 1)) {
        const std::string level = p.substr(0, at);
        if (!level.empty() && level.back() != '/' && ::mkdir(level.c_str(), 0755) != 0 &&
            errno != EEXIST)
            break;
        if (at == std::string::npos) break;
    }
    return 0;
}

std::FILE* FILE_open(const char* name, const char* mode) {
    if (mode == nullptr) return nullptr;
    if (FILE_is_stdio(name) != 0) return mode[0] == 'r' ? stdin : stdout;
    if (name[0] == '|') {
        std::fflush(nullptr);
        std::FILE* f = ::popen(name + 1, pipe_mode(mode));
        if (f != nullptr) g.pipes.push_back(f);
        return f;
    }
    // Output goes only into directories that exist: a mistyped directory
    // must fail to open rather than appear on the disk.
    const std::string path = expand_user(name);
    return std::fopen(path.c_str(), mode);
}

int FILE_close(std::FILE* file) {
    if (file == nullptr) return -1;
    if (file == stdin) return 0;
    if (file == stdout || file == stderr) return std::fflush(file);
    const auto it = std::find(g.pipes.begin(), g.pipes.end(), file);
    if (it != g.pipes.end()) {
        g.pipes.erase(it);
        return ::pclose(file);
    }
    return std::fclose(file);
}

int ORV_share() { return 0; }

void FILE_set_time(const DateRecord* date) {
    if (date != nullptr) g.time_setting = *date;
}

void FILE_get_time(DateRecord* date) {
    if (date != nullptr) *date = g.time_setting;
}

void FILE_reset_time() {
    DateRecord& t = g.time_setting;
    t.year = t.month = t.day = t.hour = t.minute = kMissing;
}

// ---- Naming conventions -------------------------------------------------------

namespace {

// A template is read as literal characters and codes ("%", an optional
// width, a letter, or "{name}").
struct Token {
    bool is_code = false;
    char letter = '\0';  // the literal character, or the code letter
    int width = 1;
    bool has_width = false;
    std::string name;  // of a %{name} code
};

// Reads the next token at p and moves p past it; false at the end.
bool next_token(const char*& p, Token& t) {
    if (p == nullptr || *p == '\0') return false;
    t = Token{};
    if (*p != '%') {
        t.letter = *p++;
        return true;
    }
    ++p;
    t.is_code = true;
    int width = 0;
    while (std::isdigit(static_cast<unsigned char>(*p)) != 0) {
        width = std::min(width * 10 + (*p - '0'), 9999);
        t.has_width = true;
        ++p;
    }
    t.width = std::max(width, 1);
    if (*p == '\0') {  // a "%" at the end stands for itself
        t.is_code = false;
        t.letter = '%';
        return true;
    }
    t.letter = *p++;
    if (t.letter == '{') {
        const char* end = std::strchr(p, '}');
        t.name.assign(p, end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p));
        p = end != nullptr ? end + 1 : p + t.name.size();
    }
    return true;
}

const char* path_resource(char letter) {
    switch (letter) {
    case 'C': return "con_path";
    case 'D': return "data_path";
    case 'F': return "file_path";
    case 'G': return "grid_path";
    case 'I': return "image_path";
    case 'M': return "model_path";
    case 'R': return "raw_path";
    case 'S': return "sat_path";
    case 'T': return "text_path";
    case 'W': return "watch_path";
    default: return nullptr;
    }
}

bool is_date_code(char c) { return c != '\0' && std::strchr("Yymbdjhn", c) != nullptr; }
bool is_path_code(const Token& t) { return t.letter == '{' || path_resource(t.letter) != nullptr; }
bool is_key_code(const Token& t) {
    return std::isalpha(static_cast<unsigned char>(t.letter)) != 0 && !is_date_code(t.letter) &&
           path_resource(t.letter) == nullptr;
}

std::string resource_path(const Token& t) {
    if (t.letter == '{') {
        const char* v = RES_get(t.name.c_str());
        return v != nullptr ? v : "";
    }
    const char* v = RES_get(path_resource(t.letter));
    return v != nullptr && *v != '\0' ? v : ".";
}

// Appends a directory, without doubling the "/" that the template puts after it.
void append_path(std::string& out, std::string path, const char* rest) {
    if (rest != nullptr && *rest == '/' && path.size() > 1 && path.back() == '/') path.pop_back();
    out += path;
}

std::string cut(std::string text, std::size_t max) {
    if (text.size() > max) text.resize(max);
    return text;
}

void put(char* out, std::size_t size, const std::string& text) {
    if (out != nullptr && size > 0) strntcpy(out, text.c_str(), std::min(size, kFileNameSize));
}

bool is_separator(const std::string& text, std::size_t i, bool any_colon) {
    const char c = text[i];
    return c == '/' || (c == ':' && (any_colon || i == 1));
}

std::size_t count_template_separators(const char* t, bool any_colon) {
    const std::string s = t != nullptr ? t : "";
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (is_separator(s, i, any_colon) || (any_colon && s[i] == '\\')) ++n;
    return n;
}

// Offsets of the separators of a name from `from` on.
std::vector<std::size_t> separators_of(const std::string& name, std::size_t from, bool any_colon) {
    std::vector<std::size_t> at;
    for (std::size_t i = from; i < name.size(); ++i)
        if (is_separator(name, i, any_colon) || (any_colon && name[i] == '\\')) at.push_back(i);
    return at;
}

// The directory of an explicitly given name that stands in for the path
// codes of the template: the name up to its k-th last separator, k being the
// number of separators of the template. Names expanded from such a name
// keep its directory.
std::optional<std::string> extracted_path(const std::string& tmpl) {
    const NamingCopy& n = g.naming;
    std::string dir = n.directory;
    if (n.current_explicit != 0 && !n.current.empty()) {
        const std::size_t k = count_template_separators(tmpl.c_str(), false);
        const std::vector<std::size_t> at = separators_of(n.current, 0, false);
        dir = k > 0 && at.size() >= k ? n.current.substr(0, at[at.size() - k]) : "";
    }
    if (dir.empty()) return std::nullopt;
    MESS_print(0x40000000U, "Extracted path: %s\n", dir.c_str());
    return dir;
}

int truncated(int value, int step) {
    if (step < 1) step = 1;
    return value >= 0 ? value / step * step : value;
}

void lower_interval(int& interval, int seconds) {
    if (seconds < 1) return;
    if (is_missing(interval) || seconds < interval) interval = seconds;
}

// Splits a relative setting -(offset * 100 + step) into step and offset
// (negated in 64 bits: the setting may be the most negative int).
void relative_parts(int setting, int& step, int& offset) {
    const std::int64_t v = -static_cast<std::int64_t>(setting);
    step = std::max(static_cast<int>(v % 100), 1);
    offset = static_cast<int>(v / 100);
}

// The step of a relative day setting -step, at most the days of a year.
int relative_day_step(int setting) {
    return static_cast<int>(std::clamp<std::int64_t>(-static_cast<std::int64_t>(setting), 1, 366));
}

int year_value(const DateRecord& d, int n) {
    const int fixed = g.time_setting.year;
    if (!is_missing(fixed)) return fixed;
    if (d.year < 0) return d.year;
    return d.year - d.year % 100 + truncated(d.year % 100, n);
}

int month_value(const DateRecord& d, int n) {
    const int fixed = g.time_setting.month;
    return !is_missing(fixed) ? fixed : truncated(d.month, n);
}

int day_value(const DateRecord& d, int n, int& interval) {
    const int fixed = g.time_setting.day;
    if (!is_missing(fixed) && fixed < 0) {
        const int step = relative_day_step(fixed);
        lower_interval(interval, step * 86400);
        return truncated(d.day, step);
    }
    lower_interval(interval, n * 86400);
    return !is_missing(fixed) ? fixed : truncated(d.day, n);
}

// Hours (unit 3600) and minutes (unit 60) share the rules of the time setting.
int clock_value(int fixed, int date_value, int n, int unit, int& interval) {
    if (!is_missing(fixed) && fixed < 0) {
        int step = 1;
        int offset = 0;
        relative_parts(fixed, step, offset);
        lower_interval(interval, step * unit);
        const int base = truncated(date_value, step);
        if (base < 0) return base;
        return static_cast<int>(
            std::min<std::int64_t>(std::int64_t{base} + offset, std::numeric_limits<int>::max()));
    }
    lower_interval(interval, n * unit);
    return truncated(!is_missing(fixed) ? fixed : date_value, n);
}

int day_of_year(int year, int month, int day) {
    if (year < 0 || month < 1 || month > 12 || day < 1) return -1;
    return DATE_date_days(year, month, day) - DATE_date_days(year, 1, 1) + 1;
}

void append_number(std::string& out, int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%*.*d", digits, digits, value < 0 ? 0 : value % 100000);
    out += buf;
}

std::string key_text(const Token& t) {
    const std::string& key = t.letter == 'e' ? g.naming.extension
                                             : g.keys[static_cast<unsigned char>(t.letter)];
    if (t.letter == 'e') return key;
    std::string text = key.empty() ? "0" : key;
    if (t.has_width) text.resize(static_cast<std::size_t>(t.width), '_');
    return text;
}

struct Expansion {
    std::string name;
    int interval = kMissing;
    DateRecord used = kUnsetTime;
};

Expansion expand(const std::string& tmpl, const DateRecord& d,
                 const std::optional<std::string>& extracted) {
    Expansion x;
    const char* p = tmpl.c_str();
    Token t;
    while (x.name.size() < kNameMax && next_token(p, t)) {
        if (!t.is_code) {
            if (t.letter == '{' || t.letter == '}') continue;
            x.name += t.letter == ' ' ? '_' : t.letter;
            continue;
        }
        const int n = t.width;
        switch (t.letter) {
        case '%': x.name += '%'; break;
        case 'Y':
        case 'y': {
            const int year = year_value(d, n);
            x.used.year = year;
            append_number(x.name, t.letter == 'Y' ? year : (year < 0 ? -1 : year % 100),
                          t.letter == 'Y' ? 4 : 2);
            break;
        }
        case 'm':
            x.used.month = month_value(d, n);
            append_number(x.name, x.used.month, 2);
            break;
        case 'b': {
            x.used.month = month_value(d, n);
            const char* m = DATE_month_lower(x.used.month);
            x.name += *m != '\0' ? m : "xxx";
            break;
        }
        case 'd':
            x.used.day = day_value(d, n, x.interval);
            append_number(x.name, x.used.day, 2);
            break;
        case 'j': {
            int unused = kMissing;
            const int jday = day_of_year(year_value(d, 1), month_value(d, 1), day_value(d, 1, unused));
            const int fixed = g.time_setting.day;
            const int step = !is_missing(fixed) && fixed < 0 ? relative_day_step(fixed) : n;
            lower_interval(x.interval, step * 86400);
            x.used.jday = truncated(jday, step);
            append_number(x.name, x.used.jday, 3);
            break;
        }
        case 'h':
            x.used.hour = clock_value(g.time_setting.hour, d.hour, n, 3600, x.interval);
            append_number(x.name, x.used.hour, 2);
            break;
        case 'n':
            x.used.minute = clock_value(g.time_setting.minute, d.minute, n, 60, x.interval);
            append_number(x.name, x.used.minute, 2);
            break;
        default:
            if (is_path_code(t))
                append_path(x.name, extracted.value_or(resource_path(t)), p);
            else if (is_key_code(t))
                x.name += key_text(t);
            else
                x.name += t.letter;
            break;
        }
    }
    x.name = cut(x.name, kNameMax);
    return x;
}

// FILE_open takes a leading "|" as a command; a data file name never is one.
void set_current(const std::string& name, int explicitly) {
    g.naming.current = cut(!name.empty() && name[0] == '|' ? "./" + name : name, kNameMax);
    g.naming.current_explicit = explicitly;
    if (explicitly != 0 || name.empty()) g.naming.directory.clear();
}

// Unknown codes are reported once, when the convention is chosen.
void check_template(const char* tmpl, const char* who) {
    const std::size_t len = std::strlen(tmpl);
    if (len > kNameMax)
        MESS_print(64, "%s: Convention cut to %zu characters: %.40s...\n", who, kNameMax, tmpl);
    const char* p = tmpl;
    Token t;
    while (next_token(p, t))
        if (t.is_code && t.letter != '%' && !is_path_code(t) && !is_key_code(t) &&
            !is_date_code(t.letter))
            MESS_print(64, "%s: Unknown code %%%c in convention: %.60s\n", who, t.letter, tmpl);
}

void set_convention(const char* conv, const char* header) {
    check_template(conv, "FILE_set_name");
    g.naming.convention = cut(conv, kNameMax);
    g.naming.header = header != nullptr && std::strcmp(header, "-") != 0 ? cut(header, kNameMax) : "";
}

std::string key_value(const char* text) {
    std::string v = cut(text != nullptr ? text : "", kKeyMax);
    std::replace(v.begin(), v.end(), ' ', '_');
    return v;
}

// Cuts "k=value" items after the first ":" off the type and sets the keys.
std::string take_keys(const std::string& type) {
    const std::size_t colon = type.find(':');
    if (colon == std::string::npos) return type;
    std::size_t at = colon + 1;
    while (at <= type.size()) {
        std::size_t end = type.find(':', at);
        if (end == std::string::npos) end = type.size();
        const std::string item = type.substr(at, end - at);
        if (item.size() >= 2 && item[1] == '=') {
            const std::string value = item.substr(2);
            g.keys[static_cast<unsigned char>(item[0])] = key_value(value.c_str());
            MESS_print(0x80000000U, "KEY: %c = %s\n", item[0], value.c_str());
        }
        at = end + 1;
    }
    return type.substr(0, colon);
}

// Reads one line of at most kNameMax characters; the rest of a longer line is
// passed over (said to the caller through `long_line`).
bool read_line(std::FILE* f, std::string& line, bool& long_line) {
    line.clear();
    long_line = false;
    int c = 0;
    while ((c = std::getc(f)) != EOF && c != '\n') {
        if (line.size() < kNameMax)
            line += static_cast<char>(c);
        else
            long_line = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return c != EOF || !line.empty();
}

int set_name_from_file(const std::string& type) {
    char path[kFileNameSize];
    const char* file = RES_get("name_conv");
    FILE_add_path(orv_file_path(), file != nullptr && *file != '\0' ? file : "name_conv", path);
    std::FILE* f = FILE_open(path, "r");
    if (f == nullptr) {
        MESS_print(192, "FILE_set_name: No file name convention file: %s\n", path);
        set_convention(type.c_str(), nullptr);
        return 0;
    }
    MESS_print(0x10000000U, "Opening name convention file: %s\n", path);
    std::string line;
    bool long_line = false;
    int found = 0;
    while (found == 0 && read_line(f, line, long_line)) {
        if (long_line)
            MESS_print(64, "FILE_set_name: Line cut to %zu characters in %s\n", kNameMax, path);
        if (line.empty() || line[0] == '#') continue;
        char name[kFileNameSize] = "";
        char conv[kFileNameSize] = "";
        char header[kFileNameSize] = "-";
        int min_size = 0;
        if (std::sscanf(line.c_str(), "%159s %159s %159s %d", name, conv, header, &min_size) < 2)
            continue;
        const std::size_t len = std::strlen(name);
        if (stricmp(name, type.c_str()) == 0) {
            g.naming.extension.clear();
            MESS_print(0x10000000U, "File name match for: %s\n", type.c_str());
        } else if (strnicmp(name, type.c_str(), len) == 0) {
            const std::size_t under = type.rfind('_');
            g.naming.extension =
                cut(under != std::string::npos ? type.substr(under + 1) : "", kExtMax);
            MESS_print(0x10000000U, "File name partial match for: %s-%s ext: %s\n", name,
                       type.c_str(), g.naming.extension.c_str());
        } else {
            continue;
        }
        set_convention(conv, header);
        g.min_size = min_size;
        found = 1;
    }
    FILE_close(f);
    if (found == 0) {
        MESS_print(0x10000000U, "No file name conversion for: %s\n", type.c_str());
        set_convention(type.c_str(), nullptr);
    }
    return found;
}

// Digits "yyyymmddhhmm", each field taken while its first character is a
// digit; p moves past them. Missing clock fields are 0, a missing month or
// day the first one.
DateRecord read_date_digits(const char*& p, bool* given = nullptr) {
    DateRecord d = kUnsetTime;
    std::int32_t* fields[] = {&d.year, &d.month, &d.day, &d.hour, &d.minute};
    const int widths[] = {4, 2, 2, 2, 2};
    const int missing[] = {0, 1, 1, 0, 0};
    for (int i = 0; i < 5; ++i) {
        if (given != nullptr) given[i] = false;
        if (std::isdigit(static_cast<unsigned char>(*p)) == 0) {
            *fields[i] = missing[i];
            continue;
        }
        int v = 0;
        for (int k = 0; k < widths[i] && std::isdigit(static_cast<unsigned char>(*p)) != 0; ++k)
            v = v * 10 + (*p++ - '0');
        *fields[i] = v;
        if (given != nullptr) given[i] = true;
    }
    d.second = 0;
    return d;
}

std::int64_t seconds_of(DateRecord d) {
    if (is_missing(d.hour)) d.hour = 0;
    if (is_missing(d.minute)) d.minute = 0;
    if (is_missing(d.second)) d.second = 0;
    return DATE_num_sec(&d);
}

DateRecord date_at(std::int64_t seconds) {
    DateRecord d{};
    DATE_sec_to_date(seconds, &d);
    return d;
}

// Fixed fields of the time setting pull the reference back to the latest
// time that has them.
std::int64_t latest_matching(std::int64_t t) {
    const DateRecord& ts = g.time_setting;
    const auto fixed = [](int v) { return !is_missing(v) && v >= 0; };
    DateRecord r = date_at(t);
    const bool month = fixed(ts.month) && ts.month >= 1 && ts.month <= 12;
    const bool day = fixed(ts.day) && ts.day >= 1;
    // A fixed month with a day goes back a year when the pair lies ahead.
    const bool day_ahead = day && ts.day > r.day;
    if (month && (ts.month > r.month || (ts.month == r.month && day_ahead))) {
        --r.year;
    } else if (!month && day_ahead && --r.month < 1) {
        r.month = 12;
        --r.year;
    }
    if (month) r.month = ts.month;
    if (day) r.day = ts.day;
    t = seconds_of(r);
    if (fixed(ts.hour)) {
        r = date_at(t);
        if (ts.hour > r.hour) r = date_at(t - 86400);
        r.hour = ts.hour % 24;
        t = seconds_of(r);
    }
    if (fixed(ts.minute)) {
        r = date_at(t);
        if (ts.minute > r.minute) r = date_at(t - 3600);
        r.minute = ts.minute % 60;
        t = seconds_of(r);
    }
    return t;
}

int current_min_size() { return g.requested_min_size > 0 ? g.requested_min_size : g.min_size; }

// The file nearest to t in the search direction among the files present
// (Listing below); t itself when there is none.
std::int64_t latest_file(std::int64_t t, int direction, int count);

// "hours[:minutes]" or "days d hours[:minutes]" in seconds; p moves past it.
std::int64_t read_offset(const char*& p) {
    const auto number = [&p]() {
        std::int64_t v = 0;
        while (std::isdigit(static_cast<unsigned char>(*p)) != 0) v = std::min<std::int64_t>(v * 10 + (*p++ - '0'), 100000000);
        return v;
    };
    std::int64_t days = 0;
    std::int64_t hours = number();
    if (*p == 'd' || *p == 'D') {
        ++p;
        days = hours;
        hours = number();
    }
    std::int64_t minutes = 0;
    if (*p == ':') {
        ++p;
        minutes = number();
    }
    MESS_print(0xF0000000U, "CUR1:%d %d %d %d\n", static_cast<int>(days), static_cast<int>(hours),
               static_cast<int>(minutes), 0);
    return days * 86400 + hours * 3600 + minutes * 60;
}

}  // namespace

namespace {

int choose_convention(const std::string& full) {
    if (full.size() > kNameMax)
        MESS_print(64, "FILE_set_name: Type cut to %zu characters: %.40s...\n", kNameMax, full.c_str());
    if (stricmp(full.c_str(), "none") == 0) {
        g.naming.convention.clear();
        g.naming.header.clear();
        return 0;
    }
    if (!full.empty() && full[0] == '@') {
        set_convention(full.c_str() + 1, nullptr);
        return 1;
    }
    return set_name_from_file(cut(take_keys(full), kNameMax));
}

}  // namespace

// Choosing the convention in force again (as the bulletin reader does for
// every file it opens) keeps the file the user chose and its extension.
int FILE_set_name(const char* type) {
    const NamingCopy before = g.naming;
    const int found = choose_convention(type != nullptr ? type : "");
    NamingCopy& now = g.naming;
    if (!now.convention.empty() && now.convention == before.convention && now.header == before.header) {
        if (now.extension.empty()) now.extension = before.extension;
        if (now.extension == before.extension) return found;
    }
    set_current("", 0);
    return found;
}

int FILE_set_name_conv(const char* text) {
    if (text == nullptr) return 0;
    int interval = 0;
    char conv[kFileNameSize] = "";
    char header[kFileNameSize] = "-";
    if (std::sscanf(text, "%d %159s %159s", &interval, conv, header) < 2) return 0;
    g.naming.interval = interval;
    set_convention(std::strcmp(conv, "none") == 0 ? "" : conv, header);
    return 1;
}

char* FILE_get_name_conv(char* out, std::size_t size) {
    if (out == nullptr || size == 0) return out;
    const NamingCopy& n = g.naming;
    std::snprintf(out, size, "%d %s %s", n.interval, n.convention.empty() ? "none" : n.convention.c_str(),
                  n.header.empty() ? "-" : n.header.c_str());
    return out;
}

void FILE_save_name_conv() { g.saved = g.naming; }
void FILE_restore_name_conv() { g.naming = g.saved; }

void FILE_set_late_off(int seconds) { g.late_off = seconds; }
int FILE_get_late_off() { return g.late_off; }
int FILE_get_offset() { return g.naming.interval < 1 ? kNoDateInterval : g.naming.interval; }
void FILE_set_min_size(int bytes) { g.requested_min_size = bytes; }
int FILE_get_min_size() { return g.requested_min_size != 0 ? g.requested_min_size : g.min_size; }

void FILE_set_key(int c, const char* text) { g.keys[static_cast<unsigned char>(c)] = key_value(text); }
const char* FILE_get_key(int c) { return g.keys[static_cast<unsigned char>(c)].c_str(); }
void FILE_set_type(int kind) { g.file_kind = kind; }
void FILE_set_ext_info(const char* text) { g.ext_info = cut(text != nullptr ? text : "", kExtInfoMax); }
const char* FILE_get_ext_info() { return g.ext_info.c_str(); }

void FILE_set_filename(const char* name) { set_current(name != nullptr ? name : "", 1); }
char* FILE_get_filename(char* out, std::size_t size) {
    put(out, size, g.naming.current);
    return out;
}

// ---- Names from dates and back ---------------------------------------------------

int FILE_set_date(const DateRecord* date, char* out, std::size_t size) {
    NamingCopy& n = g.naming;
    if (n.convention.empty()) {
        put(out, size, n.current.empty() ? "filename" : n.current);
        n.current_explicit = 1;
        return 1;
    }
    if (FILE_is_stdio(n.convention.c_str()) != 0) {
        set_current("-", 0);
        put(out, size, "-");
        return 1;
    }
    const std::optional<std::string> extracted = extracted_path(n.convention);
    if (n.current_explicit != 0) n.directory = extracted.value_or("");
    n.interval = kMissing;
    const DateRecord d = date != nullptr ? *date : g.file_date;
    if (date != nullptr) g.file_date = kUnsetTime;
    if (is_missing(d.year) && !n.current.empty()) {
        n.current_explicit = 1;
        put(out, size, n.current);
        return 1;
    }
    const Expansion x = expand(n.convention, d, extracted);
    n.interval = x.interval;
    g.file_date = x.used;
    set_current(x.name, 0);
    put(out, size, n.current);
    return 0;
}

int FILE_hdr_set_date(const DateRecord* date, char* out, std::size_t size) {
    const std::string& header = g.naming.header;
    const DateRecord d = date != nullptr ? *date : g.file_date;
    if (header.empty() || is_missing(d.year)) return 0;
    const Expansion x = expand(header, d, extracted_path(header));
    put(out, size, !x.name.empty() && x.name[0] == '|' ? "./" + x.name : x.name);
    return x.name.empty() ? 0 : 1;
}

int FILE_set_date_off(const DateRecord* date, int seconds, char* out, std::size_t size) {
    const DateRecord d = date != nullptr ? *date : g.file_date;
    if (is_missing(d.year)) {
        FILE_set_date(date, out, size);
    } else {
        const DateRecord shifted = date_at(seconds_of(d) + seconds);
        FILE_set_date(&shifted, out, size);
    }
    return seconds / FILE_get_offset();
}

int FILE_get_date(DateRecord* date) {
    if (date != nullptr) *date = g.file_date;
    return 0;
}

std::int64_t FILE_set_current(const char* spec, char* out, std::size_t size) {
    const char* s = spec != nullptr && *spec != '\0' ? spec : "la";
    DateRecord ref{};
    const char* env = std::getenv("orvcurtime");
    if (*s == '#') {
        ++s;
        ref = read_date_digits(s);
    } else if (env != nullptr && *env != '\0') {
        const char* e = *env == '#' ? env + 1 : env;
        ref = read_date_digits(e);
    } else {
        DATE_get_current_gmdate(&ref);
        ref.second = 0;
    }
    std::int64_t t = latest_matching(seconds_of(ref));
    int direction = -1;
    if (*s == '+' || *s == '-') direction = *s++ == '+' ? 1 : -1;
    for (int item = 0; item < 2 && *s != '\0'; ++item) {
        int d = direction;
        if (*s == '+' || *s == '-') d = *s++ == '+' ? 1 : -1;
        if (std::isdigit(static_cast<unsigned char>(*s)) != 0) {
            t += d * read_offset(s);
            MESS_print(0xF0000000U, "CUR2:%d\n", static_cast<int>(t % 86400));
        } else if (*s == 'l' || *s == 'L') {
            ++s;
            if (*s == 'a' || *s == 'A') ++s;
            int count = kUnlimitedTries;
            if (*s == '#') {
                ++s;
                count = static_cast<int>(std::min(std::strtol(s, nullptr, 10), 1000000L));
                while (std::isdigit(static_cast<unsigned char>(*s)) != 0) ++s;
            }
            t = latest_file(t, d, count);
        } else {
            break;
        }
    }
    if (*s != '\0')
        MESS_print(192, "Current file: \"%s\" not understood from \"%s\" on\n", spec, s);
    const DateRecord final_date = date_at(t);
    FILE_set_date(&final_date, out, size);
    g.naming.current_explicit = 0;
    const int interval = g.naming.interval;
    return interval >= 1 ? t - t % interval : t;
}

namespace {

// Matches an entry against the template: date codes read their digits from
// the entry, literal characters are taken from the template (and passed over
// in the entry where it has them), path codes give the resource path or the
// directory part of the entry.
class EntryMatcher {
public:
    EntryMatcher(const std::string& tmpl, const std::string& entry) : tmpl_(tmpl), entry_(entry) {}

    std::string run(DateRecord& date) {
        const char* p = tmpl_.c_str();
        Token t;
        while (!done_ && out_.size() < kNameMax && next_token(p, t)) {
            if (!t.is_code)
                literal(t.letter);
            else
                code(t, p, date);
        }
        if (jday_ > 0 && !is_missing(date.year))
            DATE_julian_monday(date.year, jday_, &date.month, &date.day);
        MESS_print(0x80000000U, "FILES:%s:%s:%d\n", entry_.c_str(), out_.c_str(), date.year);
        return cut(out_, kNameMax);
    }

private:
    char at() const { return e_ < entry_.size() ? entry_[e_] : '\0'; }

    void copy_rest() {
        out_ += entry_.substr(std::min(e_, entry_.size()));
        e_ = entry_.size();
        done_ = true;
    }

    void literal(char c) {
        if (c == '{' || c == '}') return;
        if (c == '*') {
            copy_rest();
            return;
        }
        out_ += c;
        if (at() == c) ++e_;
    }

    // Up to `width` digits as a number; false (and the rest copied) when none.
    bool digits(int width, int& value) {
        if (std::isdigit(static_cast<unsigned char>(at())) == 0) {
            copy_rest();
            return false;
        }
        value = 0;
        for (int k = 0; k < width && std::isdigit(static_cast<unsigned char>(at())) != 0; ++k) {
            value = value * 10 + (at() - '0');
            out_ += entry_[e_++];
        }
        return true;
    }

    void path(const Token& t, const char* rest) {
        const std::size_t k = count_template_separators(rest, true);
        const std::vector<std::size_t> at = separators_of(entry_, e_, true);
        if (k > 0 && at.size() >= k) {
            const std::size_t end = at[at.size() - k];
            out_ += entry_.substr(e_, end - e_);
            e_ = end;
        } else {
            append_path(out_, resource_path(t), rest);
        }
    }

    // A key with a width takes that many characters. Otherwise the entry's
    // text up to the next literal of the template becomes the key, so that
    // the name can be built again for other dates; an entry without that
    // literal leaves the key's own text in the name.
    void key(const Token& t, const char* rest) {
        std::string& key = t.letter == 'e' ? g.naming.extension
                                           : g.keys[static_cast<unsigned char>(t.letter)];
        if (t.has_width) {
            const std::size_t n = std::min(static_cast<std::size_t>(t.width), entry_.size() - e_);
            out_ += entry_.substr(e_, n);
            e_ += n;
            return;
        }
        const char* next = rest;
        while (*next == '{' || *next == '}') ++next;
        const std::size_t end =
            *next != '\0' && *next != '%' && *next != '*' ? entry_.find(*next, e_) : std::string::npos;
        if (end == std::string::npos || end == e_) {
            if (entry_.compare(e_, key.size(), key) == 0) e_ += key.size();
            out_ += key;
            return;
        }
        const std::string text = entry_.substr(e_, end - e_);
        out_ += text;
        e_ = end;
        key = cut(text, t.letter == 'e' ? kExtMax : kKeyMax);
    }

    void code(const Token& t, const char* rest, DateRecord& date) {
        int v = 0;
        switch (t.letter) {
        case '%': literal('%'); break;
        case 'Y':
            if (digits(4, v)) date.year = v;
            break;
        case 'y':
            if (digits(2, v)) date.year = v < 50 ? 2000 + v : 1900 + v;
            break;
        case 'm':
            if (digits(2, v)) date.month = v;
            break;
        case 'd':
            if (digits(2, v)) date.day = v;
            break;
        case 'h':
            if (digits(2, v)) date.hour = v;
            break;
        case 'n':
            if (digits(2, v)) date.minute = v;
            break;
        case 'j':
            if (digits(3, v)) jday_ = v;
            break;
        case 'b': month_name(date); break;
        default:
            if (is_path_code(t))
                path(t, rest);
            else if (is_key_code(t))
                key(t, rest);
            else
                literal(t.letter);
            break;
        }
    }

    void month_name(DateRecord& date) {
        std::string name;
        while (name.size() < 3 && std::isalpha(static_cast<unsigned char>(at())) != 0) name += entry_[e_++];
        const int month = DATE_decode_month(name.c_str());
        out_ += name;
        if (month > 0)
            date.month = month;
        else
            copy_rest();
    }

    const std::string& tmpl_;
    const std::string& entry_;
    std::string out_;
    std::size_t e_ = 0;
    int jday_ = 0;
    bool done_ = false;
};

bool starts_with(const std::string& s, const char* prefix) {
    return strnicmp(s.c_str(), prefix, std::strlen(prefix)) == 0;
}

// Kind 0: "#yyyymmddhhmm" after the first character fixes the time setting.
// Kind 1: a suffix from ":", "#", "+" or "-" on is extra information.
void take_entry_suffix(std::string& entry) {
    if (g.file_kind == 0) {
        const std::size_t hash = entry.find('#', 1);
        if (hash == std::string::npos || hash + 1 >= entry.size() ||
            std::isdigit(static_cast<unsigned char>(entry[hash + 1])) == 0)
            return;
        const char* p = entry.c_str() + hash + 1;
        bool given[5];
        const DateRecord d = read_date_digits(p, given);
        DateRecord& ts = g.time_setting;
        if (given[0]) ts.year = d.year;
        if (given[1]) ts.month = d.month;
        if (given[2]) ts.day = d.day;
        if (given[3]) ts.hour = d.hour;
        if (given[4]) ts.minute = d.minute;
        entry.erase(hash);
        return;
    }
    const std::size_t at = entry.find_first_of(":#+-", 3);
    if (at == std::string::npos) return;
    FILE_set_ext_info(entry.c_str() + at);
    entry.erase(at);
}

// The current file from a reply "#...", "la..." or "cu...".
bool is_current_request(const std::string& reply) {
    return starts_with(reply, "#") || starts_with(reply, "la") || starts_with(reply, "cu");
}

void choose_current(const std::string& reply, char* out, std::size_t size) {
    FILE_set_current(starts_with(reply, "cu") ? reply.c_str() + 2 : reply.c_str(), out, size);
    MESS_print(3840, "Current filename: %s\n", g.naming.current.c_str());
}

}  // namespace

int FILE_set_file(const char* entry_text, char* out, std::size_t size) {
    std::string entry = entry_text != nullptr ? entry_text : "";
    if (entry.size() > kNameMax) {
        MESS_print(64, "FILE_set_file: Entry cut to %zu characters: %.40s...\n", kNameMax, entry.c_str());
        entry.resize(kNameMax);
    }
    g.file_date = kUnsetTime;
    take_entry_suffix(entry);
    g.file_date = g.time_setting;
    if (stricmp(entry.c_str(), "exit") == 0) ORV_exit(0);
    if (!entry.empty() && entry[0] == '@') {
        set_current(entry.substr(1), 1);
        put(out, size, g.naming.current);
        return 0;
    }
    const std::string& conv = g.naming.convention;
    if (!conv.empty()) {
        if (FILE_is_stdio(conv.c_str()) != 0) {
            set_current("-", 0);
            put(out, size, "-");
            return 0;
        }
        if (starts_with(entry, "#") || starts_with(entry, "la") || starts_with(entry, "cu")) {
            choose_current(entry, out, size);
            return 0;
        }
        if (stricmp(entry.c_str(), "none") == 0) {
            set_current("none", 1);
            put(out, size, "none");
            return 0;
        }
    }
    std::string name = entry;
    if (!conv.empty() && !(FILE_fullpath(conv.c_str()) != 0 && FILE_fullpath(entry.c_str()) != 0)) {
        DateRecord date = g.file_date;
        name = EntryMatcher(conv, entry).run(date);
        g.file_date = date;
        // A name that the convention cannot make is taken as it was given.
        if (FILE_exist(name.c_str()) == 0 && FILE_is_file(entry.c_str()) != 0) {
            name = entry;
            g.file_date = g.time_setting;
        }
    }
    set_current(name, 1);
    put(out, size, g.naming.current);
    return 0;
}

// ---- Choosing the file -------------------------------------------------------------

namespace {

// A file from resource filename (1 found, 0 missing), or -1 when none is given.
int file_from_resource(char* out, std::size_t size, bool may_exit) {
    int n = 0;
    char** items = nullptr;
    RES_getvals("filename", &n, &items);
    if (n <= 0) {
        free_parsed_array(n, items);
        return -1;
    }
    const std::string first = items[0];
    free_parsed_array(n, items);
    if (stricmp(first.c_str(), "list") == 0) {
        FILE_list_file();
        if (may_exit) ORV_exit(0);
        return 0;
    }
    FILE_set_file(first.c_str(), out, size);
    return FILE_exist(g.naming.current.c_str());
}

// The current or latest file when resource current is set or in batch mode;
// -1 when neither applies.
int current_from_resource(char* out, std::size_t size, bool may_exit) {
    const char* current = RES_get("current");
    if (current == nullptr && FLAG_batch() == 0) return -1;
    if (current != nullptr && strnicmp(current, "cu", 2) == 0) current += 2;  // as at the prompt
    FILE_set_current(current != nullptr ? current : "la", out, size);
    if (FILE_exist(g.naming.current.c_str()) == 0) {
        if (!may_exit) return 0;
        MESS_print(192, "File not found: %s\n", g.naming.current.c_str());
        ORV_exit(10);
    }
    MESS_print(3840, "Current filename: %s\n", g.naming.current.c_str());
    return 1;
}

// The listed file a reply of digits numbers, or null: a longer number is a
// date ("2026120600") and goes through the convention.
const std::string* listed_by_number(const char* reply) {
    if (string_is_num(reply) == 0 || std::strlen(reply) > 6) return nullptr;
    const long n = std::strtol(reply, nullptr, 10);
    if (n < 1 || static_cast<std::size_t>(n) > g.listed.size()) return nullptr;
    return &g.listed[static_cast<std::size_t>(n) - 1];
}

// One prompt: 1 when the file chosen exists, 0 when not, -1 after "list".
int ask_once(const char* prompt, char* out, std::size_t size) {
    char reply[80] = "";
    ORV_prompts(prompt != nullptr ? prompt : "", reply, 79);
    const std::string r = reply;
    if (stricmp(reply, "exit") == 0) ORV_exit(0);
    if (stricmp(reply, "list") == 0 || r == "?") {
        FILE_list_file();
        return -1;
    }
    if (const std::string* listed = listed_by_number(reply))
        FILE_set_file(listed->c_str(), out, size);
    else if (is_current_request(r))
        choose_current(r, out, size);
    else
        FILE_set_file(reply, out, size);
    return FILE_exist(g.naming.current.c_str());
}

void list_available() {
    MESS_print(15, "List of available files:\n");
    FILE_list_file();
    MESS_print(15, "\n");
}

}  // namespace

int FILE_get_file(const char* prompt, char* out, std::size_t size) {
    g.chosen_at_prompt = false;
    int found = file_from_resource(out, size, true);
    if (found >= 0) return found;
    found = current_from_resource(out, size, true);
    if (found >= 0) return found;
    g.chosen_at_prompt = true;
    list_available();
    for (int failures = 0; failures < kGetFileTries;) {
        const int r = ask_once(prompt, out, size);
        if (r == 1) return 1;
        if (r < 0) continue;
        MESS_print(192, "File not found: %s\n", g.naming.current.c_str());
        ++failures;
    }
    ORV_exit(10);
}

int FILE_get_file_only(const char* prompt, char* out, std::size_t size) {
    int found = file_from_resource(out, size, false);
    if (found >= 0) return found;
    found = current_from_resource(out, size, false);
    if (found >= 0) return found;
    list_available();
    return ask_once(prompt, out, size) == 1 ? 1 : 0;
}

int FILE_chosen_at_prompt() { return g.chosen_at_prompt ? 1 : 0; }

// ---- File sequences ---------------------------------------------------------------

namespace {

// "hours[:minutes]" or ":minutes" in seconds; a negative hour, or "-0",
// makes the minutes negative too.
int read_span(const char* text) {
    int hours = 0;
    int minutes = 0;
    if (*text == ':') {
        std::sscanf(text, ":%d", &minutes);
        return minutes * 60;
    }
    std::sscanf(text, "%d:%d", &hours, &minutes);
    if (hours < 0 || (text[0] == '-' && hours == 0)) minutes = -std::abs(minutes);
    return hours * 3600 + minutes * 60;
}

int interval_for(const DateRecord& date) {
    if (g.naming.convention.empty() || FILE_is_stdio(g.naming.convention.c_str()) != 0)
        return g.naming.interval;
    return expand(g.naming.convention, date, std::nullopt).interval;
}

void give_name(int offset, char* out, std::size_t size) {
    Sequence& s = g.seq;
    s.last_offset = offset;
    const DateRecord d = s.first;
    MESS_print(0xF0000000U, " in: ");
    DATE_print(0xF0000000U, &d);
    FILE_set_date_off(&d, offset, out, size);
    MESS_print(0x40000000U, "NEXT: %d %d %d %d %d %s\n", d.year, d.month, d.day, d.hour, offset,
               g.naming.current.c_str());
}

}  // namespace

int FILE_first(const DateRecord* date) {
    Sequence& s = g.seq;
    s.names.clear();
    s.index = 0;
    s.current_given = false;
    int n = 0;
    char** items = nullptr;
    RES_getvals("filename", &n, &items);
    for (int i = 0; i < n; ++i) s.names.emplace_back(cut(items[i], kNameMax));
    free_parsed_array(n, items);
    if (!s.names.empty() && (starts_with(s.names[0], "la") || starts_with(s.names[0], "cu")))
        s.names.clear();
    s.first = date != nullptr ? *date : g.file_date;

    const char* num_hour = RES_get("num_hour");
    s.span = num_hour != nullptr && *num_hour != '\0' ? read_span(num_hour) : s.default_hours * 3600;
    int interval = interval_for(s.first);
    if (interval < 1) interval = kNoDateInterval;
    const char* comma = num_hour != nullptr ? std::strchr(num_hour, ',') : nullptr;
    const int skip = comma != nullptr ? read_span(comma + 1) : interval;
    s.step = skip / interval > 0 ? interval * (skip / interval) : interval;
    s.offset = s.span < 0 ? (s.span - s.step + 1) / s.step * s.step : 0;
    s.last_offset = s.offset;
    return FILE_num_hour();
}

int FILE_get_next(char* out, std::size_t size) {
    Sequence& s = g.seq;
    if (s.names.size() > 1 || (s.names.size() == 1 && s.span == 0)) {
        if (s.index >= s.names.size()) return 0;
        FILE_set_file(s.names[s.index++].c_str(), out, size);
        return 1;
    }
    if (s.span == 0) {
        if (s.current_given) return 0;
        s.current_given = true;
        put(out, size, g.naming.current);
        return 1;
    }
    if (s.span > 0 ? s.offset > s.span : s.offset > 0) return 0;
    give_name(s.offset, out, size);
    s.offset += s.step;
    return 1;
}

int FILE_next_file(char* out, std::size_t size) {
    give_name(g.seq.last_offset + g.seq.step, out, size);
    g.seq.offset = g.seq.last_offset + g.seq.step;
    return 1;
}

int FILE_prev_file(char* out, std::size_t size) {
    give_name(g.seq.last_offset - g.seq.step, out, size);
    g.seq.offset = g.seq.last_offset + g.seq.step;
    return 1;
}

int FILE_num_hour() {
    const Sequence& s = g.seq;
    if (!s.names.empty()) return static_cast<int>(s.names.size());
    return std::abs(s.span) / std::max(s.step, 1) + 1;
}

int FILE_get_skip() { return g.seq.step; }
int FILE_get_num_file() {
    const Sequence& s = g.seq;
    return !s.names.empty() ? static_cast<int>(s.names.size()) - 1 : s.span;
}
int FILE_get_num_hour() { return g.seq.span / 3600; }
int FILE_get_nsecs() { return g.seq.span; }
void FILE_set_nsecs(int seconds) { g.seq.span = seconds; }
void FILE_set_def_hours(int hours) { g.seq.default_hours = hours; }
void FILE_print_first_date(unsigned level) { DATE_print(level, &g.seq.first); }

// ---- Listing, overwriting, file kinds -------------------------------------------

namespace {

std::string search_pattern(const std::optional<std::string>& directory = std::nullopt) {
    std::string pattern;
    const char* p = g.naming.convention.c_str();
    Token t;
    while (next_token(p, t)) {
        if (!t.is_code) {
            if (t.letter != '{' && t.letter != '}') pattern += t.letter;
            continue;
        }
        switch (t.letter) {
        case '%': pattern += '%'; break;
        case 'Y': pattern += "?[0-9]??"; break;
        case 'b': pattern += "?[a-z]?"; break;
        case 'd':
        case 'h':
        case 'm':
        case 'n':
        case 'y': pattern += "[0-9]?"; break;
        case 'j': pattern += "?[0-9]?"; break;
        case 'e': pattern += g.naming.extension.empty() ? "*" : g.naming.extension; break;
        default:
            if (is_path_code(t)) {
                append_path(pattern, directory.value_or(resource_path(t)), p);
            } else if (is_key_code(t)) {
                const std::string& key = g.keys[static_cast<unsigned char>(t.letter)];
                pattern += !key.empty() ? key
                           : t.has_width ? std::string(static_cast<std::size_t>(t.width), '?')
                                         : "*";
            } else {
                pattern += t.letter;
            }
            break;
        }
    }
    return pattern;
}

std::vector<std::string> matching_files(const std::string& pattern) {
    std::vector<std::string> names;
    glob_t found{};
    if (::glob(pattern.c_str(), GLOB_TILDE, nullptr, &found) == 0)
        for (std::size_t i = 0; i < found.gl_pathc; ++i) names.emplace_back(found.gl_pathv[i]);
    ::globfree(&found);
    return names;
}

// The time of a listed file, read back from its name through the
// convention; none when the convention does not make exactly that name for
// that time (another hour than the time setting fixes, say). The keys the
// name gives are left set when `keep_keys`.
std::optional<std::int64_t> listed_file_time(const std::string& name,
                                             const std::optional<std::string>& directory,
                                             bool keep_keys) {
    const NamingCopy naming = g.naming;
    const std::array<std::string, 256> keys = g.keys;
    DateRecord d = kUnsetTime;
    EntryMatcher(naming.convention, name).run(d);
    if (is_missing(d.month)) d.month = 1;
    if (is_missing(d.day)) d.day = 1;
    const std::int64_t t = seconds_of(d);  // "hour 99" is not taken for another time
    const bool same = !is_missing(d.year) && expand(naming.convention, date_at(t), directory).name == name;
    if (!keep_keys) {
        g.naming = naming;
        g.keys = keys;
    }
    if (!same) return std::nullopt;
    return t;
}

// Names numbered from 1 across the rows of as many columns as fit in 80
// characters, each column as wide as its widest entry, two blanks apart.
void print_columns(const std::vector<std::string>& files) {
    constexpr std::size_t kLineWidth = 80;
    const std::size_t n = files.size();
    if (n == 0) return;
    const int digits = static_cast<int>(std::to_string(n).size());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < n; ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%*zu: ", digits, i + 1);
        names.push_back(number + files[i]);
    }
    std::size_t columns = 1;
    std::vector<std::size_t> widths;
    for (std::size_t cols = n; cols >= 1; --cols) {
        std::vector<std::size_t> w(cols, 0);
        for (std::size_t i = 0; i < n; ++i) w[i % cols] = std::max(w[i % cols], names[i].size());
        std::size_t total = 0;
        for (std::size_t c = 0; c < cols; ++c) total += w[c] + (c + 1 < cols ? 2 : 0);
        if (total < kLineWidth || cols == 1) {
            columns = cols;
            widths = std::move(w);
            break;
        }
    }
    std::string line;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t c = i % columns;
        line += names[i];
        if (c + 1 < columns && i + 1 < n) line.append(widths[c] - names[i].size() + 2, ' ');
        if (c + 1 == columns || i + 1 == n) {
            MESS_print(15, "%s\n", line.c_str());
            line.clear();
        }
    }
}

// The search looks at the files present rather than at one name per
// interval, so that a file of any age is found and the reference time
// stands when there is none. A count limits it to that many intervals.
std::int64_t latest_file(std::int64_t t, int direction, int count) {
    const std::optional<std::string> directory = extracted_path(g.naming.convention);
    const Expansion reference = expand(g.naming.convention, date_at(t), directory);
    const std::int64_t from = seconds_of(reference.used);
    const std::int64_t reach = count >= 0 && reference.interval >= 1
                                   ? static_cast<std::int64_t>(count) * reference.interval
                                   : std::numeric_limits<std::int64_t>::max();
    std::optional<std::int64_t> best;
    std::string best_name;
    for (const std::string& name : matching_files(search_pattern(directory))) {
        MESS_print(0xF0000000U, "LATE: %s\n", name.c_str());
        if (FILE_size(name.c_str()) <= current_min_size()) continue;
        const std::optional<std::int64_t> when = listed_file_time(name, directory, false);
        if (!when) continue;
        const std::int64_t ahead = (*when - from) * direction;
        if (ahead < 0 || ahead >= reach || (best && ahead >= (*best - from) * direction)) continue;
        best = when;
        best_name = name;
    }
    if (!best) return t;
    listed_file_time(best_name, directory, true);
    MESS_print(0xF0000000U, "LATEST: %s %s %d\n", best_name.c_str(), "found", 0);
    return *best;
}

}  // namespace

int FILE_list_file() {
    std::vector<std::string> names;
    if (g.naming.convention.empty()) {
        MESS_print(0xF0000000U, "SEARCH: %s\n", ".");
        names = matching_files("*");
    } else {
        const std::string pattern = search_pattern();
        MESS_print(0xF0000000U, "SEARCH: %s\n", pattern.c_str());
        names = matching_files(pattern);
    }
    print_columns(names);
    g.listed = std::move(names);
    return static_cast<int>(g.listed.size());
}

int FILE_overwrite(const char* name, int mode) {
    if (FILE_is_stdio(name) != 0 || FILE_exist(name) == 0) return 1;
    if (FLAG_get(kFlagFileParam) >= 1) return FLAG_get(kFlagFileParam);
    if (FLAG_batch() != 0) return 3;
    char prompt[kFileNameSize + 48];
    std::snprintf(prompt, sizeof prompt,
                  mode == 2 ? "%s: exists overwrite (Y,N,Use,Over,App): "
                            : "%s: exists overwrite (Y,N,Use,Over): ",
                  name);
    char reply[kMenuReplySize] = "";
    ORV_promptl(prompt, reply);
    switch (reply[0]) {
    case 'Y':
    case 'y':
    case 'O':
    case 'o': return 1;
    case 'A':
    case 'a': return mode == 2 ? 2 : 3;
    default: return 3;
    }
}

int FILE_type(const char* name) {
    if (name == nullptr) return -1;
    std::FILE* f = FILE_is_stdio(name) != 0 || name[0] == '|' ? nullptr : FILE_open(name, "r");
    if (f == nullptr) {
        const char* dash = std::strchr(name, '-');
        if (dash == nullptr || dash == name) return -1;
        const std::string before(name, static_cast<std::size_t>(dash - name));
        f = FILE_open(before.c_str(), "r");
        if (f == nullptr) return -1;
    }
    char head[8] = "";
    const std::size_t n = std::fread(head, 1, sizeof head - 1, f);
    head[n] = '\0';
    FILE_close(f);
    static constexpr std::pair<const char*, int> kKinds[] = {
        {"ORVSFC", 11}, {"ORVUPA", 12}, {"ORVRAW", 5}, {"ORVGRID", 6}, {"ORVMETA", 8}, {"ORVIMG", 9}};
    for (const auto& [magic, kind] : kKinds)
        if (std::strncmp(head, magic, std::strlen(magic)) == 0) return kind;
    return -1;
}

void FILE_reset_for_tests() { g = FileState{}; }

}  // namespace orv
