#include "core/menu.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/system.hpp"

namespace orv {
namespace {

constexpr unsigned kLevelPrint = 15;
constexpr unsigned kLevelSetList = 2048;
constexpr int kLineMax = 79;
constexpr int kTwoColumnItems = 13;

// ---------------------------------------------------------------- prompts

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Reads one line of standard input keeping at most kLineMax characters; the
// rest of a longer line is consumed and dropped. False at end of input.
bool read_line(char (&line)[kLineMax + 1]) {
    std::size_t len = 0;
    bool any = false;
    int c = 0;
    while ((c = std::getchar()) != EOF) {
        any = true;
        if (c == '\n') break;
        if (len < kLineMax) line[len++] = static_cast<char>(c);
    }
    line[len] = '\0';
    return any;
}

void trim_reply(char* s) {
    strip_string(s, '\r');
    std::size_t len = std::strlen(s);
    while (len > 0 && is_blank(s[len - 1])) s[--len] = '\0';
    std::size_t lead = 0;
    while (is_blank(s[lead])) ++lead;
    if (lead > 0) std::memmove(s, s + lead, len - lead + 1);
}

// A batch run never prompts: a value that would need an answer ends it.
void refuse_in_batch(const char* prompt) {
    if (FLAG_batch() == 0) return;
    std::string question = prompt != nullptr ? prompt : "";
    while (!question.empty() && (is_blank(question.front()))) question.erase(0, 1);
    while (!question.empty() && (is_blank(question.back()) || question.back() == ':')) question.pop_back();
    MESS_print(kMessError, "A batch run does not prompt: \"%s\" needs its answer on the command line\n",
               question.c_str());
    ORV_exit(kExitNeedsAnswer);
}

// Shows the prompt and reads the reply. End of input ends the program as
// the reply "exit" does: a prompt must never spin on a closed input.
void read_reply(const char* prompt, char (&line)[kLineMax + 1]) {
    refuse_in_batch(prompt);
    MESS_print(kLevelPrint, "%s", prompt != nullptr ? prompt : "");
    std::fflush(stdout);
    if (!read_line(line)) ORV_exit(0);
    trim_reply(line);
}

// The text starts with the word (any case) followed by a blank or its end.
bool starts_with_word(const char* text, const char* word) {
    const std::size_t n = std::strlen(word);
    return strnicmp(text, word, n) == 0 && (text[n] == '\0' || is_blank(text[n]));
}

void list_resources() {
    MESS_print(kLevelSetList, "Set resources\n");
    RES_list();
    MESS_print(kLevelSetList, "\n");
}

// ---------------------------------------------------------------- menus

bool in_variant(const MenuEntry& e, int k) {
    return k >= 0 && k < kMenuVariants && e.shown[k] == 1;
}

std::vector<const MenuEntry*> shown_items(const MenuEntry* items, int k) {
    std::vector<const MenuEntry*> shown;
    if (items == nullptr || items[0].label == nullptr) return shown;
    for (const MenuEntry* e = items + 1; e->label != nullptr; ++e)
        if (in_variant(*e, k)) shown.push_back(e);
    return shown;
}

const char* text_or_empty(const char* s) { return s != nullptr ? s : ""; }

// Titles are formats whose one argument is the item count; only "%d" and
// "%%" are honoured so that a stray "%" can never read a missing argument.
void print_title(const char* title, int count) {
    std::string out;
    for (const char* p = text_or_empty(title); *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 'd') {
            out += std::to_string(count);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            out += '%';
            ++p;
        } else {
            out += *p;
        }
    }
    MESS_print(kLevelPrint, "%s", out.c_str());
}

void print_item(const MenuEntry& e, int number, bool ends_row) {
    if (e.label[0] == '-')
        MESS_print(kLevelPrint, ends_row ? " --------------------               \n"
                                         : " --------------------               ");
    else if (ends_row)
        MESS_print(kLevelPrint, " %2d: %-30s\n", number, e.label);
    else
        MESS_print(kLevelPrint, " %2d: %-30s ", number, e.label);
}

void print_one_column(const std::vector<const MenuEntry*>& shown) {
    for (std::size_t i = 0; i < shown.size(); ++i)
        print_item(*shown[i], static_cast<int>(i) + 1, true);
}

void print_two_columns(const std::vector<const MenuEntry*>& shown) {
    const int n = static_cast<int>(shown.size());
    const int half = (n + 1) / 2;
    auto item = [&](int number) -> const MenuEntry& { return *shown[number - 1]; };
    for (int r = 1; r < half; ++r) {
        print_item(item(r), r, false);
        print_item(item(r + half), r + half, true);
    }
    if (n % 2 == 1) {
        print_item(item(half), half, true);
    } else {
        print_item(item(half), half, false);
        print_item(item(n), n, true);
    }
}

void print_trailer(const MenuEntry* items, int mode, bool two_columns) {
    const char* back_label = text_or_empty(items[0].label);
    if ((mode & kMenuHelp) != 0) MESS_print(kLevelPrint, " 99: Help                          \n");
    const bool exit_offered = (mode & kMenuExit) != 0;
    const bool back_offered = (mode & kMenuBack) != 0;
    if (exit_offered && back_offered) {
        MESS_print(kLevelPrint, "  0: %-30s", back_label);
        MESS_print(kLevelPrint, two_columns ? " " : "\n");
        MESS_print(kLevelPrint, " -1: Exit program                  \n");
    } else if (exit_offered) {
        MESS_print(kLevelPrint, "  0: Exit program                  \n");
    } else if (back_offered) {
        MESS_print(kLevelPrint, "  0: %-30s\n", back_label);
    }
    MESS_print(kLevelPrint, "\n");
}

void list_abbreviations(const MenuEntry* items, const std::vector<const MenuEntry*>& shown) {
    std::string list = text_or_empty(items[0].abbr);
    for (const MenuEntry* e : shown) {
        list += ',';
        list += text_or_empty(e->abbr);
    }
    MESS_print(kLevelPrint, "%s\n\n", list.c_str());
}

bool equals_nocase(const char* a, const char* b) {
    return a != nullptr && b != nullptr && stricmp(a, b) == 0;
}

// The exit and main-menu words by mode; true when the reply is one of them.
bool menu_word(const char* reply, int mode, int* result) {
    const bool exit_word = std::strcmp(reply, "Exit program") == 0 || equals_nocase(reply, "exit");
    const bool main_word =
        std::strcmp(reply, "Return to main menu") == 0 || equals_nocase(reply, "main");
    const bool exit_offered = (mode & kMenuExit) != 0;
    const bool back_offered = (mode & kMenuBack) != 0;
    if (exit_offered && back_offered && (exit_word || main_word)) {
        *result = exit_word ? -1 : 0;
        return true;
    }
    if ((exit_offered && !back_offered && exit_word) || (back_offered && !exit_offered && main_word)) {
        *result = 0;
        return true;
    }
    return false;
}

bool parse_number(const char* s, long* value) {
    if (string_is_num(s) == 0) return false;
    errno = 0;
    *value = std::strtol(s, nullptr, 10);
    return errno == 0;
}

void set_reply(char* reply, const char* abbr) { strntcpy(reply, abbr, kMenuReplySize); }

}  // namespace

// ---------------------------------------------------------------- prompts

char* ORV_promptl(const char* prompt, char* buffer) {
    if (buffer == nullptr) buffer = static_cast<char*>(std::calloc(81, 1));
    for (;;) {
        char line[kLineMax + 1];
        read_reply(prompt, line);
        char word[20] = {};
        const bool scanned = std::sscanf(line, "%19s", word) == 1;
        // The whole line: "set NAME VALUE" at a menu sets the resource.
        if (ORV_set_command(line) != 0) continue;
        if (scanned) return strntcpy(buffer, word, sizeof word);
        if (line[0] == '\0') return buffer;
    }
}

char* ORV_prompts(const char* prompt, char* buffer, int length) {
    if (buffer == nullptr) buffer = static_cast<char*>(std::calloc(length > 0 ? length + 1 : 2, 1));
    const int width = std::min(std::max(length - 1, 1), kLineMax);
    char format[16];
    std::snprintf(format, sizeof format, "%%%ds", width);
    for (;;) {
        char line[kLineMax + 1];
        read_reply(prompt, line);
        char word[kLineMax + 1] = {};
        const bool scanned = std::sscanf(line, format, word) == 1;
        if (ORV_set_command(line) != 0) continue;
        if (scanned) return strntcpy(buffer, word, static_cast<std::size_t>(width) + 1);
        if (line[0] == '\0') return buffer;
    }
}

float ORV_promptf(const char* prompt) {
    for (;;) {
        char line[kLineMax + 1];
        read_reply(prompt, line);
        char* end = nullptr;
        const float value = std::strtof(line, &end);
        const bool scanned = end != line;
        if (ORV_set_command(line) != 0) continue;
        if (scanned) return value;
        if (line[0] == '\0') return 0.0F;
    }
}

int ORV_promptd(const char* prompt) {
    for (;;) {
        char line[kLineMax + 1];
        read_reply(prompt, line);
        char* end = nullptr;
        const long value = std::strtol(line, &end, 10);
        const bool scanned = end != line;
        if (ORV_set_command(line) != 0) continue;
        if (scanned) return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
        if (line[0] == '\0') return 0;
    }
}

int ORV_set_command(const char* text) {
    if (text == nullptr) return 0;
    while (is_blank(*text)) ++text;
    if (starts_with_word(text, "exit")) ORV_exit(0);
    if (!starts_with_word(text, "set")) return 0;
    char name[kLineMax + 1] = {};
    int value_at = -1;
    if (std::sscanf(text, "%*s %79[^= ]%*[= ]%n", name, &value_at) != 1) {
        list_resources();
        return 1;
    }
    RES_set_now(name, value_at >= 0 ? text + value_at : "");
    return 1;
}

// ---------------------------------------------------------------- menus

int MENU_print(const char* title, const MenuEntry* items, int k, int mode, const char* /*reply*/,
               const char* /*extra*/) {
    const std::vector<const MenuEntry*> shown = shown_items(items, k);
    const int n = static_cast<int>(shown.size());
    print_title(title, n);
    MESS_print(kLevelPrint, "\n");
    if (n == 0) return 1;
    const bool two_columns = n >= kTwoColumnItems;
    if (two_columns)
        print_two_columns(shown);
    else
        print_one_column(shown);
    print_trailer(items, mode, two_columns);
    return 1;
}

int MENU_process(const char* title, const MenuEntry* items, int k, const char* prompt, char* reply,
                 int mode) {
    char own_reply[kMenuReplySize] = {};
    if (reply == nullptr) reply = own_reply;
    refuse_in_batch(prompt);
    MENU_print(title, items, k, mode, reply, nullptr);
    if (items == nullptr || items[0].label == nullptr) return kMissing;
    const std::vector<const MenuEntry*> shown = shown_items(items, k);
    for (;;) {
        ORV_promptl(prompt, reply);
        if (std::strcmp(reply, "?") != 0) break;
        list_abbreviations(items, shown);
    }

    int result = 0;
    if (menu_word(reply, mode, &result)) return result;

    long number = 0;
    if (parse_number(reply, &number)) {
        const long lowest = (mode & kMenuExit) != 0 ? -1 : (mode & kMenuBack) != 0 ? 0 : 1;
        if (number >= lowest && number <= static_cast<long>(shown.size())) {
            if (number <= 0) return static_cast<int>(number);
            const MenuEntry& chosen = *shown[static_cast<std::size_t>(number) - 1];
            set_reply(reply, text_or_empty(chosen.abbr));
            return chosen.value;
        }
    }

    std::vector<const MenuEntry*> candidates{&items[0]};
    candidates.insert(candidates.end(), shown.begin(), shown.end());
    for (const MenuEntry* e : candidates) {
        if (equals_nocase(reply, e->abbr) || equals_nocase(reply, e->label)) {
            set_reply(reply, text_or_empty(e->abbr));
            return e->value;
        }
    }
    return kMissing;
}

int MENU_search(const char* text, const MenuEntry* items) {
    if (text == nullptr || items == nullptr) return kMissing;
    for (const MenuEntry* e = items; e->label != nullptr; ++e)
        if (equals_nocase(text, e->abbr) || equals_nocase(text, e->label)) return e->value;
    return kMissing;
}

const char* MENU_get_abbr(int value, const MenuEntry* items) {
    if (items == nullptr) return nullptr;
    for (const MenuEntry* e = items; e->label != nullptr; ++e)
        if (e->value == value) return e->abbr;
    return nullptr;
}

int MENU_check(int value, const MenuEntry* items, int k) {
    if (items == nullptr) return 0;
    for (const MenuEntry* e = items; e->label != nullptr; ++e)
        if (e->value == value) return in_variant(*e, k) ? 1 : 0;
    return 0;
}

}  // namespace orv
