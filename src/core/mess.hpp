// Messages: every text the program writes goes through MESS_print with a
// 32-bit level mask; the process-wide level decides what is shown.
#pragma once

#include <cstdint>

namespace orv {

// Message classes (4 bits each; "error" and "warn" use two).
inline constexpr unsigned kMessPrint = 0x0000000FU;
inline constexpr unsigned kMessError = 0x00000030U;
inline constexpr unsigned kMessWarn = 0x000000C0U;
inline constexpr unsigned kMessMess = 0x00000F00U;
inline constexpr unsigned kMessOut1 = 0x0000F000U;
inline constexpr unsigned kMessOut2 = 0x000F0000U;
inline constexpr unsigned kMessOut3 = 0x00F00000U;
inline constexpr unsigned kMessOut4 = 0x0F000000U;
inline constexpr unsigned kMessDebug = 0xF0000000U;

[[gnu::format(printf, 2, 3)]] int MESS_print(unsigned level, const char* format, ...);
int MESS_set(int op, int mask);
int MESS_set_str(const char* text);
int MESS_get();
int MESS_check(unsigned mask);
int MESS_check_set();
int MESS_file(const char* name, const char* mode);
int MESS_file_close();
int MESS_set_out(int mode);
int MESS_set_page(int mode);
int MESS_get_max_lines();
int MESS_hold(unsigned level, const char* text);
int MESS_print_prog(const char* title);

void MESS_reset_for_tests();

}  // namespace orv
