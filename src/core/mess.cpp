#include "core/mess.hpp"

#include <cstdarg>
#include <cstdio>

namespace orv {
namespace {
struct MessState {
    std::uint32_t level = 0x000FFFFF;
    int set_count = 0;
};
MessState g;

std::uint32_t fill_below(std::uint32_t mask) {
    if (mask == 0) return 0;
    std::uint32_t top = 0x80000000U;
    while ((top & mask) == 0) top >>= 1;
    return mask | (top - 1);
}
}  // namespace

int MESS_print(unsigned level, const char* format, ...) {
    if ((level & g.level) == 0) return 0;
    std::va_list ap;
    va_start(ap, format);
    std::vfprintf((level & 0xF0U) != 0 ? stderr : stdout, format, ap);
    va_end(ap);
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

int MESS_set_str(const char*) { ++g.set_count; return 0; }
int MESS_get() { return static_cast<int>(g.level); }
int MESS_check(unsigned mask) { return (mask & g.level) != 0 ? 1 : 0; }
int MESS_check_set() { return g.set_count; }
int MESS_file(const char*, const char*) { return 0; }
int MESS_file_close() { return 0; }
int MESS_set_out(int) { return 0; }
int MESS_set_page(int) { return 0; }
int MESS_get_max_lines() { return 22; }
int MESS_hold(unsigned, const char*) { return 0; }
int MESS_print_prog(const char* title) {
    MESS_print(0xF00, "      %s (Ver %s)\n\n", title, "5.60.4-LINUX-X11");
    return 0;
}
void MESS_reset_for_tests() { g = MessState{}; }

}  // namespace orv
