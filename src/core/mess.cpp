#include "core/mess.hpp"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"

namespace orv {
namespace {

// Output modes.
constexpr int kOutFileOnly = 0;
constexpr int kOutTerminal = 1;
constexpr int kOutStampedFile = -1;
constexpr int kOutReopenedFile = 2;

// Paging modes.
constexpr int kPageNever = 0;
constexpr int kPageCount = 2;
constexpr int kDefaultMaxLines = 22;

struct MessState {
    std::uint32_t level = 0x000FFFFF;  // every class up to "out2"
    int set_count = 0;
    int output_mode = kOutTerminal;
    std::FILE* mess_file = nullptr;
    char mess_file_name[160] = {};
    std::FILE* log_file = nullptr;
    int paging = 1;
    int max_lines = kDefaultMaxLines;
    int line_count = 0;
};
MessState g;

std::uint32_t fill_below(std::uint32_t mask) {
    if (mask == 0) return 0;
    std::uint32_t top = 0x80000000U;
    while ((top & mask) == 0) top >>= 1;
    return mask | (top - 1);
}

void close_mess_file() {
    if (g.mess_file != nullptr) FILE_close(g.mess_file);
    g.mess_file = nullptr;
}

// The file name of a file item starts after its prefix and one separator.
const char* name_after(std::string_view item, std::size_t skip) {
    return item.size() > skip ? item.data() + skip : "";
}

void open_mess_file(const char* name, const char* mode, int output_mode) {
    close_mess_file();
    g.mess_file = FILE_open(name, mode);
    g.output_mode = output_mode;
}

struct ClassName {
    const char* name;
    std::size_t letters;
    std::uint32_t mask;
};

constexpr ClassName kClasses[] = {
    {"none", 4, 0},           {"print", 5, 0x0000000FU}, {"error", 5, 0x00000030U},
    {"warn", 4, 0x000000C0U}, {"mess", 4, 0x00000F00U},  {"out1", 4, 0x0000F000U},
    {"out2", 4, 0x000F0000U}, {"out3", 4, 0x00F00000U},  {"out4", 4, 0x0F000000U},
    {"debug", 5, 0xF0000000U},
};

const ClassName* find_class(const char* word) {
    for (const auto& c : kClasses)
        if (strnicmp(word, c.name, c.letters) == 0) return &c;
    return nullptr;
}

std::uint32_t sub_level_mask(char last) {
    switch (std::tolower(static_cast<unsigned char>(last))) {
    case 'a': return 0x11111111U;
    case 'b': return 0x22222222U;
    case 'c': return 0x44444444U;
    case 'd': return 0x88888888U;
    default: return 0xFFFFFFFFU;
    }
}

// A word that names no class changes nothing: taken as "none" it would
// silence every message, fatal errors included. False for such a word.
bool apply_level_item(const char* item) {
    const char* word = item;
    int op = 10;  // replace
    if (*word == '+') {
        op = 11;
        ++word;
    } else if (*word == '-') {
        op = 9;
        ++word;
    }
    const ClassName* c = find_class(word);
    if (c == nullptr) {
        MESS_print(192, "Unknown message level: %s\n", item);
        return false;
    }
    std::uint32_t mask = c->mask;
    const std::size_t len = std::strlen(word);
    if (len > 0) mask &= sub_level_mask(word[len - 1]);
    MESS_set(op, static_cast<int>(mask));
    return true;
}

bool starts_with_nocase(std::string_view item, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return item.size() >= n && strnicmp(item.data(), prefix, n) == 0;
}

// False for a level word that names no class.
bool apply_item(char* item) {
    const std::string_view v(item);
    if (starts_with_nocase(v, "@fi")) {
        open_mess_file(name_after(v, 4), "a", kOutStampedFile);
    } else if (starts_with_nocase(v, "+fi")) {
        open_mess_file(name_after(v, 4), "a", kOutTerminal);
    } else if (starts_with_nocase(v, "-fi")) {
        open_mess_file(name_after(v, 4), "w", kOutTerminal);
    } else if (starts_with_nocase(v, "dfi")) {
        copy_text(g.mess_file_name, name_after(v, 4));
        g.output_mode = kOutReopenedFile;
    } else if (starts_with_nocase(v, "fi")) {
        open_mess_file(name_after(v, 3), "a", kOutFileOnly);
    } else if (stricmp(item, "nopage") == 0) {
        g.paging = kPageNever;
    } else if (stricmp(item, "page") == 0) {
        g.paging = kPageCount;
    } else if (starts_with_nocase(v, "line")) {
        const int lines = std::atoi(name_after(v, 5));
        g.max_lines = lines < 1 ? kDefaultMaxLines : lines;
    } else {
        return apply_level_item(item);
    }
    return true;
}

void trim_blanks(char* s) {
    std::size_t len = std::strlen(s);
    while (len > 0 && std::isspace(static_cast<unsigned char>(s[len - 1])) != 0) s[--len] = '\0';
    std::size_t lead = 0;
    while (std::isspace(static_cast<unsigned char>(s[lead])) != 0) ++lead;
    if (lead > 0) std::memmove(s, s + lead, len - lead + 1);
}

std::string vformat(const char* format, std::va_list ap) {
    std::va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, ap);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

void write_text(std::FILE* f, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), f);
}

void write_time_stamp(std::FILE* f) {
    static constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    gmtime_r(&now, &t);
    std::fprintf(f, "%2.2d %s %2.2d  %2.2d:%2.2d:%2.2dZ -- ", t.tm_year % 100, kMonths[t.tm_mon],
                 t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

void write_to_message_file(const std::string& text) {
    if (g.output_mode == kOutReopenedFile) {
        if (g.mess_file_name[0] == '\0') return;
        std::FILE* f = FILE_open(g.mess_file_name, "a");
        if (f == nullptr) return;
        write_text(f, text);
        FILE_close(f);
        return;
    }
    if (g.mess_file == nullptr) return;
    if (g.output_mode == kOutStampedFile) write_time_stamp(g.mess_file);
    write_text(g.mess_file, text);
    std::fflush(g.mess_file);
}

void count_lines(unsigned level, const char* format) {
    if (g.paging != kPageCount) return;
    g.line_count += static_cast<int>(std::count(format, format + std::strlen(format), '\n'));
    if (g.line_count > g.max_lines) MESS_hold(level, "Press return to continue\n");
}

}  // namespace

int MESS_print(unsigned level, const char* format, ...) {
    if ((level & g.level) == 0 || format == nullptr) return 0;
    std::va_list ap;
    va_start(ap, format);
    const std::string text = vformat(format, ap);
    va_end(ap);

    if (g.log_file != nullptr) {
        write_text(g.log_file, text);
        std::fflush(g.log_file);
    }
    write_to_message_file(text);
    // A message file that could not be opened must not swallow the output.
    if (g.output_mode == kOutFileOnly && g.mess_file != nullptr) return 1;

    if ((level & 0xF0U) != 0) {
        std::fflush(stdout);  // keep the order of the two streams on a terminal
        write_text(stderr, text);
    } else {
        write_text(stdout, text);
    }
    count_lines(level, format);
    return 1;
}

int MESS_set(int op, int mask) {
    if (op < 5) ++g.set_count;
    if (op >= 16 && g.set_count != 0) return 0;
    const auto m = static_cast<std::uint32_t>(mask);
    switch (op) {
    case 0: case 10: case 20: g.level = mask < 0 ? 0xFFFFFFFFU : fill_below(m); break;
    case -1: case 9: case 19: g.level &= ~m; break;
    case 1: case 11: case 21: g.level |= m; break;
    default: break;
    }
    return 0;
}

// A specification of unknown words alone does not count as a setting, so
// the level stays what it would have been without it.
int MESS_set_str(const char* text) {
    int count = 0;
    char** items = nullptr;
    if (parse_string(text, ',', &count, &items) < 0) return 0;
    bool understood = false;
    for (int i = 0; i < count; ++i) {
        trim_blanks(items[i]);
        if (items[i][0] != '\0' && apply_item(items[i])) understood = true;  // "warn,,+debug" is no "none"
    }
    free_parsed_array(count, items);
    if (understood || count == 0) ++g.set_count;
    return 0;
}

int MESS_get() { return static_cast<int>(g.level); }

int MESS_check(unsigned mask) { return (mask & g.level) != 0 ? 1 : 0; }

int MESS_check_set() { return g.set_count; }

int MESS_file(const char* name, const char* mode) {
    MESS_file_close();
    if (name == nullptr || *name == '\0') return -1;
    g.log_file = FILE_open(name, mode != nullptr ? mode : "a");
    return g.log_file != nullptr ? 0 : -1;
}

int MESS_file_close() {
    if (g.log_file != nullptr) FILE_close(g.log_file);
    g.log_file = nullptr;
    return 0;
}

int MESS_set_out(int mode) {
    g.output_mode = mode;
    return 0;
}

int MESS_set_page(int mode) {
    g.paging = mode;
    g.line_count = 0;
    return 0;
}

int MESS_get_max_lines() { return g.max_lines; }

int MESS_hold(unsigned level, const char* text) {
    if ((level & g.level) == 0 || g.output_mode == kOutFileOnly || FLAG_batch() != 0 ||
        g.paging == kPageNever)
        return 0;
    const bool to_stderr = (level & 0x30U) != 0 && (level & 0xC0U) != 0;
    std::FILE* out = to_stderr ? stderr : stdout;
    std::fputs(text != nullptr ? text : "", out);
    std::fflush(out);
    std::getchar();
    g.line_count = 0;
    return 0;
}

int MESS_print_prog(const char* title) {
    MESS_print(0xF00, "      %s (Ver %s)\n\n", title != nullptr ? title : "", ORV_version());
    return 0;
}

void MESS_reset_for_tests() {
    close_mess_file();
    MESS_file_close();
    g = MessState{};
}

}  // namespace orv
