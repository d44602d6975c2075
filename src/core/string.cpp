#include "core/string.hpp"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace orv {
namespace {

int lower(char c) { return std::tolower(static_cast<unsigned char>(c)); }

// Removes, in place, every character for which drop(c) holds.
template <typename Pred>
void remove_if_chars(char* s, Pred drop) {
    if (s == nullptr) return;
    char* out = s;
    for (const char* in = s; *in != '\0'; ++in)
        if (!drop(*in)) *out++ = *in;
    *out = '\0';
}

void trim_trailing(char* s, char c) {
    if (s == nullptr) return;
    std::size_t n = std::strlen(s);
    while (n > 0 && s[n - 1] == c) s[--n] = '\0';
}

char* copy_view(std::string_view v) {
    auto* p = static_cast<char*>(std::malloc(v.size() + 1));
    if (p == nullptr) return nullptr;
    std::memcpy(p, v.data(), v.size());
    p[v.size()] = '\0';
    return p;
}

// Hands a list of pieces to the caller as a malloc'd array of malloc'd texts.
int hand_over(const std::vector<std::string>& pieces, int* count, char*** items) {
    *count = 0;
    *items = nullptr;
    if (pieces.empty()) return 0;
    auto** arr = static_cast<char**>(std::calloc(pieces.size(), sizeof(char*)));
    if (arr == nullptr) return -1;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        arr[i] = copy_view(pieces[i]);
        if (arr[i] == nullptr) {
            free_parsed_array(static_cast<int>(i), arr);
            return -1;
        }
    }
    *count = static_cast<int>(pieces.size());
    *items = arr;
    return *count;
}

std::vector<std::string> split_command(std::string_view s) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
        if (i >= s.size()) break;
        if (s[i] == '"') {
            const std::size_t end = s.find('"', i + 1);
            const std::size_t stop = end == std::string_view::npos ? s.size() : end;
            out.emplace_back(s.substr(i + 1, stop - i - 1));
            i = stop == s.size() ? stop : stop + 1;
        } else {
            const std::size_t start = i;
            while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\n' && s[i] != '\r') ++i;
            out.emplace_back(s.substr(start, i - start));
        }
    }
    return out;
}

}  // namespace

char* strntcpy(char* dst, const char* src, std::size_t size) {
    if (dst == nullptr || size == 0) return dst;
    std::size_t n = 0;
    if (src != nullptr)
        while (n + 1 < size && src[n] != '\0') ++n;
    if (n > 0) std::memmove(dst, src, n);
    dst[n] = '\0';
    return dst;
}

char* strmcat(char* dst, const char* src, std::size_t size) {
    if (dst == nullptr || size == 0) return dst;
    const std::size_t used = strnlen(dst, size);
    if (used >= size) {
        dst[size - 1] = '\0';
        return dst;
    }
    strntcpy(dst + used, src, size - used);
    return dst;
}

void fill_string(char* s, char from, char to) {
    if (s == nullptr) return;
    for (; *s != '\0'; ++s)
        if (*s == from) *s = to;
}

void strip_string(char* s, char c) {
    remove_if_chars(s, [c](char x) { return x == c; });
}

void wsstrip_string(char* s) {
    remove_if_chars(s, [](char x) { return x == '\r' || x == '\n'; });
}

void wstrim_string(char* s) {
    wsstrip_string(s);
    trim_string(s);
}

void trim_string(char* s) { trim_trailing(s, ' '); }

void trim_cr_string(char* s) { trim_trailing(s, '\r'); }

void strip_spaces(char* s) {
    trim_string(s);
    if (s == nullptr) return;
    char* out = s;
    for (const char* in = s; *in != '\0'; ++in)
        if (!(*in == ' ' && out > s && out[-1] == ' ')) *out++ = *in;
    *out = '\0';
}

void strip_escape(char* s) {
    if (s == nullptr) return;
    char* out = s;
    for (const char* in = s; *in != '\0'; ++in) {
        if (*in == '\\') {
            ++in;
            if (*in == '\0') break;
        }
        *out++ = *in;
    }
    *out = '\0';
}

void shift_string(char* s, int n) {
    if (s == nullptr || n == 0) return;
    const std::size_t len = std::strlen(s);
    if (n > 0) {
        s[static_cast<std::size_t>(n) >= len ? 0 : len - static_cast<std::size_t>(n)] = '\0';
    } else {
        const std::size_t cut = std::min(len, static_cast<std::size_t>(-static_cast<long>(n)));
        std::memmove(s, s + cut, len - cut + 1);
    }
}

void up_string(char* s) {
    if (s == nullptr) return;
    for (; *s != '\0'; ++s) *s = static_cast<char>(std::toupper(static_cast<unsigned char>(*s)));
}

void low_string(char* s) {
    if (s == nullptr) return;
    for (; *s != '\0'; ++s) *s = static_cast<char>(lower(*s));
}

int string_is_float(const char* s) {
    return s != nullptr && (std::strchr(s, '.') != nullptr || std::strchr(s, 'E') != nullptr) ? 1 : 0;
}

int string_is_alpha(const char* s) {
    if (s == nullptr || *s == '\0') return 0;
    for (; *s != '\0'; ++s)
        if (!std::isalpha(static_cast<unsigned char>(*s))) return 0;
    return 1;
}

int string_is_num(const char* s) {
    if (s == nullptr) return 0;
    if (*s == '-') ++s;
    if (*s == '\0') return 0;
    for (; *s != '\0'; ++s)
        if (!std::isdigit(static_cast<unsigned char>(*s))) return 0;
    return 1;
}

int string_is_num_len(const char* s, int n) {
    if (s == nullptr) return 0;
    for (int i = 0; i < n; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return 0;
    return 1;
}

int string_is_blank(const char* s) {
    if (s == nullptr) return 1;
    for (; *s != '\0'; ++s)
        if (static_cast<unsigned char>(*s) > 32) return 0;
    return 1;
}

char* create_string(const char* s) { return s == nullptr ? nullptr : copy_view(s); }

char* create_strcat(const char* a, const char* b, const char* c) {
    if (c == nullptr) return nullptr;
    std::string joined;
    if (a != nullptr) joined += a;
    if (b != nullptr) joined += b;
    joined += c;
    return copy_view(joined);
}

void clean_line(char* s) {
    if (s == nullptr) return;
    std::size_t n = std::strlen(s);
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) < 32) s[--n] = '\0';
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 32 || c > 127) s[i] = ' ';
    }
}

int parse_string(const char* s, char sep, int* count, char*** items) {
    *count = 0;
    *items = nullptr;
    if (s == nullptr || *s == '\0') return -1;
    std::string_view text(s);
    while (!text.empty() && text.back() == sep) text.remove_suffix(1);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(sep, start);
        pieces.emplace_back(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return hand_over(pieces, count, items);
}

int parse_command(const char* s, int* count, char*** items) {
    *count = 0;
    *items = nullptr;
    if (s == nullptr || *s == '\0') return -1;
    return hand_over(split_command(s), count, items);
}

int parse_command_line(int argc, const char* const* argv, int* count, char*** items) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        if (!line.empty()) line += ' ';
        line += argv[i];
    }
    return parse_command(line.c_str(), count, items);
}

void free_parsed_array(int count, char** items) {
    if (items == nullptr) return;
    for (int i = 0; i < count; ++i) std::free(items[i]);
    std::free(items);
}

int stricmp(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    for (;; ++a, ++b) {
        const int d = lower(*a) - lower(*b);
        if (d != 0 || *a == '\0') return d;
    }
}

int strnicmp(const char* a, const char* b, std::size_t n) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    for (std::size_t i = 0; i < n; ++i) {
        const int d = lower(a[i]) - lower(b[i]);
        if (d != 0 || a[i] == '\0') return d;
    }
    return 0;
}

const char* strlstr(const char* s, const char* needle) {
    if (s == nullptr || needle == nullptr) return nullptr;
    const std::size_t n = std::strlen(needle);
    for (; *s != '\0'; ++s)
        if (strnicmp(s, needle, n) == 0) return s;
    return n == 0 ? s : nullptr;
}

int searchstr(const char* s, const char* needle) {
    if (s == nullptr || needle == nullptr) return -1;
    const char* at = std::strstr(s, needle);
    return at == nullptr ? -1 : static_cast<int>(at - s);
}

}  // namespace orv
