// Variable specifications: time and level texts, the model/time/level texts
// that menu conditions test, and the default variable type.
#pragma once

namespace orv {

inline constexpr int kVarTextMax = 19;

int VAR_set_def_type(int type);
int VAR_get_def_type();
void VAR_set_model_str(const char* text);
void VAR_set_time_str(const char* text);
void VAR_set_level_str(const char* text);
const char* VAR_get_model_str();
const char* VAR_get_time_str();
const char* VAR_get_level_str();

// Time texts ("h24", "d2", "36", "init", "time-6avg", ...) into time codes:
// 2 for an explicit time, 1 for a time taken from the current hour, 0 when the
// text is not a time.
int VAR_dec_time(const char* text, int* code);

// Whole-text pattern match: "?" and "." one character, "*" any run, "[a-z]"
// sets, "\" escapes. 1 on a match.
int VAR_menu_display(const char* pattern, const char* text);

void VAR_reset_for_tests();

}  // namespace orv
