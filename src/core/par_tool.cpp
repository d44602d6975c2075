#include "core/par_tool.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"

namespace orv {
namespace {

constexpr unsigned kTrace = 0x40000000U;
constexpr unsigned kWarnLevel = 192;
constexpr unsigned kMessLevel = 3840;
constexpr int kSearchLimit = 100000;
constexpr int kLineLimit = 10000;         // lines in one call before end flag 16 fires
constexpr std::size_t kRawMax = 1024;     // raw bytes of a line kept for cleaning
constexpr std::size_t kConventionSize = 30;
constexpr std::size_t kPatternSize = 256;
constexpr char kStartOfText = 1;
constexpr char kEndOfText = 3;

// A file read in large blocks, with the offset of every line tracked here so
// that standard input and pipes report positions as well.
class LineSource {
public:
    void attach(std::FILE* file) {
        file_ = file;
        base_ = 0;
        begin_ = end_ = 0;
    }
    [[nodiscard]] bool attached() const { return file_ != nullptr; }

    void close() {
        if (file_ != nullptr) FILE_close(file_);
        file_ = nullptr;
    }

    bool seek(std::int64_t position) {
        if (file_ == nullptr || position < 0) return false;
        if (std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0) return false;
        base_ = position;
        begin_ = end_ = 0;
        return true;
    }

    // The next line without its line feed into raw (kRawMax + 1 bytes; longer
    // lines are cut and their rest skipped): its length, or -1 at the end of
    // the file. *offset receives the offset of the line.
    int next(char* raw, std::int64_t* offset) {
        *offset = base_ + static_cast<std::int64_t>(begin_);
        if (begin_ == end_ && !fill()) return -1;
        std::size_t kept = 0;
        for (;;) {
            if (begin_ == end_ && !fill()) break;
            const char* start = buf_ + begin_;
            const std::size_t avail = end_ - begin_;
            const auto* feed = static_cast<const char*>(std::memchr(start, '\n', avail));
            const std::size_t chunk = feed != nullptr ? static_cast<std::size_t>(feed - start) : avail;
            const std::size_t take = std::min(chunk, kRawMax - kept);
            std::memcpy(raw + kept, start, take);
            kept += take;
            begin_ += chunk;
            if (feed != nullptr) {
                ++begin_;
                break;
            }
        }
        raw[kept] = '\0';
        return static_cast<int>(kept);
    }

private:
    bool fill() {
        base_ += static_cast<std::int64_t>(end_);
        begin_ = end_ = 0;
        if (file_ == nullptr) return false;
        end_ = std::fread(buf_, 1, sizeof buf_, file_);
        return end_ > 0;
    }

    std::FILE* file_ = nullptr;
    std::int64_t base_ = 0;  // file offset of buf_[0]
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    char buf_[32768] = {};
};

struct ParState {
    char in_convention[kConventionSize] = {};
    int end_flags = 0;
    LineSource data;
    LineSource index;
    DateRecord date = {kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    bool has_heading = false;
    char heading[kParLineSize] = {};
    bool has_line = false;
    char line[kParLineSize] = {};
    bool shifted = false;  // the current product carries one blank before every line
    std::int64_t position = 0;
    int status = 0;
    int lines_read = 0;  // in the current call
    int blank_run = 0;   // consecutive blank lines read
};
ParState g;

bool is_open(int fd) { return fd == 0 && g.data.attached(); }

bool is_control(unsigned char c) { return c < 32 || c >= 127; }

bool is_transmission_mark(char c) { return c == kStartOfText || c == kEndOfText; }

// A heading line that begins with exactly one blank marks a product
// distributed with one blank before each of its lines.
bool has_one_leading_blank(const char* raw) { return raw[0] == ' ' && raw[1] != ' ' && raw[1] != '\0'; }

// The cleaning of every line read: carriage returns removed; a leading
// start- or end-of-transmission character kept (it ends the product);
// otherwise control characters at the start dropped together with one blank
// of a shifted product; control and non-ASCII bytes inside the line become
// blanks; the text is cut at kParLineMax characters and trailing blanks go.
void clean_line(const char* raw, std::size_t len, bool shifted, char* out) {
    std::size_t i = 0;
    std::size_t n = 0;
    if (len > 0 && is_transmission_mark(raw[0])) {
        out[n++] = raw[0];
        i = 1;
    } else {
        bool blank_pending = shifted;
        for (; i < len; ++i) {
            const auto c = static_cast<unsigned char>(raw[i]);
            if (c == ' ' && blank_pending) {
                blank_pending = false;
            } else if (!is_control(c)) {
                break;
            }
        }
    }
    const std::size_t kept_mark = n;
    for (; i < len && n < static_cast<std::size_t>(kParLineMax); ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c == '\r') continue;
        out[n++] = is_control(c) ? ' ' : static_cast<char>(c);
    }
    while (n > kept_mark && out[n - 1] == ' ') --n;
    out[n] = '\0';
}

// Reads the next data line into raw and makes its offset the position: its
// length, or -1 at the end of the file.
int read_raw_line(char* raw) { return g.data.next(raw, &g.position); }

// Reads the next line of the current product, cleaned: false at the end of the file.
bool read_product_line(char* out) {
    char raw[kRawMax + 1];
    const int len = read_raw_line(raw);
    if (len < 0) {
        out[0] = '\0';
        return false;
    }
    clean_line(raw, static_cast<std::size_t>(len), g.shifted, out);
    return true;
}

// Reads the next line as a possible heading, cleaned as its own product's
// heading line would be: false at the end of the file.
bool read_heading_line(char* out, bool* shifted) {
    char raw[kRawMax + 1];
    const int len = read_raw_line(raw);
    if (len < 0) {
        out[0] = '\0';
        return false;
    }
    *shifted = has_one_leading_blank(raw);
    clean_line(raw, static_cast<std::size_t>(len), *shifted, out);
    return true;
}

bool is_blank_line(const char* line) {
    return std::all_of(line, line + std::strlen(line), [](char c) { return c == ' '; });
}

// The end test: counts the line and leaves its code in the status. The run
// of blank lines counts lines as they are read, across calls, so that the
// pending line tested again is not counted twice.
int end_code(const char* line, bool fresh) {
    ++g.lines_read;
    const bool blank = is_blank_line(line);
    if (fresh) g.blank_run = blank ? g.blank_run + 1 : 0;
    const std::size_t len = std::strlen(line);
    int code = 0;
    if (is_transmission_mark(line[0])) {
        code = kParStatusEnd;
    } else if (std::strncmp(line, "** ", 3) == 0) {
        code = kParStatusHeading;
    } else if ((g.end_flags & kParEndLimit) != 0 && g.lines_read > kLineLimit) {
        code = kParEndLimit;
    } else if ((g.end_flags & kParEndBlank) != 0 && blank) {
        code = kParEndBlank;
    } else if ((g.end_flags & kParEndBlanks) != 0 && g.blank_run > 2) {
        code = kParEndBlanks;
    } else if ((g.end_flags & kParEndDollar) != 0 && std::strncmp(line, "$$", 2) == 0) {
        code = kParEndDollar;
    } else if ((g.end_flags & kParEndEqual) != 0 && len > 0 && line[len - 1] == '=') {
        code = kParEndEqual;
    }
    g.status = code;
    return code;
}

void trace(const char* step, const char* line, int n) {
    if (MESS_check(kTrace) == 0) return;
    MESS_print(kTrace, "%s:%3X:%6d:%-20.20s:%-10.10s:%-10.10s:%d:\n", step, static_cast<unsigned>(g.status),
               static_cast<int>(g.position), line, g.has_heading ? g.heading : "",
               g.has_line ? g.line : "", n);
}

void clear_pending() {
    g.has_heading = false;
    g.heading[0] = '\0';
    g.has_line = false;
    g.line[0] = '\0';
}

void set_heading(const char* text, bool shifted) {
    copy_text(g.heading, text);
    g.has_heading = true;
    g.has_line = false;
    g.line[0] = '\0';
    g.shifted = shifted;
    g.status = kParStatusFound;
}

// ---- heading patterns ----

enum class Match { kYes, kNo, kHeadingEnded };

// Past a bracketed set starting at p ("[" included); an unclosed set runs to
// the end of the pattern.
const char* skip_set(const char* p) {
    ++p;
    if (*p == '^') ++p;
    if (*p == ']') ++p;
    while (*p != '\0' && *p != ']') ++p;
    return *p == ']' ? p + 1 : p;
}

bool in_set(const char* p, char c) {
    ++p;
    const bool negated = *p == '^';
    if (negated) ++p;
    bool found = false;
    for (const char* first = p; *p != '\0' && (*p != ']' || p == first); ++p) {
        if (p[1] == '-' && p[2] != '\0' && p[2] != ']') {
            found = found || (c >= p[0] && c <= p[2]);
            p += 2;
        } else {
            found = found || c == *p;
        }
    }
    return found != negated;
}

// One single-character element at p against c (c is not the terminator):
// whether it matches; p moves past the element.
bool match_unit(const char*& p, char c) {
    switch (*p) {
        case '.':
        case '?':
            ++p;
            return true;
        case '_':
            ++p;
            return c == ' ';
        case '[': {
            const bool ok = in_set(p, c);
            p = skip_set(p);
            return ok;
        }
        default:
            return *p++ == c;
    }
}

bool ends_alternative(char c) { return c == '\0' || c == '|' || c == ')'; }

const char* skip_alternative(const char* p) {
    while (!ends_alternative(*p)) p = *p == '[' ? skip_set(p) : p + 1;
    return p;
}

// A list of alternatives at p ("(" included) against the heading at h. On a
// match h moves past the alternative matched; p always moves past the list.
Match match_alternatives(const char*& p, const char*& h) {
    ++p;
    bool ran_out = false;
    bool matched = false;
    const char* matched_end = h;
    while (true) {
        const char* q = p;
        const char* hp = h;
        bool ok = true;
        ran_out = false;
        while (ok && !ends_alternative(*q)) {
            if (*hp == '\0') {
                ok = false;
                ran_out = true;
            } else {
                ok = match_unit(q, *hp++);
            }
        }
        if (ok && !matched) {
            matched = true;
            matched_end = hp;
        }
        p = skip_alternative(q);
        if (*p != '|') break;
        ++p;
    }
    if (*p == ')') ++p;
    if (matched) {
        h = matched_end;
        return Match::kYes;
    }
    return ran_out ? Match::kHeadingEnded : Match::kNo;
}

// Whether the element at p would match at h, without moving either.
bool element_matches_at(const char* p, const char* h) {
    if (*p == '(') return match_alternatives(p, h) == Match::kYes;
    return *h != '\0' && match_unit(p, *h);
}

const char* skip_blanks(const char* s) {
    while (*s == ' ') ++s;
    return s;
}

Match match_pattern(const char* p, const char* h, const char* second_part) {
    while (*p != '\0') {
        switch (*p) {
            case '(': {
                const Match m = match_alternatives(p, h);
                if (m != Match::kYes) return m;
                break;
            }
            case '*':
            case '-': {
                ++p;
                if (*p == '\0') return Match::kYes;
                if (*p == '*' || *p == '-') break;
                if (*p == '/') {
                    h += std::strlen(h);
                    break;
                }
                while (!element_matches_at(p, h)) {
                    if (*h == '\0') return Match::kNo;
                    ++h;
                }
                break;
            }
            case '/':
                ++p;
                h = skip_blanks(second_part);
                // Selectors on the fields of a GRIB product are not read here.
                if (std::strncmp(h, "GRIB", 4) == 0) return Match::kNo;
                break;
            default:
                if (*h == '\0' || !match_unit(p, *h)) return Match::kNo;
                ++h;
        }
    }
    return Match::kYes;
}

enum class Step { kFound, kNext, kEnd };

void end_of_file() {
    clear_pending();
    g.status = kParStatusEnd;
}

Step search_step_in_index(const char* pattern) {
    char raw[kRawMax + 1];
    std::int64_t offset = 0;
    if (g.index.next(raw, &offset) < 0) {
        end_of_file();
        return Step::kEnd;
    }
    long heading_offset = 0;
    char heading[kParLineSize] = {};
    if (std::sscanf(raw, "%ld %128[^\n]", &heading_offset, heading) != 2) return Step::kNext;
    char* slash = std::strchr(heading, '/');
    const char* second_part = "";
    if (slash != nullptr) {
        *slash = '\0';
        second_part = slash + 1;
    }
    if (PAR_cmp(heading, second_part, pattern) != 0) return Step::kNext;
    // An index entry pointing outside the data file is passed over.
    char line[kParLineSize];
    bool shifted = false;
    if (!g.data.seek(heading_offset) || !read_heading_line(line, &shifted)) return Step::kNext;
    set_heading(line, shifted);
    trace("SE-1", line, 0);
    return Step::kFound;
}

Step search_step_in_data(const char* pattern) {
    char line[kParLineSize];
    bool shifted = g.shifted;
    if (g.has_heading) {
        copy_text(line, g.heading);
    } else if (!read_heading_line(line, &shifted)) {
        end_of_file();
        return Step::kEnd;
    }
    // A start- or end-of-transmission line delimits products and heads none.
    if (is_transmission_mark(line[0]) || PAR_cmp(line, "", pattern) != 0) {
        g.has_heading = false;
        g.heading[0] = '\0';
        return Step::kNext;
    }
    set_heading(line, shifted);
    trace("SE-2", line, 0);
    return Step::kFound;
}

// The names of the product file for the date and of its heading index (the
// empty text when the convention gives none), under the input convention.
// A current file named as standard input clears the input convention; no
// current file name at all leaves the name to the convention.
void product_names(const DateRecord* date, char* data_name, char* index_name) {
    FILE_get_filename(data_name);
    index_name[0] = '\0';
    if (data_name[0] != '\0' && FILE_is_stdio(data_name) != 0) {
        g.in_convention[0] = '\0';
        return;
    }
    if (g.in_convention[0] == '\0') return;
    FILE_set_name(g.in_convention);
    FILE_set_date(date, data_name);
    if (FILE_hdr_set_date(date, index_name) != 1) index_name[0] = '\0';
}

}  // namespace

void PAR_set_in_file(const char* convention) { copy_text(g.in_convention, convention); }

void PAR_set_end(int flags) { g.end_flags = flags; }

int PAR_open(const DateRecord* date) {
    PAR_close(0);
    FILE_save_name_conv();
    char data_name[kFileNameSize];
    char index_name[kFileNameSize];
    product_names(date, data_name, index_name);
    MESS_print(kMessLevel, "Parsing: %s\n", data_name);
    std::FILE* file = FILE_open(data_name, "r");
    if (file == nullptr) {
        FILE_restore_name_conv();
        return -1;
    }
    g.data.attach(file);
    if (index_name[0] != '\0') {
        std::FILE* index = FILE_open(index_name, "r");
        if (index != nullptr) g.index.attach(index);
    }
    if (date != nullptr) g.date = *date;
    clear_pending();
    g.shifted = false;
    g.position = 0;
    g.status = 0;
    g.blank_run = 0;
    FILE_restore_name_conv();
    return 0;
}

int PAR_close(int fd) {
    if (!is_open(fd)) return 0;
    g.data.close();
    g.index.close();
    return 1;
}

int PAR_rewind(int fd) {
    if (!is_open(fd)) return 0;
    g.data.seek(0);
    if (g.index.attached()) g.index.seek(0);
    g.status = 0;
    g.position = 0;
    g.blank_run = 0;
    return 1;
}

int PAR_seek(int fd, std::int64_t position) {
    if (!is_open(fd) || !g.data.seek(position)) return 0;
    g.position = position;
    g.status = 0;
    g.blank_run = 0;
    return 1;
}

std::int64_t PAR_get_pos(int fd) { return is_open(fd) ? g.position : -1; }

int PAR_get_status(int fd) { return fd == 0 ? g.status : -1; }

int PAR_search(int fd, const char* pattern) {
    if (!is_open(fd)) return -1;
    char upper[kPatternSize];
    copy_text(upper, pattern);
    for (char* c = upper; *c != '\0'; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    trace("SE--", upper, 0);
    for (int i = 0; i < kSearchLimit; ++i) {
        const Step step = g.index.attached() ? search_step_in_index(upper) : search_step_in_data(upper);
        if (step == Step::kFound) return 1;
        if (step == Step::kEnd) {
            trace("SE-$", "", 0);
            return -1;
        }
    }
    MESS_print(kWarnLevel, "Caught in search loop\n");
    return 0;
}

int PAR_read(int fd, int reopen, int n, char* line) {
    if (line != nullptr) line[0] = '\0';
    if (line == nullptr || !is_open(fd)) return -1;
    g.lines_read = 0;
    trace("RD--", line, n);
    int h = g.has_heading ? 1 : 0;
    if (h == 1 && n == 0) {
        strntcpy(line, g.heading, kParLineSize);
        return 1;
    }
    bool ended = false;
    if (g.has_line) {
        if (end_code(g.line, false) == 0) {
            if (h == n) {
                strntcpy(line, g.line, kParLineSize);
                trace("RD-1", line, n);
                return 1;
            }
            ++h;
        } else {
            ended = true;
        }
    }
    if (h > n) return 0;
    char read[kParLineSize];
    if (!read_product_line(read)) {
        g.status = kParStatusEnd;
        trace("RD-$", "", n);
        return -1;
    }
    const int code = end_code(read, true);
    g.has_heading = false;
    g.heading[0] = '\0';
    if (code == 0 && !ended) {
        strntcpy(line, read, kParLineSize);
        return 1;
    }
    if (code == kParEndEqual) {
        strntcpy(line, read, kParLineSize);
        return 0;
    }
    if (code == kParStatusHeading) {
        copy_text(g.heading, read);
        g.has_heading = true;
    } else {
        copy_text(g.line, read);
        g.has_line = true;
    }
    trace("RD-$", read, n);
    if (reopen == 1) PAR_close(fd);
    return 0;
}

int PAR_cmp(const char* heading, const char* second_part, const char* pattern) {
    const char* h = heading != nullptr ? heading : "";
    const char* p = pattern != nullptr ? pattern : "";
    if (h[0] == '*' && h[1] == '*') h += std::min<std::size_t>(3, std::strlen(h));
    h = skip_blanks(h);
    MESS_print(kTrace, "CMP:%s:%s:%s:\n", h, second_part != nullptr ? second_part : "", p);
    if (*h == '\0') return *p == '\0' ? 0 : 1;
    if (*p == '\0' || strcasecmp(p, "all") == 0) return 0;
    const Match m = match_pattern(p, h, second_part != nullptr ? second_part : "");
    return m == Match::kNo ? 1 : 0;
}

void PAR_reset_for_tests() {
    PAR_close(0);
    g.in_convention[0] = '\0';
    g.end_flags = 0;
    g.data = LineSource{};
    g.index = LineSource{};
    DATE_init(&g.date);
    clear_pending();
    g.shifted = false;
    g.position = 0;
    g.status = 0;
    g.lines_read = 0;
    g.blank_run = 0;
}

}  // namespace orv
