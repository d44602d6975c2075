#include "core/par_tool.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>
#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"

namespace orv {
namespace {

constexpr unsigned kTrace = 0x40000000U;
constexpr unsigned kWarnLevel = 192;
constexpr unsigned kMessLevel = 3840;
constexpr int kSearchLimit = 100000;
constexpr int kLineLimit = 10000;      // lines in one call before end flag 16 fires
constexpr std::size_t kRawMax = 1024;  // raw bytes of a line kept for cleaning
constexpr std::size_t kConventionSize = 30;
constexpr std::size_t kPatternSize = 256;
constexpr char kStartOfText = 1;
constexpr char kEndOfText = 3;
// Bytes readable after the end of a LineSource's block, so that the plain
// line reader can read whole blocks of 16.
constexpr std::size_t kReadPad = 16;

// Where the first line of a run of bytes ends. A line feed, a carriage
// return, or carriage returns followed by a line feed (as transmitted products
// end their lines) end one line each.
struct LineEnd {
    std::size_t length;    // bytes of text before the end
    std::size_t end_size;  // bytes of the end itself
    bool complete;         // false: the bytes ran out first, with no end or
                           // with carriage returns a line feed may yet follow
};

LineEnd find_line_end(const char* p, std::size_t n) {
    const auto* feed = static_cast<const char*>(std::memchr(p, '\n', n));
    const std::size_t f = feed != nullptr ? static_cast<std::size_t>(feed - p) : n;
    const auto* cr = static_cast<const char*>(std::memchr(p, '\r', f));
    if (cr == nullptr) return {f, 1, feed != nullptr};
    const auto c = static_cast<std::size_t>(cr - p);
    std::size_t r = c;
    while (r < n && p[r] == '\r') ++r;
    if (r == n) return {c, 0, false};
    return p[r] == '\n' ? LineEnd{c, r + 1 - c, true} : LineEnd{c, 1, true};
}

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
    [[nodiscard]] std::FILE* file() const { return file_; }

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

    // The next line without its line end: false at the end of the file.
    // The text stays valid until the next call; lines longer than kRawMax
    // bytes are cut and their rest skipped. *offset receives the offset of
    // the line.
    bool next(std::string_view* line, std::int64_t* offset) {
        if (begin_ == end_ && !fill()) {
            *offset = base_;
            return false;
        }
        LineEnd e = find_line_end(buf_ + begin_, end_ - begin_);
        while (!e.complete && refill_behind()) e = find_line_end(buf_ + begin_, end_ - begin_);
        *offset = base_ + static_cast<std::int64_t>(begin_);
        if (!e.complete && e.length == end_ - begin_) return next_long(line);
        *line = std::string_view(buf_ + begin_, std::min(e.length, kRawMax));
        // Carriage returns that nothing more can follow: the first ends the line.
        begin_ += e.length + (e.complete ? e.end_size : 1);
        return true;
    }

    // The bytes of the current block not yet read (kReadPad more stay
    // readable after them), and the offset of the first.
    [[nodiscard]] const char* pending(std::size_t* n, std::int64_t* offset) const {
        *n = end_ - begin_;
        *offset = base_ + static_cast<std::int64_t>(begin_);
        return buf_ + begin_;
    }
    void consume(std::size_t n) { begin_ += n; }

private:
    bool fill() {
        base_ += static_cast<std::int64_t>(end_);
        begin_ = end_ = 0;
        if (file_ == nullptr) return false;
        end_ = std::fread(buf_, 1, kBlock, file_);
        return end_ > 0;
    }

    // Moves the bytes not yet read to the start of the block and reads more
    // behind them: false when the block is full or nothing more comes.
    bool refill_behind() {
        if (file_ == nullptr || (begin_ == 0 && end_ == kBlock)) return false;
        std::memmove(buf_, buf_ + begin_, end_ - begin_);
        base_ += static_cast<std::int64_t>(begin_);
        end_ -= begin_;
        begin_ = 0;
        const std::size_t n = std::fread(buf_ + end_, 1, kBlock - end_, file_);
        end_ += n;
        return n > 0;
    }

    // A line longer than the block: its first kRawMax bytes are kept.
    bool next_long(std::string_view* line) {
        std::size_t kept = 0;
        for (;;) {
            if (begin_ == end_ && !fill()) break;
            const std::size_t avail = end_ - begin_;
            const LineEnd e = find_line_end(buf_ + begin_, avail);
            const std::size_t take = std::min(e.length, kRawMax - kept);
            std::memcpy(spill_ + kept, buf_ + begin_, take);
            kept += take;
            begin_ += e.length;
            if (e.complete) {
                begin_ += e.end_size;
                break;
            }
            if (e.length < avail && !refill_behind()) {
                ++begin_;
                break;
            }
        }
        *line = std::string_view(spill_, kept);
        return true;
    }

    std::FILE* file_ = nullptr;
    std::int64_t base_ = 0;  // file offset of buf_[0]
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    static constexpr std::size_t kBlock = 32768;
    char buf_[kBlock + kReadPad] = {};
    char spill_[kRawMax] = {};  // a line that runs over the end of buf_
};

static_assert(kParLineMax % 16 == 0, "lines are copied in blocks of 16");

// A cleaned line and its length.
struct Line {
    int len = 0;
    char text[kParLineSize];  // terminated after len characters

    Line() { text[0] = '\0'; }

    // src holds at least kParLineSize bytes (a line buffer): it is copied in
    // whole blocks of 16.
    void set(const char* src, int n) {
        len = std::min(n, kParLineMax);
        for (int i = 0; i < len; i += 16) std::memcpy(text + i, src + i, 16);
        text[len] = '\0';
    }
    void set(const Line& other) { set(other.text, other.len); }
    void clear() {
        len = 0;
        text[0] = '\0';
    }
};

struct ParState {
    char in_convention[kConventionSize] = {};
    int end_flags = 0;
    LineSource data;
    LineSource index;
    DateRecord date = {kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    bool has_heading = false;
    Line heading;
    bool has_line = false;
    Line line;
    bool shifted = false;  // the current product carries one blank before every line
    std::int64_t position = 0;
    int status = 0;
    int lines_read = 0;  // in the current call
    int blank_run = 0;   // consecutive blank lines read
    int handed_len = 0;  // length of the line PAR_read last handed out
    bool has_file_id = false;  // a regular file, told apart by file_id
    ParFileId file_id;
    // Where each product read so far begins (just past its heading) and
    // whether it is shifted, for the file shifts_of: a later seek into one of
    // those products, even after the file was opened again, reads its lines
    // as they were read the first time.
    std::vector<std::pair<std::int64_t, bool>> shifts;
    ParFileId shifts_of;
};
ParState g;

bool is_open(int fd) { return fd == 0 && g.data.attached(); }

bool is_control(unsigned char c) { return c < 32 || c >= 127; }

bool is_transmission_mark(char c) { return c == kStartOfText || c == kEndOfText; }

// Whether every byte of raw is printable (32..126). Written without an early
// exit so that the compiler can work on many bytes at once.
bool all_printable(std::string_view raw) {
    // Bytes 32..126 map to 0..94 and every other byte above 94, in eight bits.
    unsigned char any = 0;
    for (const char c : raw)
        any |= static_cast<unsigned char>(static_cast<unsigned char>(static_cast<unsigned char>(c) + 224U) > 94U);
    return any == 0;
}

// The cleaning of a line with control characters into text: its length.
// A leading start- or end-of-transmission character is kept (*mark 1: it
// ends the product); otherwise control characters at the start are dropped
// together with one blank of a shifted product. Other control and non-ASCII
// bytes become blanks.
std::size_t clean_controls(std::string_view raw, bool shifted, char* text, std::size_t* mark) {
    std::size_t n = 0;
    std::size_t i = 0;
    if (!raw.empty() && is_transmission_mark(raw[0])) {
        text[n++] = raw[0];
        *mark = 1;
        i = 1;
    } else {
        bool blank_pending = shifted;
        for (; i < raw.size(); ++i) {
            const auto c = static_cast<unsigned char>(raw[i]);
            if (c == ' ' && blank_pending) {
                blank_pending = false;
            } else if (!is_control(c)) {
                break;
            }
        }
    }
    for (; i < raw.size() && n < static_cast<std::size_t>(kParLineMax); ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        text[n++] = is_control(c) ? ' ' : static_cast<char>(c);
    }
    return n;
}

// The cleaning of every line read: the one leading blank of a shifted
// product dropped, control characters handled as above, the text cut at
// kParLineMax characters and its trailing blanks removed.
int clean_text(std::string_view raw, bool shifted, char* text) {
    const bool drop_blank = shifted && !raw.empty() && raw[0] == ' ';
    const std::string_view rest = drop_blank ? raw.substr(1) : raw;
    std::size_t n = std::min(rest.size(), static_cast<std::size_t>(kParLineMax));
    std::size_t mark = 0;
    if (all_printable(rest)) {
        std::memcpy(text, rest.data(), n);
    } else {
        n = clean_controls(raw, shifted, text, &mark);
    }
    while (n > mark && text[n - 1] == ' ') --n;
    text[n] = '\0';
    return static_cast<int>(n);
}

void clean_line(std::string_view raw, bool shifted, Line* out) { out->len = clean_text(raw, shifted, out->text); }

#if defined(__SSE2__)
// The usual line: printable, not over kParLineMax characters, with its line
// feed in the current block. Cleaned into text (kParLineSize bytes) in one
// pass: its length, or -1 when the line needs the full cleaning.
int read_plain_line(char* text) {
    std::size_t avail = 0;
    std::int64_t offset = 0;
    const char* p = g.data.pending(&avail, &offset);
    std::size_t skip = g.shifted && avail > 0 && p[0] == ' ' ? 1 : 0;
    const __m128i shift = _mm_set1_epi8(static_cast<char>(0x60));
    const __m128i limit = _mm_set1_epi8(-33);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kParLineMax) + 1; i += 16) {
        if (skip + i >= avail) return -1;
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + skip + i));
        const auto good = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(_mm_add_epi8(x, shift), limit)));
        if (i < static_cast<std::size_t>(kParLineMax)) _mm_storeu_si128(reinterpret_cast<__m128i*>(text + i), x);
        if (good == 0xFFFFU) continue;
        const auto at = i + static_cast<std::size_t>(__builtin_ctz(~good));
        if (skip + at >= avail || at > static_cast<std::size_t>(kParLineMax)) return -1;
        if (p[skip + at] != '\n' && p[skip + at] != '\r') return -1;
        const LineEnd e = find_line_end(p + skip + at, avail - skip - at);
        if (!e.complete || e.length != 0) return -1;
        std::size_t n = at;
        while (n > 0 && text[n - 1] == ' ') --n;
        text[n] = '\0';
        g.data.consume(skip + at + e.end_size);
        g.position = offset;
        return static_cast<int>(n);
    }
    return -1;
}
#endif

// Reads the next line of the current product, cleaned, into text
// (kParLineSize bytes) and makes its offset the position: its length, or -1
// at the end of the file.
int read_product_line(char* text) {
#if defined(__SSE2__)
    if (const int n = read_plain_line(text); n >= 0) return n;
#endif
    std::string_view raw;
    if (!g.data.next(&raw, &g.position)) {
        text[0] = '\0';
        return -1;
    }
    return clean_text(raw, g.shifted, text);
}

// Reads the next line as a possible heading, cleaned as its own product's
// heading line would be: false at the end of the file.
bool read_heading_line(Line* out, bool* shifted) {
    std::string_view raw;
    if (!g.data.next(&raw, &g.position)) {
        out->clear();
        return false;
    }
    // A heading line that begins with exactly one blank marks a product
    // distributed with one blank before each of its lines.
    *shifted = raw.size() > 1 && raw[0] == ' ' && raw[1] != ' ';
    clean_line(raw, *shifted, out);
    return true;
}

// The end test: counts the line and leaves its code in the status. The run
// of blank lines counts lines as they are read, across calls, so that the
// pending line tested again is not counted twice. Cleaned lines have no
// trailing blanks: a blank line is empty.
[[gnu::always_inline]] inline int end_code(const char* text, int len, bool fresh) {
    ++g.lines_read;
    const bool blank = len == 0;
    if (fresh) g.blank_run = blank ? g.blank_run + 1 : 0;
    const int flags = g.end_flags;
    int code = 0;
    if (is_transmission_mark(text[0])) {
        code = kParStatusEnd;
    } else if (text[0] == '*' && text[1] == '*' && text[2] == ' ') {
        code = kParStatusHeading;
    } else if ((flags & kParEndLimit) != 0 && g.lines_read > kLineLimit) {
        code = kParEndLimit;
    } else if ((flags & kParEndBlank) != 0 && blank) {
        code = kParEndBlank;
    } else if ((flags & kParEndBlanks) != 0 && g.blank_run > 2) {
        code = kParEndBlanks;
    } else if ((flags & kParEndDollar) != 0 && text[0] == '$' && text[1] == '$') {
        code = kParEndDollar;
    } else if ((flags & kParEndEqual) != 0 && !blank && text[len - 1] == '=') {
        code = kParEndEqual;
    }
    g.status = code;
    return code;
}

void trace(const char* step, const char* line, int n) {
    if (MESS_check(kTrace) == 0) return;
    MESS_print(kTrace, "%s:%3X:%6d:%-20.20s:%-10.10s:%-10.10s:%d:\n", step, static_cast<unsigned>(g.status),
               static_cast<int>(g.position), line, g.has_heading ? g.heading.text : "",
               g.has_line ? g.line.text : "", n);
}

void clear_pending() {
    g.has_heading = false;
    g.heading.clear();
    g.has_line = false;
    g.line.clear();
}

constexpr std::size_t kShiftsKept = 100000;

void remember_shift(std::int64_t position, bool shifted) {
    if (!g.has_file_id) return;
    auto at = std::lower_bound(g.shifts.begin(), g.shifts.end(), position,
                               [](const std::pair<std::int64_t, bool>& e, std::int64_t p) { return e.first < p; });
    if (at != g.shifts.end() && at->first == position) {
        at->second = shifted;
    } else if (g.shifts.size() < kShiftsKept) {
        g.shifts.insert(at, {position, shifted});
    }
}

// The shift of the product holding position, as it was read: false when no
// product before it was read.
bool shift_at(std::int64_t position) {
    auto after = std::upper_bound(g.shifts.begin(), g.shifts.end(), position,
                                  [](std::int64_t p, const std::pair<std::int64_t, bool>& e) { return p < e.first; });
    return after != g.shifts.begin() && std::prev(after)->second;
}

void set_heading(const Line& line, bool shifted) {
    remember_shift(g.position, shifted);
    g.heading.set(line);
    g.has_heading = true;
    g.has_line = false;
    g.line.clear();
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
    std::string_view raw;
    std::int64_t offset = 0;
    if (!g.index.next(&raw, &offset)) {
        end_of_file();
        return Step::kEnd;
    }
    char entry[kRawMax + 1];
    std::memcpy(entry, raw.data(), raw.size());
    entry[raw.size()] = '\0';
    long heading_offset = 0;
    char heading[kParLineSize] = {};
    if (std::sscanf(entry, "%ld %128[^\n]", &heading_offset, heading) != 2) return Step::kNext;
    char* slash = std::strchr(heading, '/');
    const char* second_part = "";
    if (slash != nullptr) {
        *slash = '\0';
        second_part = slash + 1;
    }
    if (PAR_cmp(heading, second_part, pattern) != 0) return Step::kNext;
    // An index entry pointing outside the data file is passed over.
    Line line;
    bool shifted = false;
    if (!g.data.seek(heading_offset) || !read_heading_line(&line, &shifted)) return Step::kNext;
    set_heading(line, shifted);
    trace("SE-1", line.text, 0);
    return Step::kFound;
}

Step search_step_in_data(const char* pattern) {
    Line line;
    bool shifted = g.shifted;
    if (g.has_heading) {
        line.set(g.heading);
    } else if (!read_heading_line(&line, &shifted)) {
        end_of_file();
        return Step::kEnd;
    }
    // A start- or end-of-transmission line delimits products and heads none.
    if (is_transmission_mark(line.text[0]) || PAR_cmp(line.text, "", pattern) != 0) {
        g.has_heading = false;
        g.heading.clear();
        return Step::kNext;
    }
    set_heading(line, shifted);
    trace("SE-2", line.text, 0);
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
    struct stat st {};
    g.has_file_id = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
    if (g.has_file_id)
        g.file_id = ParFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                              static_cast<std::int64_t>(st.st_size),
                              static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    if (!g.has_file_id || !(g.file_id == g.shifts_of)) {
        g.shifts.clear();
        g.shifts_of = g.file_id;
    }
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
    if (!g.shifts.empty()) g.shifted = shift_at(position);
    g.status = 0;
    g.blank_run = 0;
    return 1;
}

std::int64_t PAR_get_pos(int fd) { return is_open(fd) ? g.position : -1; }

bool PAR_get_file_id(int fd, ParFileId* id) {
    if (!is_open(fd) || id == nullptr || !g.has_file_id) return false;
    *id = g.file_id;
    return true;
}

int PAR_get_status(int fd) { return fd == 0 ? g.status : -1; }

int PAR_search(int fd, const char* pattern) {
    if (!is_open(fd)) return -1;
    char upper[kPatternSize];
    copy_text(upper, pattern);
    for (char* c = upper; *c != '\0'; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
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
    g.handed_len = 0;
    trace("RD--", line, n);
    const auto hand_out = [line](const Line& l) {
        std::memcpy(line, l.text, static_cast<std::size_t>(l.len) + 1);
        g.handed_len = l.len;
    };
    int h = g.has_heading ? 1 : 0;
    if (h == 1 && n == 0) {
        hand_out(g.heading);
        return 1;
    }
    bool ended = false;
    if (g.has_line) {
        if (end_code(g.line.text, g.line.len, false) == 0) {
            if (h == n) {
                hand_out(g.line);
                trace("RD-1", line, n);
                return 1;
            }
            ++h;
        } else {
            ended = true;
        }
    }
    if (h > n) return 0;
    // The line is cleaned straight into the caller's buffer and copied only
    // when it is held back.
    const int len = read_product_line(line);
    if (len < 0) {
        // Nothing is pending once the file has ended: a search from here
        // ends too, rather than finding the last heading again.
        end_of_file();
        trace("RD-$", "", n);
        return -1;
    }
    const int code = end_code(line, len, true);
    g.has_heading = false;
    g.heading.clear();
    if (code == 0 && !ended) {
        g.handed_len = len;
        return 1;
    }
    if (code == kParEndEqual) return 0;
    if (code == kParStatusHeading) {
        g.heading.set(line, len);
        g.has_heading = true;
    } else {
        g.line.set(line, len);
        g.has_line = true;
    }
    trace("RD-$", line, n);
    line[0] = '\0';
    if (reopen == 1) PAR_close(fd);
    return 0;
}

int PAR_get_len(int fd) { return is_open(fd) ? g.handed_len : 0; }

int PAR_cmp(const char* heading, const char* second_part, const char* pattern) {
    const char* h = heading != nullptr ? heading : "";
    const char* p = pattern != nullptr ? pattern : "";
    if (h[0] == '*' && h[1] == '*') h += std::min<std::size_t>(3, std::strlen(h));
    h = skip_blanks(h);
    if (MESS_check(kTrace) != 0)
        MESS_print(kTrace, "CMP:%s:%s:%s:\n", h, second_part != nullptr ? second_part : "", p);
    if (*h == '\0') return *p == '\0' ? 0 : 1;
    if (*p == '\0' || stricmp(p, "all") == 0) return 0;
    const Match m = match_pattern(p, h, second_part != nullptr ? second_part : "");
    return m == Match::kNo ? 1 : 0;
}

void PAR_reset_for_tests() {
    PAR_close(0);
    g.shifts.clear();
    g.shifts_of = ParFileId{};
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
    g.handed_len = 0;
}

}  // namespace orv
