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

int MENU_print(const char* title, const MenuEntry* items, int k, int mode, const char* reply,
               const char* extra);
int MENU_process(const char* title, const MenuEntry* items, int k, const char* prompt, char* reply,
                 int mode);
int MENU_search(const char* text, const MenuEntry* items);
const char* MENU_get_abbr(int value, const MenuEntry* items);
int MENU_check(int value, const MenuEntry* items, int k);

// Prompts: print the prompt at level 15 and read one line from standard input.
char* ORV_promptl(const char* prompt, char* buffer);
char* ORV_prompts(const char* prompt, char* buffer, int length);
float ORV_promptf(const char* prompt);
int ORV_promptd(const char* prompt);
int ORV_set_command(const char* text);

}  // namespace orv
