// Numbered menus and line prompts.
#pragma once

namespace orv {

inline constexpr int kMenuVariants = 11;

// One row of a menu table. Item 0 is the go-back item; a null label ends the
// table; a label beginning with "-" is a separator line.
struct MenuEntry {
    const char* label;
    const char* abbr;
    int value;
    int shown[kMenuVariants];
};

// Menu modes (bits): offer the exit reply -1, offer the go-back reply 0, offer help 99.
inline constexpr int kMenuExit = 1;
inline constexpr int kMenuBack = 2;
inline constexpr int kMenuHelp = 4;

// Reply buffers of menus and word prompts hold at least this many bytes
// (a word of 19 characters and its terminator).
inline constexpr int kMenuReplySize = 20;

// Shows variant k of the table, in two columns from 13 shown items on. The
// title is a format whose one argument is the item count. Returns 1.
int MENU_print(const char* title, const MenuEntry* items, int k, int mode, const char* reply,
               const char* extra);
// Shows the menu and reads the choice: the chosen item's value (its
// abbreviation is put in reply), 0 for go back, -1 for exit, -9999 when
// nothing matched (reply then holds the word typed).
int MENU_process(const char* title, const MenuEntry* items, int k, const char* prompt, char* reply,
                 int mode);
// Value of the first item (item 0 included) whose abbreviation or label
// equals the text, any case; -9999 when none does.
int MENU_search(const char* text, const MenuEntry* items);
// Abbreviation of the first item with the value, or null.
const char* MENU_get_abbr(int value, const MenuEntry* items);
// 1 when the first item with the value belongs to variant k.
int MENU_check(int value, const MenuEntry* items, int k);

// Prompts: print the prompt at level 15 and read one line (at most 79
// characters) from standard input, asking again until the reply scans or is
// empty. "set name=value" and "exit" work at every prompt; end of input ends
// the program with status 0 as "exit" does. Buffers allocated here (when
// none is given) are released with free().
char* ORV_promptl(const char* prompt, char* buffer);  // one word of at most 19 characters
char* ORV_prompts(const char* prompt, char* buffer, int length);  // at most length-1
float ORV_promptf(const char* prompt);  // 0.0 for an empty reply
int ORV_promptd(const char* prompt);    // 0 for an empty reply
// 1 when the text was a set command (handled here), else 0; "exit" ends the
// program with status 0.
int ORV_set_command(const char* text);

}  // namespace orv
