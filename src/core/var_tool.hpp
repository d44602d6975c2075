// Variable specifications: the table of variable records built from a text
// such as "h12:sfc:temp:F:cf" or "wind(uwnd,vwnd)", the time and level codes,
// the plot type words, the variable menu and definition file, and the name
// look-ups used for labels.
#pragma once

#include <cstddef>

#include "core/menu.hpp"

namespace orv {

inline constexpr int kVarTextMax = 19;     // model, time and level texts
inline constexpr int kVarMax = 60;         // records in the variable table
inline constexpr int kVarLookupMax = 750;  // entries of the lookup list
inline constexpr int kVarMenuMax = 49;     // menu items read from the definition file
inline constexpr std::size_t kVarDefSize = 512;    // definition texts (VAR_lookup)
inline constexpr std::size_t kVarLabelSize = 80;   // label texts (VAR_model, VAR_str, ...)
inline constexpr std::size_t kVarLevelSize = 32;   // level texts (VAR_enc_level)
inline constexpr std::size_t kVarInfoSize = 70;    // field descriptions (VAR_make_datatype)

// One entry of the variable table.
struct VarRecord {
    int type;            // plot type code
    char name[20];       // variable name
    char units[16];      // requested units
    int ids[5];          // identifiers from the lookup list, -9999 when unknown
    int time_status;     // 2 explicit, 1 relative to the current time, 0 none
    int time;            // time code
    int level_status;    // as time_status
    int level_type;      // level type code
    int level;           // level value; layers first * 1000 + second
    char format[101];    // numeric format and plot options
    int flag;            // nesting depth * 10 + role digit
};

// Role digits (flag % 10).
enum VarRole : int {
    kVarRegular = 0, kVarSubRegular = 1, kVarFunction = 2, kVarSubFunction = 3, kVarFixed = 4,
    kVarGroup = 5, kVarVector = 6, kVarFuncVector = 8, kVarSubFuncVector = 9,
};

// Plot type codes.
enum VarType : int {
    kTypeData = 1, kTypeValue = 2, kTypeText = 3, kTypeMark = 4, kTypeInt = 5, kTypeMap = 6,
    kTypeFrame = 7, kTypePanel = 8, kTypeGrid = 10, kTypeCont = 11, kTypeLcont = 12, kTypeDln = 13,
    kTypeNdln = 14, kTypeFcont = 15, kTypeBcont = 16, kTypeGvalue = 17, kTypeWind = 20,
    kTypeVect = 21, kTypeBarb = 22, kTypeStrm = 23, kTypePlot = 30, kTypeCloud = 31,
    kTypeWbarb = 32, kTypeCbarb = 33, kTypeDbarb = 34, kTypeVbarb = 35, kTypeSymb = 36,
    kTypeLine = 37, kTypeConst = 40,
};

// Default type, and the model, time and level texts that menu conditions test.
int VAR_set_def_type(int type);
int VAR_get_def_type();
void VAR_set_model_str(const char* text);
void VAR_set_time_str(const char* text);
void VAR_set_level_str(const char* text);
const char* VAR_get_model_str();
const char* VAR_get_time_str();
const char* VAR_get_level_str();

// Seams filled by the grid-math module. The math-function test returns the
// type of a function name (20..23 for plot functions, 10 for computed ones, 0
// for no function); the vector-function test 1 for functions whose result is a
// vector. Null restores the default (no function names).
using VarNameTest = int (*)(const char* name);
void VAR_set_math_func(VarNameTest test);
void VAR_set_vect_func(VarNameTest test);
// Seam filled by the frame module: the current label type (negative: labels
// show abbreviations). Null restores the default (0).
using VarLabelType = int (*)();
void VAR_set_label_type_func(VarLabelType get);

// Parsing. VAR_setup clears the table and parses `spec`; `file` (may be null)
// names a definition file to open first, as does a leading "fi:name:".
// Returns 1 when the table holds a record with a non-negative flag, else 0.
int VAR_setup(const char* file, const char* spec);
// Parses a specification into further records; returns the record count.
int VAR_process(const char* text);
// Adds one term "[time:level:]name[:units[:type[:format...]]]"; with lookup
// non-zero the name may expand through the definition file. Returns the index
// of its first record, or -1 when the table is full or the term is empty.
int VAR_process_var(const char* term, int lookup);
// Decodes a variable name into the record's name, type and identifiers.
int VAR_dec_var(const char* name, VarRecord* record);

// Time texts ("h24", "d2", "36", "init", "time-6avg", ...) into time codes:
// 2 for an explicit time, 1 for a time taken from the current hour, 0 when the
// text is not a time.
int VAR_dec_time(const char* text, int* code);
// Level texts ("sfc", "500mb", "850-500mb", "2m_ag", "" ...) into a level type
// and value: 2 explicit, 1 current, 0 not a level (both set to -9999).
// A bare number is a pressure in hPa.
int VAR_dec_level(const char* text, int* type, int* level);
// The text form of a level code, decodable by VAR_dec_level for the known
// types; `out` holds at least `size` bytes.
char* VAR_enc_level(int type, int level, char* out, std::size_t size = kVarLevelSize);
// A level code from numbers in the type's own units (hPa, m, K, 1/10000
// sigma). With value2 set (not -9999) the single-level types become their
// layer types. Returns 1 for a layer, 0 for a single level, -1 when a value is
// out of range (type and level -9999).
int VAR_enc_level(int type, int* out_type, int* out_level, float value1, float value2);
// Splits a layer code of type 101, 104, 106, 114 or 116 into its two values
// (hPa, m or the type's unit), the larger first, and returns 1; other types
// give first = level, second = -9999 and 0.
int VAR_get_level(int type, int level, float* first, float* second);

// Plot type words, case-insensitive: the code, or -1.
int VAR_dec_type(const char* word);
// The printed word of a type code, "----" for others.
const char* VAR_print_type(int code);
// Units field: a plot-type word sets the record's type (2); other texts
// become the units (1); an empty text does nothing (0).
int VAR_dec_units(const char* text, VarRecord* record);
// Type field: a plot-type word sets the type (2); otherwise a record that is
// not a vector turns into a contour when the program has a plot type (1), or
// stays (0).
int VAR_dec_format(const char* word, int* type);

// Access. Index arguments outside 0..59 give empty texts, -9999 or -1.
VarRecord* VAR_get_vars();
VarRecord* VAR_get_var(int i);
int VAR_get_num();
int VAR_set_num(int n);
void VAR_reset();
const char* VAR_get_name(int i);
int VAR_get_time(int i);
const char* VAR_get_time_key(int i);   // valid until the next call
const char* VAR_get_level_key(int i);  // valid until the next call
int VAR_get_type(int i);
int VAR_set_type(int i, int type);
int VAR_get_flag(int i);
int VAR_set_flag(int i, int flag);
const char* VAR_get_units(int i);
const char* VAR_get_format(int i);
void VAR_data_init(VarRecord* record);
void VAR_init();
void VAR_copy(VarRecord* to, const VarRecord* from);

// Role and type tests on record i.
int VAR_is_REG(int i);
int VAR_is_SUBREG(int i);
int VAR_is_FUNC(int i);
int VAR_is_SUBFUNC(int i);
int VAR_is_COMP(int i);
int VAR_is_VECT(int i);
int VAR_is_FUNC_VECT(int i);
int VAR_is_SUBFUNC_VECT(int i);
int VAR_is_PLOT(int i);
int VAR_is_SUBPLOT(int i);
int VAR_is_SUBCALC(int i);
int VAR_is_CALC(int i);
int VAR_is_LABEL(int i);
int VAR_is_DATA(int i);
int VAR_is_plot_VECT(int i);
int VAR_is_plot_FUNC(int i);
int VAR_is_plot_FUNC_VECT(int i);
int VAR_is_type_MAP(int i);
int VAR_is_FRAME(int i);
int VAR_is_PANEL(int i);
int VAR_is_type_CONT(int i);
int VAR_is_plot_CONT(int i);
int VAR_is_type_VECT(int i);
int VAR_is_type_GRID(int i);
int VAR_is_plot_GRID(int i);
int VAR_is_subplot_GRID(int i);
int VAR_is_type_PLOT(int i);
int VAR_is_calc_GRID(int i);
int VAR_is_fit_GRID(int i);
int VAR_is_get_GRID(int i);
int VAR_is_plot_PLOT(int i);

// Output.
void VAR_print(unsigned level, const VarRecord* record);
void VAR_print_all(unsigned level);

// Definition file and menu. VAR_open_file(null or "") opens "<program>.var";
// names are joined to the file_path resource. 0 or -1.
int VAR_open_file(const char* name);
// The definition of the first line whose first word is `name`: 1 found, 0 not.
int VAR_lookup(const char* name, char* definition, std::size_t size = kVarDefSize);
// Reads "variable.lup"; the entry count, -1 when the file is missing.
int VAR_read_varfile();
// Re-reads the menu items from the definition file; the item count.
int VAR_read_menu();
// The menu table (item 0 "back", ended by a null label).
const MenuEntry* VAR_get_menu();
// Runs the variable menu and parses the chosen item's definition; the reply
// receives the answer (as for MENU_process; in batch mode the first item's
// abbreviation, at most 8 characters, or "def"). The menu result (1 for a choice).
int VAR_menu(const char* title, const char* prompt, char* reply, int mode);
// Lists the abbreviations and labels of the definition file; the line count.
int VAR_print_file();

// Pattern match of menu conditions: "?" and "." one character, "*" any run,
// "[a-z]" sets, "\" escapes; the whole text must match. 1 on a match.
int VAR_menu_display(const char* pattern, const char* text);

// Labels; `out` holds at least kVarLabelSize bytes.
int VAR_model(char* out, int model);     // 1 found, 0 not, -1 no file (out unchanged)
int VAR_source(char* out, int source);   // likewise
char* VAR_str(char* out, int id, const char* units);
char* VAR_abbr(char* out, int id);
int VAR_search_var_num(const char* abbr);
char* VAR_time(char* out, int code);
// The descriptive text of a field: its level (unless none), the variable's
// description and the units, e.g. "500mb Temperature (C)"; `info` holds at
// least kVarInfoSize bytes. The hour is not part of the text.
char* VAR_make_datatype(int hour, int level_type, int level, int variable, const char* units, char* info);
// The same for record i; a variable without identifier is named by its name.
char* VAR_make_var_datatype(int i, char* info);

void VAR_reset_for_tests();

}  // namespace orv
