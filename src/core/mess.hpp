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

// 1 when shown, 0 when the current level hides the message. Classes 0xF0
// (error, warn) go to the standard error stream, the rest to standard output.
[[gnu::format(printf, 2, 3)]] int MESS_print(unsigned level, const char* format, ...);
// op 0/10/20: level = mask and every bit below its highest bit (negative: all);
// op -1/9/19: clear the mask; op 1/11/21: add the mask. An op below 5 counts
// as an explicit setting; ops of 16 and more are ignored once one was made.
int MESS_set(int op, int mask);
// Applies a message specification such as "warn,+out1b,page,line=30,+fi=log".
int MESS_set_str(const char* text);
int MESS_get();
int MESS_check(unsigned mask);
int MESS_check_set();
// Log file receiving every shown message: 0, or -1 when it cannot be opened.
int MESS_file(const char* name, const char* mode);
int MESS_file_close();
// Output mode: 1 terminal; 0 message file only; -1 time-stamped message file
// and terminal; 2 message file reopened around every message, and terminal.
int MESS_set_out(int mode);
// Paging: 0 never hold; 1 no line counting; 2 count lines and hold.
int MESS_set_page(int mode);
int MESS_get_max_lines();
// Shows the text and waits for one character (not in batch mode).
int MESS_hold(unsigned level, const char* text);
int MESS_print_prog(const char* title);

void MESS_reset_for_tests();

}  // namespace orv
