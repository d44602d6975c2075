#include "core/scanp.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/mess.hpp"
#include "core/orv.hpp"

namespace orv {
namespace {

constexpr unsigned kTraceLevel = 0x80000000U;
constexpr int kUnlimited = 999;
constexpr int kWidthCap = 100000;

bool is_white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// One "%" directive of a format, parsed in place (no copies).
struct Directive {
    bool suppress = false;
    bool max_width = false;
    bool has_width = false;
    int width = kUnlimited;
    const char* missing = nullptr;
    int missing_len = 0;
    char conv = '\0';
    const char* body = nullptr;  // inside "[...]" or "(...)"
    const char* body_end = nullptr;
};

// End of a "[set]" class whose text starts after "[": the place of its "]",
// or null when it is not closed. A "]" right after "[" or "[^" is a member.
const char* set_end(const char* s) {
    const char* p = s;
    if (*p == '^') ++p;
    if (*p == ']') ++p;
    while (*p != '\0' && *p != ']') ++p;
    return *p == ']' ? p : nullptr;
}

// Membership in a class body [set, end): "^" first negates, "a-z" is a range.
bool in_set(const char* set, const char* end, char c) {
    bool negate = false;
    if (set < end && *set == '^') {
        negate = true;
        ++set;
    }
    bool found = false;
    for (const char* p = set; p < end && !found; ++p) {
        if (p + 2 < end && p[1] == '-') {
            found = c >= p[0] && c <= p[2];
            p += 2;
        } else {
            found = c == *p;
        }
    }
    return found != negate;
}

// End of an "(a|b)" body starting after "(": the place of its ")", skipping
// bracketed classes; null when not closed.
const char* alt_end(const char* s) {
    for (const char* p = s; *p != '\0'; ++p) {
        if (*p == ')') return p;
        if (*p == '[') {
            p = set_end(p + 1);
            if (p == nullptr) return nullptr;
        }
    }
    return nullptr;
}

// Parses the directive after "%"; returns the format place after it, or
// null for a malformed directive.
const char* parse_directive(const char* f, Directive& d) {
    if (*f == '*') { d.suppress = true; ++f; }
    if (*f == '<') { d.max_width = true; ++f; }
    if (is_digit(*f)) {
        int w = 0;
        while (is_digit(*f)) {
            w = std::min(w * 10 + (*f - '0'), kWidthCap);
            ++f;
        }
        d.width = w;
        d.has_width = true;
    }
    if (*f == '!') {
        const char* close = std::strchr(f + 1, '!');
        if (close == nullptr) return nullptr;
        d.missing = f + 1;
        d.missing_len = static_cast<int>(close - f - 1);
        f = close + 1;
    }
    d.conv = *f;
    if (d.conv == '\0') return nullptr;
    if (d.conv == '[') {
        d.body = f + 1;
        d.body_end = set_end(f + 1);
        return d.body_end == nullptr ? nullptr : d.body_end + 1;
    }
    if (d.conv == '(') {
        d.body = f + 1;
        d.body_end = alt_end(f + 1);
        return d.body_end == nullptr ? nullptr : d.body_end + 1;
    }
    return f + 1;
}

// Length of a number at p (at most limit characters): optional sign, digits
// and, for reals, a decimal point and an exponent. 0 when there is no digit.
int number_length(const char* p, int limit, bool real) {
    int i = 0;
    if (i < limit && (p[i] == '-' || p[i] == '+')) ++i;
    int digits = 0;
    while (i < limit && is_digit(p[i])) { ++i; ++digits; }
    if (real && i < limit && p[i] == '.') {
        ++i;
        while (i < limit && is_digit(p[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (real && i < limit && (p[i] == 'e' || p[i] == 'E')) {
        int j = i + 1;
        if (j < limit && (p[j] == '-' || p[j] == '+')) ++j;
        if (j < limit && is_digit(p[j])) {
            while (j < limit && is_digit(p[j])) ++j;
            i = j;
        }
    }
    return i;
}

int to_int(const char* p, int len) {
    bool negative = false;
    int i = 0;
    if (p[0] == '-' || p[0] == '+') {
        negative = p[0] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < len; ++i) v = std::min(v * 10 + (p[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative) v = -v;
    return static_cast<int>(std::clamp(v, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

float to_float(const char* p, int len) {
    if (*p == '+') { ++p; --len; }
    float v = 0.0F;
    const auto [end, ec] = std::from_chars(p, p + len, v);
    if (ec == std::errc() && end == p + len) return v;
    char copy[128];
    strntcpy(copy, p, static_cast<std::size_t>(std::min(len + 1, static_cast<int>(sizeof copy))));
    return std::strtof(copy, nullptr);
}

// Where a scan stores its values and keeps its counts.
class Scan {
public:
    Scan(const char* text, int avail, std::va_list* args) : text_(text), avail_(avail), args_(args) {}

    int consumed() const { return pos_; }
    int stored() const { return stored_; }
    int matched() const { return matched_; }

    // Walks the format; true when all of it was used.
    bool run(const char* f) {
        while (*f != '\0') {
            if (is_white(*f)) {
                while (is_white(*f)) ++f;
                if (!skip_white()) return false;
            } else if (*f == '%' && f[1] == '%') {
                if (!literal('%')) return false;
                f += 2;
            } else if (*f == '%') {
                Directive d;
                f = parse_directive(f + 1, d);
                if (f == nullptr || !convert(d)) return false;
            } else {
                if (!literal(*f)) return false;
                ++f;
            }
        }
        return true;
    }

private:
    const char* at() const { return text_ + pos_; }
    int left() const { return avail_ - pos_; }

    bool skip_white() {
        const int start = pos_;
        while (pos_ < avail_ && is_white(text_[pos_])) ++pos_;
        return pos_ > start;
    }

    bool literal(char c) {
        if (pos_ >= avail_ || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    bool convert(const Directive& d) {
        if (d.conv == 'n') {
            if (!d.suppress) *va_arg(*args_, int*) = pos_;
            return true;
        }
        if (d.missing != nullptr && is_missing_field(d)) {
            pos_ += d.missing_len;
            if (!d.suppress) store_missing(d.conv);
            return count(d);
        }
        const int len = field_length(d);
        if (len <= 0) return false;
        if (!d.suppress) store(d, at(), len);
        pos_ += len;
        return count(d);
    }

    bool count(const Directive& d) {
        ++matched_;
        if (!d.suppress) ++stored_;
        return true;
    }

    // An exact field must equal the missing text over its whole width; any
    // other field only has to begin with it.
    bool is_missing_field(const Directive& d) const {
        const bool exact = d.has_width && !d.max_width && d.conv >= 'A' && d.conv <= 'Z';
        if (exact && d.missing_len != d.width) return false;
        if (d.missing_len == 0 || d.missing_len > left() || d.missing_len > d.width) return false;
        return std::memcmp(at(), d.missing, static_cast<std::size_t>(d.missing_len)) == 0;
    }

    // Characters the conversion takes at the cursor; 0 or less when it fails.
    int field_length(const Directive& d) {
        const bool exact = d.has_width && !d.max_width;
        const int limit = std::min(d.width, left());
        if (exact && left() < d.width) return 0;
        int len = 0;
        switch (d.conv) {
        case 'D': len = fixed_number(limit, false); break;
        case 'F': len = fixed_number(limit, true); break;
        case 'S': len = limit; break;
        case 'A': len = run_of(limit, is_letter); break;
        case 'N': len = run_of(limit, is_digit); break;
        case 'W': len = run_of(limit, is_blank); break;
        case 'd': case 'f': case 's': return free_field(d);
        case 'c': {
            const int n = d.has_width ? d.width : 1;
            return n <= left() ? n : 0;
        }
        case 'w': return run_of(limit, is_white);
        case '[': return set_run(d, limit);
        case '(': return alternative(d);
        default: return 0;
        }
        return exact && len != d.width ? 0 : len;
    }

    template <typename Pred>
    int run_of(int limit, Pred pred) const {
        int n = 0;
        while (n < limit && pred(at()[n])) ++n;
        return n;
    }

    int fixed_number(int limit, bool real) const {
        const char* p = at();
        int i = 0;
        while (i < limit && is_blank(p[i])) ++i;
        const int n = number_length(p + i, limit - i, real);
        if (n == 0) return 0;
        i += n;
        while (i < limit && is_blank(p[i])) ++i;
        return i;
    }

    // Free-form d, f and s skip leading white space; the width counts from
    // the first character after it.
    int free_field(const Directive& d) {
        int skip = 0;
        while (skip < left() && is_white(at()[skip])) ++skip;
        const int limit = std::min(d.width, left() - skip);
        const char* p = at() + skip;
        int n = 0;
        if (d.conv == 's')
            while (n < limit && !is_white(p[n])) ++n;
        else
            n = number_length(p, limit, d.conv == 'f');
        if (n == 0) return 0;
        pos_ += skip;
        return n;
    }

    int set_run(const Directive& d, int limit) const {
        int n = 0;
        while (n < limit && in_set(d.body, d.body_end, at()[n])) ++n;
        return n;
    }

    int alternative(const Directive& d) const {
        const char* alt = d.body;
        while (alt <= d.body_end) {
            const int n = match_alternative(alt, d.body_end);
            if (n > 0) return n;
            while (alt < d.body_end && *alt != '|') {
                if (*alt == '[') alt = set_end(alt + 1);
                ++alt;
            }
            ++alt;
        }
        return 0;
    }

    // Characters of one alternative matched at the cursor, 0 when it does not match.
    int match_alternative(const char* alt, const char* end) const {
        int n = 0;
        while (alt < end && *alt != '|') {
            if (n >= left()) return 0;
            const char c = at()[n];
            if (*alt == '[') {
                const char* close = set_end(alt + 1);
                if (!in_set(alt + 1, close, c)) return 0;
                alt = close + 1;
            } else {
                if (*alt != c) return 0;
                ++alt;
            }
            ++n;
        }
        return n;
    }

    void store(const Directive& d, const char* p, int len) {
        switch (d.conv) {
        case 'D': case 'd': *va_arg(*args_, int*) = to_int_field(p, len); break;
        case 'F': case 'f': *va_arg(*args_, float*) = to_float_field(p, len); break;
        case 'c': std::memcpy(va_arg(*args_, char*), p, static_cast<std::size_t>(std::min(len, kScanpMaxText))); break;
        default: {
            char* out = va_arg(*args_, char*);
            const int n = std::min(len, kScanpMaxText);
            std::memcpy(out, p, static_cast<std::size_t>(n));
            out[n] = '\0';
        }
        }
    }

    void store_missing(char conv) {
        switch (conv) {
        case 'D': case 'd': *va_arg(*args_, int*) = kMissing; break;
        case 'F': case 'f': *va_arg(*args_, float*) = kMissingF; break;
        default: *va_arg(*args_, char*) = '\0';
        }
    }

    static const char* number_start(const char* p, int& len) {
        while (len > 0 && is_blank(*p)) { ++p; --len; }
        while (len > 0 && is_blank(p[len - 1])) --len;
        return p;
    }
    static int to_int_field(const char* p, int len) {
        p = number_start(p, len);
        return to_int(p, len);
    }
    static float to_float_field(const char* p, int len) {
        p = number_start(p, len);
        return to_float(p, len);
    }

    const char* text_;
    int avail_;
    std::va_list* args_;
    int pos_ = 0;
    int stored_ = 0;
    int matched_ = 0;
};

int scan_record(ScanpRecord* rec, const char* format, std::va_list* args) {
    rec->consumed = rec->stored = rec->matched = rec->complete = 0;
    if (format == nullptr || *format == '\0' || rec->text == nullptr || rec->offset >= rec->length) return -1;
    Scan scan(rec->text + rec->offset, rec->length - rec->offset, args);
    rec->complete = scan.run(format) ? 1 : 0;
    rec->consumed = scan.consumed();
    rec->stored = scan.stored();
    rec->matched = scan.matched();
    if (MESS_check(kTraceLevel) != 0)
        MESS_print(kTraceLevel, "scanp: \"%s\" at %d: consumed %d stored %d matched %d complete %d\n", format,
                   rec->offset, rec->consumed, rec->stored, rec->matched, rec->complete);
    return rec->matched;
}

}  // namespace

void scanp_set(ScanpRecord* rec, char* text) {
    static char empty[1] = "";
    *rec = ScanpRecord{};
    rec->text = text != nullptr ? text : empty;
    rec->length = static_cast<std::int32_t>(std::strlen(rec->text));
}

void scanp_off(ScanpRecord* rec, int n) { rec->offset = std::max(n, 0); }

void scanp_inc_off(ScanpRecord* rec, int n) {
    const long long next = static_cast<long long>(rec->offset) + n;
    rec->offset = static_cast<std::int32_t>(std::clamp(next, 0LL, static_cast<long long>(INT_MAX)));
}

void scanp_inc(ScanpRecord* rec) { scanp_inc_off(rec, rec->consumed); }

int scanp_get_off(const ScanpRecord* rec) { return rec->offset; }

char* scanp_str(const ScanpRecord* rec) {
    if (rec->text == nullptr) return nullptr;
    return rec->text + std::min(rec->offset, rec->length);
}

int scanp_char(const ScanpRecord* rec, int i) {
    const long long at = static_cast<long long>(rec->offset) + i;
    if (rec->text == nullptr || at < 0 || at >= rec->length) return 0;
    return rec->text[at];
}

int scanp_replace(ScanpRecord* rec, int i, char c) {
    const long long at = static_cast<long long>(rec->offset) + i;
    if (rec->text == nullptr || at < 0 || at >= rec->length) return -1;
    rec->text[at] = c;
    return 0;
}

int scanp_search(ScanpRecord* rec, const char* needle) {
    const char* found = rec->text != nullptr && needle != nullptr ? std::strstr(rec->text, needle) : nullptr;
    rec->offset = found != nullptr ? static_cast<std::int32_t>(found - rec->text) : 0;
    return found != nullptr ? 1 : 0;
}

void scanp_print(const ScanpRecord* rec) {
    const char* at = scanp_str(rec);
    MESS_print(kMessPrint, "scanp:%s:%d:%d:%d:%d\n", at != nullptr ? at : "", rec->offset, rec->consumed,
               rec->stored, rec->matched);
}

int scanp(ScanpRecord* rec, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const int result = scan_record(rec, format, &args);
    va_end(args);
    return result;
}

int vscanp(ScanpRecord* rec, const char* format, std::va_list args) {
    std::va_list own;
    va_copy(own, args);
    const int result = scan_record(rec, format, &own);
    va_end(own);
    return result;
}

}  // namespace orv
