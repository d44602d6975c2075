#include "core/resrc.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <new>
#include <string>

#include <strings.h>
#include <string_view>
#include <utility>

#include "core/date.hpp"
#include "core/def_read.hpp"
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/mqueue.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"
#include "core/system.hpp"

namespace orv {
namespace {

// How an entry's help is laid out.
enum class Help {
    kLine,      // usage and description on one line
    kMessage,   // plus the list of message classes
    kAlone,     // usage alone, then the description indented
    kDomain,    // usage alone, description, then the domain syntax
    kRegion,    // as kDomain, plus the region list
};

struct CatalogEntry {
    int id;
    const char* name;
    const char* env;
    const char* key;  // abbreviation, or null for a positional entry
    int position;
    unsigned type;
    const char* usage;
    const char* description;
    Help help;
    // Further help lines, each printed indented under the entry.
    const char* const* more = nullptr;
};

constexpr const char* kDeviceHelp[] = {
    "d window (d,HOST:0), p PostScript, q (or h) HPGL, m metafile, w pixmap;",
    "png, gif, xwd, img, pdf, svg picture files; PostScript takes",
    "land, port, eps, a4, letter, ... after the name",
    "e.g. -de p,map.ps,land,eps,a4   -de png,map.png   -de q,map.hpgl", nullptr};
constexpr const char* kPlotParamHelp[] = {
    "pscolor, inv, lalo:DEG, lab:..., gridxN, bar, nobar, tz:ZONE, full, ...",
    "e.g. -pp pscolor,lalo:10,gridx4   (README: the whole list)", nullptr};
constexpr const char* kFormatHelp[] = {
    "bar (a colour bar keys a colour-filled map), nobar, cf, lcf, ln, value,",
    "in=N, cb=N, mn=N, mx=N, lab=..., %.1f, co=COLOUR, ...",
    "e.g. -fm bar   -fm cf:bar:in=5", nullptr};
constexpr const char* kPlotTypeHelp[] = {"e.g. -pl cf   (vectors: -pl vect, -pl barb, -pl strm)", nullptr};

// A batch run given a value it cannot use ends with this status.
constexpr int kBadValueStatus = 2;

constexpr const char* kDomainUsage = "region or [proj],clat,clon[,nx,ny][,dx,dy]";

// The resource catalogue shared by every tool; identifiers missing here have
// no entry.
constexpr CatalogEntry kCatalog[] = {
    {2, "background", "orvback", "bg", 0, 6, "-bg clr", "Background color", Help::kLine},
    {3, "batch", "orvbatch", "ba", 0, 22, "-ba", "Run program in batch mode", Help::kLine},
    {5, "bull_file", "orvbull", "bf", 0, 6, "-bf file", "Bulletin file name", Help::kLine},
    {6, "city_file", "orvcity", "cf", 0, 6, "-cf file", "City database file name", Help::kLine},
    {8, "color_clabel", "orvclrclab", "cocl", 0, 6, "-cocl clr", "Fill label color", Help::kLine},
    {9, "color_cloud", "orvclrcld", "cocd", 0, 6, "-cocd clr", "Cloud cover symbol colors",
     Help::kLine},
    {10, "color_cmap", "orvclrcmap", "cocm", 0, 6, "-cocm clr", "Fill map color", Help::kLine},
    {11, "color_cont", "orvclrcont", "coco", 0, 6, "-coco clr", "Line contour color",
     Help::kLine},
    {13, "color_data", "orvclrdata", "cod", 0, 6, "-cod clr", "Data plotting color",
     Help::kLine},
    {15, "color_fill", "orvclrfill", "cof", 0, 6, "-cof clr[,...]", "Fill contour colors",
     Help::kLine},
    {16, "color_front", "orvclrfront", "cofr", 0, 6, "-cofr clr", "Front color", Help::kLine},
    {17, "color_grid", "orvclrgrid", "cogr", 0, 6, "-cogr clr", "grid color", Help::kLine},
    {18, "color_hodo", "orvclrhodo", "coho", 0, 6, "-coho clr", "Hodograph color", Help::kLine},
    {19, "color_hodtxt", "orvclrhodtxt", "coht", 0, 6, "-coht clr", "Hodograph text color",
     Help::kLine},
    {20, "color_label", "orvclrlab", "cola", 0, 6, "-cola clr", "Line label color",
     Help::kLine},
    {22, "color_line", "orvclrln", "coln", 0, 6, "-coln clr", "Lat-lon line color",
     Help::kLine},
    {23, "color_map", "orvclrmap", "com", 0, 6, "-com clr", "line map color", Help::kLine},
    {24, "color_pop", "orvclrpop", "copp", 0, 6, "-copp clr",
     "Probability of precipitation color", Help::kLine},
    {26, "color_sound", "orvclrsound", "coso", 0, 6, "-coso clr", "Sounding color",
     Help::kLine},
    {27, "color_table", "orvclrtbl", "ct", 0, 6, "-ct file", "Color table file name",
     Help::kLine},
    {28, "color_text", "orvclrtext", "cot", 0, 6, "-cot clr", "Text color", Help::kLine},
    {29, "color_therm", "orvclrtherm", "coth", 0, 6, "-coth clr", "Thermodynamic diagram color",
     Help::kLine},
    {30, "color_thrmtxt", "orvclrthrmtxt", "cott", 0, 6, "-cott clr",
     "Thermodynamic diagram text color", Help::kLine},
    {31, "color_wind", "orvclrwind", "cowd", 0, 6, "-cowd clr", "Wind barb colors",
     Help::kLine},
    {32, "color_wx", "orvclrwx", "cowx", 0, 6, "-cowx clr", "Weather symbol colors",
     Help::kLine},
    {33, "command", "orvcommand", nullptr, 10, 21, "command [arg...]", "Command to run",
     Help::kLine},
    {34, "command", "orvcommand", "cd", 0, 6, "-cd command", "Command to run", Help::kLine},
    {35, "con_base", "orvconbase", "cb", 0, 5, "-cb base", "Color fill contour/vector base value",
     Help::kLine},
    {37, "con_interval", "orvconint", "in", 0, 5, "-in intrvl", "Contour interval",
     Help::kLine},
    {39, "con_path", "orvcon", "cp", 0, 8, "-cp path", "Converted data path", Help::kLine},
    {40, "current", "orvcurrent", "cu", 0, 11, "-cu [hour]", "Use current data file",
     Help::kLine},
    {41, "data_path", "orvdata", "dp", 0, 8, "-dp path", "Raw data path", Help::kLine},
    {44, "draw", "orvdraw", "dr", 0, 10, "-dr param[,...]",
     "Draw components: text,data,sum,map,none", Help::kLine},
    {45, "decode_hour", "orvdechour", "dh", 0, 6, "-dh hour", "Hour to decode", Help::kLine},
    {46, "device", "orvdevice", "de", 0, 17, "-de dev[,name]", "Output device: d,p,q,w,m",
     Help::kLine, kDeviceHelp},
    {47, "file_param", "orvfileparam", "pf", 0, 16, "-pf param",
     "File parameters: use,calc,over,app", Help::kLine},
    {48, "file_path", "orvfile", "fp", 0, 8, "-fp path", "File path", Help::kLine},
    {49, "filename", "orvfilename", nullptr, 1, 7, "file", "Input file name", Help::kLine},
    {50, "filename", "orvfilename", nullptr, 10, 21, "file [file...]", "Input file names",
     Help::kLine},
    {51, "font_list", "orvfontlist", "fl", 0, 6, "-fl list", "List of fonts to use",
     Help::kLine},
    {52, "forecast", "orvforecast", "fc", 0, 6, "-fc hour", "Forecast hour", Help::kLine},
    {53, "geometry", "orvgeometry", "ge", 0, 6, "-ge wxh+x+y", "Window geometry", Help::kLine},
    {54, "grid_num", "orvgridnum", "gn", 0, 6, "-gn number", "Specific grid index in file to use",
     Help::kLine},
    {55, "grid_path", "orvgrid", "gp", 0, 8, "-gp path", "Gridded data path", Help::kLine},
    {56, "grid_type", "orvgridtype", "gt", 0, 2, "-gt number",
     "Specific grid type (number) to use", Help::kLine},
    {57, "help", "orvhelp", "h", 0, 23, "-h", "Print this help", Help::kLine},
    {58, "hour", "orvhour", "ho", 0, 12, "-ho hour", "Actual hour of the file", Help::kLine},
    {59, "icon", "orvicon", "ic", 0, 1, "-ic", "Open window iconified", Help::kLine},
    {60, "identifier", "orvident", "id", 0, 6, "-id ident", "Station identifiers", Help::kLine},
    {63, "image_path", "orvimage", "ip", 0, 6, "-ip path", "Image file path", Help::kLine},
    {64, "in_file", "orvinfile", "if", 0, 6, "-if type", "Input data file type", Help::kLine},
    {65, "in_file", "orvinfile", "if", 0, 6, "-if type[,...]", "Input data file types",
     Help::kLine},
    {67, "ingestor", "orvingest", "ig", 0, 15, "-ig type",
     "Ingestor type: orv,whole,split,ldm,none", Help::kLine},
    {68, "input", "orvinput", "in", 0, 6, "-in input", "Input source", Help::kLine},
    {69, "label", "orvlabel", "la", 0, 6, "-la label", "Plot labels", Help::kLine},
    {71, "level", "orvlevel", "le", 0, 6, "-le level", "Vertical level", Help::kLine},
    {72, "map_file", "orvmap", "mf", 0, 6, "-mf file[,file]", "Map database files",
     Help::kLine},
    {73, "message", "orvmess", "me", 0, 9, "-me level", "Message level to be displayed:",
     Help::kMessage},
    {74, "model", "orvmodel", "mo", 0, 6, "-mo model", "Specific model to use", Help::kLine},
    {76, "name_conv", "orvnameconv", "nc", 0, 14, "-nc type", "Naming convention file name",
     Help::kLine},
    {78, "num_hour", "orvnumhour", "nh", 0, 6, "-nh hour[,step]", "Number of hours to view",
     Help::kLine},
    {79, "object_param", "orvobject", "oa", 0, 6, "-oa smooth[,radinf,pass,conv,min]",
     "Objective analysis parameters", Help::kAlone},
    {80, "out_file", "orvoutfile", "of", 0, 6, "-of type", "Output file type", Help::kLine},
    {82, "output", "orvoutput", "ou", 0, 6, "-ou file", "Output file name", Help::kLine},
    {83, "parameter", "orvparam", "pa", 0, 6, "-pa param", "Parameters", Help::kLine},
    {84, "plot_domain", "orvdomain", "pd", 0, 20, "-pd region or [proj],clat,clon[,nx,ny][,dx,dy]",
     "Output plot domain", Help::kDomain},
    {85, "plot_format", "orvformat", "fm", 0, 6, "-fm format", "Numeric format", Help::kLine, kFormatHelp},
    {86, "plot_param", "orvpltparam", "pp", 0, 6, "-pp param", "Plot parameters", Help::kLine,
     kPlotParamHelp},
    {88, "plot_scale", "orvscale", "sc", 0, 5, "-sc scale", "Text and wind vector scale factor",
     Help::kLine},
    {89, "plot_type", "orvplot", "pl", 0, 18, "-pl type",
     "Plot type: cf,lcf,ln,dln,ndln,value,none", Help::kLine, kPlotTypeHelp},
    {92, "product", "orvproduct", "pro", 0, 6, "-pro product", "Product name", Help::kLine},
    {94, "raw_path", "orvraw", "rp", 0, 8, "-rp path", "Raw files path", Help::kLine},
    {96, "region", "orvregion", "re", 0, 13, "-re region or [proj],clat,clon[,nx,ny][,dx,dy]",
     "Region to be used for plotting and gridding", Help::kRegion},
    {98, "stat_prior", "orvprior", "pr", 0, 2, "-pr prior",
     "Priority of stations used in the plot", Help::kLine},
    {99, "state", "orvstate", "st", 0, 6, "-st state", "State to use", Help::kLine},
    {100, "table", "orvtable", "tb", 0, 1, "-tb", "Print as a table", Help::kLine},
    {101, "time", "orvtime", "ft", 0, 6, "-ft time", "Forecast time to be plotted or contoured",
     Help::kLine},
    {102, "title", "orvtitle", "ti", 0, 6, "-ti title", "Window title", Help::kLine},
    {104, "value", "orvvalue", nullptr, 10, 21, "value [value...]", "Values", Help::kLine},
    {105, "variable", "orvvar", "va", 0, 6, "-va var", "Variable to be plotted or contoured",
     Help::kLine},
    {106, "watch_path", "orvwatch", "wp", 0, 8, "-wp path", "Watch file data path",
     Help::kLine},
    {107, "window_num", "orvwinnum", "wn", 0, 2, "-wn number", "Loop window number",
     Help::kLine},
    {108, "color_watch", "orvclrwatch", "cowa", 0, 6, "-cowa clr", "Watch box color",
     Help::kLine},
    {109, "log_file", "orvlogfile", "lf", 0, 6, "-lf file", "Log file name", Help::kLine},
    {110, "grid_domain", "orvgrddomain", "gd", 0, 20,
     "-gd region or [proj],clat,clon[,nx,ny][,dx,dy]", "Grid domain", Help::kDomain},
    {111, "input", "orvinput", "inp", 0, 6, "-inp input", "Input source", Help::kLine},
    {112, "text_path", "orvtext", "tp", 0, 8, "-tp path", "Text file path", Help::kLine},
    {113, "model_path", "orvmpath", "mp", 0, 8, "-mp path", "Model file path", Help::kLine},
    {114, "sat_path", "orvsat", "sp", 0, 8, "-sp path", "Satellite file path", Help::kLine},
};

constexpr const char* kDefaultSearchList = ".:/home/orv/etc:/usr/local/orv/etc";

struct ResourceEntry {
    int source;
    std::string name;
    bool has_value;
    std::string value;
    unsigned type;
};

// The loop window reached through a "#n" element of the defaults search list.
struct LoopLink {
    bool connected = false;
    int handle = -1;
    int channel = -1;
};

struct ResState {
    // A deque keeps every entry (and so every value text handed out) in
    // place while new entries are appended.
    std::deque<ResourceEntry> list;
    std::array<ResourceDesc, kResTableSize> program_table{};
    ResourceDesc* table = nullptr;
    int argc = 0;
    char** argv = nullptr;
    LoopLink loop;
    DomainDecoder domain_decoder = nullptr;
    std::string unknown_option;  // the first command-line option no descriptor matched
};
ResState g;

const CatalogEntry* catalog_entry(int id) {
    for (const auto& e : kCatalog)
        if (e.id == id) return &e;
    return nullptr;
}

ResourceEntry* find_entry(const char* name) {
    if (name == nullptr) return nullptr;
    for (auto& e : g.list)
        if (e.name == name) return &e;
    return nullptr;
}

bool named(const ResourceDesc& d) { return d.name != nullptr && d.name[0] != '\0'; }
bool keyed(const ResourceDesc& d) { return d.key != nullptr; }

int table_size() {
    int n = 0;
    if (g.table != nullptr)
        while (named(g.table[n])) ++n;
    return n;
}

bool is_letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// Where the option name of a keyed argument begins: after "-" or "--"
// followed by a letter; null for positional arguments.
const char* option_name(const char* arg) {
    if (arg == nullptr || arg[0] != '-') return nullptr;
    if (is_letter(arg[1])) return arg + 1;
    if (arg[1] == '-' && is_letter(arg[2])) return arg + 2;
    return nullptr;
}

bool ci_prefix(const char* text, const char* prefix) {
    return strnicmp(text, prefix, std::strlen(prefix)) == 0;
}

// One keyed argument split into option name and value.
struct Option {
    std::string name;
    bool has_value = false;
    std::string value;
    bool value_from_next = false;
};

// Splits argv[*i] (which names an option at `text`); a value in the next
// argument is consumed by advancing *i.
Option read_option(const char* text, int argc, char** argv, int* i) {
    Option opt;
    const char* eq = std::strchr(text, '=');
    const std::size_t len = eq != nullptr ? static_cast<std::size_t>(eq - text) : std::strlen(text);
    opt.name.assign(text, std::min(len, kResOptionMax));
    if (eq != nullptr) {
        opt.has_value = true;
        opt.value = eq + 1;
    } else if (*i + 1 < argc && argv[*i + 1] != nullptr && option_name(argv[*i + 1]) == nullptr) {
        opt.has_value = true;
        opt.value = argv[++*i];
        opt.value_from_next = true;
    }
    return opt;
}

const char* value_or_null(const Option& opt) {
    return opt.has_value ? opt.value.c_str() : nullptr;
}

// ---- conversions -------------------------------------------------------

bool starts_with_digit(const char* s) { return std::isdigit(static_cast<unsigned char>(s[0])) != 0; }

int convert_switch(const char* value, void* dest) {
    auto* out = static_cast<int*>(dest);
    if (value == nullptr) {
        *out = 1;
    } else if (stricmp(value, "true") == 0 || stricmp(value, "on") == 0 ||
               stricmp(value, "yes") == 0) {
        *out = 1;
    } else if (stricmp(value, "false") == 0 || stricmp(value, "off") == 0 ||
               stricmp(value, "no") == 0) {
        *out = 0;
    }
    return 1;
}

// A number is stored only when the text holds one; otherwise the
// destination keeps its value.
template <typename T>
void store_long(const char* value, int base, T* dest) {
    char* end = nullptr;
    const long long v = std::strtoll(value, &end, base);
    if (end != value) *dest = static_cast<T>(v);
}

int convert_int(const char* value, void* dest) {
    if (starts_with_digit(value) || value[0] == '+' || value[0] == '-') {
        const int base = value[1] == 'x' || value[1] == 'X' ? 16 : 10;
        store_long(value, base, static_cast<int*>(dest));
    }
    return 1;
}

int convert_real(const char* value, void* dest) {
    char* end = nullptr;
    const float v = std::strtof(value, &end);
    if (end != value) *static_cast<float*>(dest) = v;
    return 1;
}

int convert_path(const char* value, void* dest) {
    std::string path = stricmp(value, "none") == 0 ? "" : value;
    if (!path.empty() && path.back() != '/') path += '/';
    *static_cast<char**>(dest) = create_string(path.c_str());
    return 1;
}

// Draw list: "+item" switches on, "-item" off, a plain item on; a plain
// first item starts from nothing drawn.
void apply_draw_list(const char* value) {
    static constexpr std::pair<const char*, int> kKeywords[] = {
        {"text", kPlotText},      {"text_ul", kPlotTextUL}, {"text_uc", kPlotTextUC},
        {"text_ur", kPlotTextUR}, {"text_ll", kPlotTextLL}, {"text_lc", kPlotTextLC},
        {"text_lr", kPlotTextLR}, {"data", kPlotData},      {"map", kPlotMap},
        {"grid", kPlotGrid},      {"sum", kPlotSum},        {"bord", kPlotBorder},
    };
    int n = 0;
    char** items = nullptr;
    parse_string(value, ',', &n, &items);
    for (int k = 0; k < n; ++k) {
        const char* item = items[k];
        const bool sign = item[0] == '+' || item[0] == '-';
        if (k == 0 && !sign) FLAG_resetplot(0);
        const unsigned on = item[0] == '-' ? 0U : 1U;
        const char* word = sign ? item + 1 : item;
        if (stricmp(word, "all") == 0) {
            FLAG_setplot(kPlotAll, on);
        } else if (stricmp(word, "none") == 0) {
            FLAG_setplot(kPlotAll, 1U - on);
        } else {
            for (const auto& [keyword, slot] : kKeywords)
                if (stricmp(word, keyword) == 0) {
                    FLAG_setplot(slot, on);
                    if (slot == kPlotText) FLAG_setplot(kPlotBorder, on);
                }
        }
    }
    free_parsed_array(n, items);
}

template <std::size_t N>
void set_flag_by_word(const char* value, int slot, const std::pair<const char*, int> (&words)[N]) {
    for (const auto& [word, code] : words)
        if (stricmp(value, word) == 0) {
            FLAG_set(slot, code);
            return;
        }
}

void apply_file_param(const char* value) {
    static constexpr std::pair<const char*, int> kWords[] = {
        {"use", 3}, {"over", 1}, {"calc", 1}, {"reuse", 3}, {"recalc", 1}, {"app", 2}};
    set_flag_by_word(value, kFlagFileParam, kWords);
}

void apply_plot_type(const char* value) {
    static constexpr std::pair<const char*, int> kWords[] = {
        {"raw", 0},    {"none", 99},  {"value", 17}, {"gvalue", 17}, {"cf", 15},   {"lcf", 16},
        {"ln", 12},    {"dln", 13},   {"ndln", 14},  {"vect", 21},   {"barb", 22}, {"strm", 23},
        {"stream", 23}, {"an", 54},   {"number", 54}, {"pm", 55},    {"stuve", 61}, {"skewt", 62},
        {"ema", 63},   {"teph", 64},  {"rteph", 65}, {"hodo", 69}};
    set_flag_by_word(value, kFlagPlotType, kWords);
}

// Reads up to `width` digits at *p into *field (left unchanged when none).
bool digit_group(const char** p, int width, std::int32_t* field) {
    const char* s = *p;
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    int v = 0;
    int n = 0;
    for (; n < width && std::isdigit(static_cast<unsigned char>(s[n])); ++n) v = v * 10 + (s[n] - '0');
    *field = v;
    *p = s + std::min(static_cast<int>(std::strlen(s)), width);
    return true;
}

// Successive fixed-width digit groups, stopping at the first that fails.
void digit_groups(const char* s, std::initializer_list<std::pair<int, std::int32_t*>> groups) {
    for (const auto& [width, field] : groups)
        if (!digit_group(&s, width, field)) return;
}

// A signed number at p, saturated far beyond any date field so that no
// later arithmetic on it can overflow; p moves past it. False when none.
bool read_number(const char*& p, std::int32_t* value) {
    const char* s = p;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    std::int64_t v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*s)); ++s)
        v = std::min<std::int64_t>(v * 10 + (*s - '0'), 999999999);
    *value = static_cast<std::int32_t>(negative ? -v : v);
    p = s;
    return true;
}

constexpr DateRecord kUnsetTime{kMissing, kMissing, kMissing, kMissing,
                                kMissing, kMissing, kMissing, kMissing};

DateRecord parse_hour_spec(const char* v) {
    DateRecord t = kUnsetTime;
    const std::size_t len = std::strlen(v);
    const bool colon = std::strchr(v, ':') != nullptr;
    const bool digit0 = starts_with_digit(v);
    const char* p = v;
    if (v[0] == '#' && std::isdigit(static_cast<unsigned char>(v[1]))) {
        digit_groups(v + 1, {{4, &t.year}, {2, &t.month}, {2, &t.day}, {2, &t.hour}, {2, &t.minute}});
    } else if (len == 6 && !colon) {
        digit_groups(v, {{2, &t.month}, {2, &t.day}, {2, &t.hour}});
    } else if (len == 4 && digit0 && !colon) {
        digit_groups(v, {{2, &t.day}, {2, &t.hour}});
    } else if (len == 3 && digit0 && !colon) {
        digit_groups(v, {{1, &t.day}, {2, &t.hour}});
    } else if (std::strchr(v, 'd') != nullptr) {
        if (read_number(p, &t.day) && *p == 'd' && read_number(++p, &t.hour) && *p == ':')
            read_number(++p, &t.minute);
    } else if (v[0] == ':') {
        read_number(++p, &t.minute);
    } else if (v[0] == '-' && v[1] == ':') {
        std::int32_t m = kMissing;
        p += 2;
        if (digit_group(&p, 9, &m)) t.minute = -m;
    } else {
        if (read_number(p, &t.hour) && *p == ':') read_number(++p, &t.minute);
        if (v[0] == '-' && t.hour == 0) {
            t.hour = kMissing;
            if (!is_missing(t.minute)) t.minute = -t.minute;
        }
    }
    // The free forms are numbers alone: text after them is no part of a time.
    if (p != v && p[std::strspn(p, " ")] != '\0') return kUnsetTime;
    return t;
}

// A time setting of the forms above: something set, and every field a
// fixed value in its range or (day, hour, minute) a relative one.
bool fits_time_setting(const DateRecord& t) {
    const auto in = [](int v, int lo, int hi) { return is_missing(v) || (v >= lo && v <= hi); };
    constexpr int kRelativeMin = -99999;
    const bool any = !is_missing(t.year) || !is_missing(t.month) || !is_missing(t.day) ||
                     !is_missing(t.hour) || !is_missing(t.minute);
    return any && in(t.month, 1, 12) && in(t.day, -366, 31) && t.day != 0 &&
           in(t.hour, kRelativeMin, 23) && in(t.minute, kRelativeMin, 59);
}

// An hour that no form gives would name files of no date ("-ho 2014010100"
// is no date; "#2014010100" is). A batch run cannot do what was asked.
void apply_hour_spec(const char* value) {
    const DateRecord t = parse_hour_spec(value);
    if (fits_time_setting(t)) {
        FILE_set_time(&t);
        return;
    }
    MESS_print(48, "Hour specification not understood: %s (forms: #yyyymmddhh[mm], mmddhh, ddhh, dhh, "
                   "days d hours:minutes, hours[:minutes], :minutes, -:minutes)\n", value);
    if (FLAG_batch() != 0) ORV_exit(kBadValueStatus);
}

int convert_device(const char* value, void* dest) {
    FLAG_set(kFlagDevice, RES_set_device(value));
    if (const char* comma = std::strchr(value, ',')) *static_cast<const char**>(dest) = comma + 1;
    return 1;
}

int convert_list(const char* value, void* dest, int* count) {
    if (count == nullptr) {
        *static_cast<const char**>(dest) = value;
        return 1;
    }
    parse_string(value, '\n', count, static_cast<char***>(dest));
    return 1;
}

// Converts a value (null when absent) with a type into dest (may be null).
int convert(const char* value, unsigned type, void* dest, int* count) {
    switch (type) {
    case kResBatch:
        FLAG_set(kFlagBatch, 1);
        if (MESS_check_set() == 0) MESS_set(0, 255);
        return 1;
    case kResHelp:
        FLAG_set(kFlagHelp, 1);
        return 1;
    case kResSwitch:
        return dest != nullptr ? convert_switch(value, dest) : 0;
    default:
        break;
    }
    if (value == nullptr) return 0;
    switch (type) {
    case kResMessage: MESS_set_str(value); return 1;
    case kResDraw: apply_draw_list(value); return 1;
    case kResHour: apply_hour_spec(value); return 1;
    case kResFileParam: apply_file_param(value); return 1;
    case kResPlotType: apply_plot_type(value); return 1;
    default: break;
    }
    if (dest == nullptr) return 0;
    switch (type) {
    case kResInt: return convert_int(value, dest);
    case kResShort:
        if (starts_with_digit(value)) store_long(value, 10, static_cast<std::int16_t*>(dest));
        return 1;
    case kResLong:
        if (starts_with_digit(value)) store_long(value, 10, static_cast<std::int64_t*>(dest));
        return 1;
    case kResReal: return convert_real(value, dest);
    case kResStrCopy: strntcpy(static_cast<char*>(dest), value, kResCopySize); return 1;
    case kResPath: return convert_path(value, dest);
    case kResRegion:
    case kResDomain: return g.domain_decoder != nullptr ? g.domain_decoder(value, dest) : 0;
    case kResDevice: return convert_device(value, dest);
    case kResIntLong: {  // a 32-bit result widened
        char* end = nullptr;
        const auto v = static_cast<std::int32_t>(std::strtol(value, &end, 10));
        if (end != value) *static_cast<std::int64_t*>(dest) = v;
        return 1;
    }
    case kResList: return convert_list(value, dest, count);
    default:  // strings and the text-only kinds
        *static_cast<const char**>(dest) = value;
        return 1;
    }
}

// ---- loop window -------------------------------------------------------

// Waits for the reply that ends an exchange (a non-zero status).
void await_ack(char* buffer) {
    while (MQ_get(g.loop.handle, g.loop.channel, buffer) == 0) {
    }
}

void loop_close() {
    if (g.loop.connected) MQ_close(g.loop.handle);
    g.loop = LoopLink{};
}

// Fetches resources from loop window n, offering it the values already known.
void loop_window_resources(const char* element) {
    const char* number = element + 1;
    const int handle = MQ_open(std::atoi(number));
    if (handle < 0) {
        MESS_print(192, "ORVloop window: %s not running or no message queue exists\n", number);
        return;
    }
    const int channel = MQ_connect(handle);
    if (channel < 0) {
        MESS_print(192, "ORVloop window: %s unable to connect\n", number);
        MQ_close(handle);
        return;
    }
    loop_close();
    g.loop = LoopLink{true, handle, channel};

    const int n = table_size();
    for (int i = 0; i < n; ++i) MQ_put(handle, channel, "query res %s", g.table[i].name);

    MQ_timeout(100);
    int outstanding = 0;
    char reply[kMqTextMax + 8];
    for (int i = 0; i < n; ++i) {
        const ResourceDesc& d = g.table[i];
        bool answered = false;
        int status = 0;
        while ((status = MQ_get(handle, channel, reply)) == 0) {
            if (reply[0] == '\0' || reply[0] == '\n' || reply[0] == '!') continue;
            reply[std::strlen(reply) - 1] = '\0';
            RES_new(i, d.name, reply, d.type);
            answered = true;
        }
        if (status == -3) MESS_print(192, "ORVloop not running!\n");
        const ResourceEntry* known = find_entry(d.name);
        if (!answered && known != nullptr && known->has_value) {
            MQ_put(handle, channel, "set res %s %s", d.name, known->value.c_str());
            ++outstanding;
        }
    }
    MQ_timeout(0);
    for (; outstanding > 0; --outstanding) await_ack(reply);
}

void loop_echo(const char* name, const char* value) {
    if (!g.loop.connected) return;
    MQ_put(g.loop.handle, g.loop.channel, "set res %s %s", name, value != nullptr ? value : "");
    char reply[kMqTextMax + 8];
    await_ack(reply);
}

void loop_finish() {
    if (!g.loop.connected) return;
    MQ_put(g.loop.handle, g.loop.channel, "quit");
    char reply[kMqTextMax + 8];
    await_ack(reply);
    loop_close();
}

// ---- decoding passes ---------------------------------------------------

bool is_name_option(const char* name) {
    return std::strlen(name) <= 4 && std::strncmp("name", name, std::strlen(name)) == 0;
}

bool is_default_option(const char* name) {
    return ci_prefix(name, "default") || ci_prefix(name, "df");
}

// The program title and the defaults list must be known before anything else.
void first_pass(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr || arg[0] != '-' || !is_letter(arg[1])) continue;
        const Option opt = read_option(arg + 1, argc, argv, &i);
        if (!opt.has_value) continue;
        if (is_name_option(opt.name.c_str())) {
            RES_new(kMissing, "name", opt.value.c_str(), kResString);
            DEF_name(opt.value.c_str());
        } else if (is_default_option(opt.name.c_str())) {
            RES_new(kMissing, "default", opt.value.c_str(), kResString);
        }
    }
}

void store_defaults_line(const char* pattern, const char* value) {
    bool matched = false;
    const int n = table_size();
    for (int i = 0; i < n; ++i) {
        const ResourceDesc& d = g.table[i];
        if (DEF_cmp(d.name, pattern) == 0) continue;
        RES_new(i, d.name, value, d.type);
        MESS_print(0x80000000U, "RESRC: %s=%s\n", d.name, value);
        matched = true;
    }
    if (!matched && DEF_valid(pattern) != 0) {
        char base[kDefNameSize];
        RES_new(kMissing, DEF_parse_name(pattern, base), value, kResString);
    }
}

void read_defaults_file(const std::string& element) {
    if (DEF_open(element.c_str()) != 0) return;
    char name[kDefNameSize];
    char value[kDefLineSize];
    while (DEF_get(name, value) == 1) store_defaults_line(name, value);
    DEF_close();
}

void read_defaults() {
    const char* list = RES_get("default");
    // A copy: a defaults file may store "default" itself.
    const std::string search = list != nullptr ? list : kDefaultSearchList;
    DEF_clr_tag();
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = search.find(':', start);
        const std::string element =
            search.substr(start, colon == std::string::npos ? colon : colon - start);
        if (element[0] == '+')
            DEF_tag(element.c_str() + 1);
        else if (element[0] == '#' && std::isdigit(static_cast<unsigned char>(element[1])))
            loop_window_resources(element.c_str());
        else
            read_defaults_file(element);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
}

void read_environment() {
    const int n = table_size();
    for (int i = 0; i < n; ++i) {
        const ResourceDesc& d = g.table[i];
        if (const char* v = DEF_env_value(d.name, d.env)) RES_new(i, d.name, v, d.type);
    }
}

int find_keyed(const char* name) {
    const int n = table_size();
    for (int i = 0; i < n; ++i)
        if (keyed(g.table[i]) && stricmp(g.table[i].key, name) == 0) return i;
    for (int i = 0; i < n; ++i)
        if (keyed(g.table[i]) && stricmp(g.table[i].name, name) == 0) return i;
    for (int i = 0; i < n; ++i)
        if (keyed(g.table[i]) && ci_prefix(g.table[i].name, name)) return i;
    return -1;
}

int find_positional(int position) {
    const int n = table_size();
    for (int i = 0; i < n; ++i)
        if (!keyed(g.table[i]) && g.table[i].position == position) return i;
    return -1;
}

bool takes_no_value(unsigned type) {
    return type == kResSwitch || type == kResBatch || type == kResHelp;
}

void store_keyed(const char* arg, int argc, char** argv, int* i) {
    const std::string given(argv[*i], static_cast<std::size_t>(std::strcspn(argv[*i], "=")));
    Option opt = read_option(arg, argc, argv, i);
    const char* name = opt.name.c_str();
    if (ci_prefix("name", name) || is_default_option(name)) return;
    const int idx = find_keyed(name);
    if (idx < 0) {
        if (g.unknown_option.empty()) g.unknown_option = given;
        RES_new(kMissing, name, value_or_null(opt), kResString);
        loop_echo(name, value_or_null(opt));
        return;
    }
    const ResourceDesc& d = g.table[idx];
    if (takes_no_value(d.type) && opt.value_from_next) {
        --*i;
        opt.has_value = false;
    }
    RES_new(idx, d.name, value_or_null(opt), d.type);
    loop_echo(d.name, value_or_null(opt));
}

void second_pass(int argc, char** argv) {
    int position = 0;
    bool collecting = false;  // a value of the position-10 descriptor is being collected
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr || std::strcmp(arg, "--") == 0) continue;
        if (const char* name = option_name(arg)) {
            store_keyed(name, argc, argv, &i);
            continue;
        }
        int idx = find_positional(++position);
        if (idx < 0) idx = find_positional(10);
        if (idx < 0) continue;
        const ResourceDesc& d = g.table[idx];
        if (d.position == 10 && collecting) {
            RES_append(idx, d.name, arg, d.type);
        } else {
            RES_new(idx, d.name, arg, d.type);
            collecting = collecting || d.position == 10;
        }
    }
    loop_finish();
}

void conversion_pass() {
    const int n = table_size();
    const std::size_t count = g.list.size();
    for (std::size_t k = 0; k < count; ++k) {
        const ResourceEntry& e = g.list[k];
        if (e.source < 0 || e.source >= n) continue;
        const ResourceDesc& d = g.table[e.source];
        convert(e.has_value ? e.value.c_str() : nullptr, e.type, d.dest, d.count);
    }
}

// Installation data is the shipped data directory unless a source names one.
void install_data_default() {
#ifdef ORV_DATA_DIR
    if (RES_get("file_path") == nullptr) RES_put("file_path", ORV_DATA_DIR);
#endif
}

void print_help_line(const char* usage, const char* text) {
    MESS_print(15, " %-10s  %s\n", usage, text);
}

}  // namespace

// ---- public interface ----------------------------------------------------

int RES_init(int argc, char** argv, const int* keyed_ids, const int* positional_ids) {
    FLAG_reset(kMissing);
    g.program_table.fill(ResourceDesc{});
    int n = 0;
    for (const int* ids : {keyed_ids, positional_ids})
        for (; ids != nullptr && *ids != 0 && n < kResTableSize - 1; ++ids)
            RES_enter(&g.program_table[n++], *ids);
    RES_decode(argc > 0 ? argv[0] : nullptr, "Orv", argc, argv, g.program_table.data());
    if (const char* tz = std::getenv("orvtz")) DATE_set_TZ(tz);
    return 1;
}

int RES_decode(const char*, const char*, int argc, char** argv, ResourceDesc* table) {
    g.table = table;
    RES_setCL(argc, argv);
    DEF_prog();
    if (const char* list = std::getenv("orvdefault")) RES_new(kMissing, "default", list, kResString);
    first_pass(argc, argv);
    read_defaults();
    read_environment();
    second_pass(argc, argv);
    install_data_default();
    conversion_pass();
    return 1;
}

int RES_enter(ResourceDesc* desc, int id) {
    if (desc == nullptr) return 1;
    const CatalogEntry* e = catalog_entry(id);
    if (e == nullptr) {
        std::printf("%d\n", id);
        *desc = ResourceDesc{"", nullptr, nullptr, 0, 0, nullptr, nullptr};
        return 1;
    }
    *desc = ResourceDesc{e->name, e->env, e->key, e->position, e->type, nullptr, nullptr};
    return 1;
}

int RES_fill_obj(ResourceDesc* desc, const char* name, const char* env, const char* key,
                 unsigned type, void* dest, int* count) {
    if (desc != nullptr) *desc = ResourceDesc{name, env, key, 0, type, dest, count};
    return 1;
}

int RES_fill_obj(ResourceDesc* desc, const char* name, const char* env, int position,
                 unsigned type, void* dest, int* count) {
    if (desc != nullptr) *desc = ResourceDesc{name, env, nullptr, position, type, dest, count};
    return 1;
}

int RES_new(int source, const char* name, const char* value, unsigned type) {
    if (name == nullptr) return -1;
    try {
        std::string text = value != nullptr ? value : "";  // the value may point into the list
        ResourceEntry* e = find_entry(name);
        if (e == nullptr) e = &g.list.emplace_back(ResourceEntry{source, name, false, {}, type});
        e->source = source;
        e->type = type;
        e->has_value = value != nullptr;
        e->value = std::move(text);
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int RES_append(int source, const char* name, const char* value, unsigned type) {
    ResourceEntry* e = find_entry(name);
    if (e == nullptr) return RES_new(source, name, value, type);
    if (value == nullptr) return 0;
    try {
        std::string text = value;  // the value may point into the list
        if (e->has_value)
            e->value.append("\n").append(text);
        else
            e->value = std::move(text);
        e->has_value = true;
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

void RES_put(const char* name, const char* value) { RES_new(kMissing, name, value, kResString); }

int RES_set_now(const char* name, const char* value) {
    if (name == nullptr) return -1;
    const int n = table_size();
    for (int idx = 0; idx < n; ++idx) {
        const ResourceDesc& d = g.table[idx];
        if (std::strcmp(d.name, name) != 0) continue;
        if (RES_new(idx, d.name, value, d.type) != 0) return -1;
        // An empty value changes nothing: "set message" must not silence everything.
        if (value != nullptr && *value != '\0') convert(value, d.type, d.dest, d.count);
        return 0;
    }
    return RES_new(kMissing, name, value, kResString);
}

const char* RES_get(const char* name) {
    const ResourceEntry* e = find_entry(name);
    return e != nullptr ? e->value.c_str() : nullptr;
}

int RES_getval(const char* name, void* destination, unsigned type) {
    const ResourceEntry* e = find_entry(name);
    if (e == nullptr) return 0;
    return convert(e->has_value ? e->value.c_str() : nullptr, type, destination, nullptr);
}

int RES_getvals(const char* name, int* count, char*** items) {
    *count = 0;
    *items = nullptr;
    const ResourceEntry* e = find_entry(name);
    if (e == nullptr || !e->has_value || e->value.empty()) return 0;
    parse_string(e->value.c_str(), e->type == kResList ? '\n' : ',', count, items);
    return *count;
}

void RES_list() {
    for (const auto& e : g.list) {
        if (e.has_value)
            MESS_print(8, "%s: %s\n", e.name.c_str(), e.value.c_str());
        else
            MESS_print(8, "%s:\n", e.name.c_str());
    }
}

namespace {
// The image and vector file formats of the headless picture device.
bool picture_file_word(const char* text) {
    static constexpr const char* kWords[] = {"png", "gif", "xwd", "img", "pdf", "svg"};
    for (const char* w : kWords)
        if (strncasecmp(text, w, 3) == 0 && (text[3] == '\0' || text[3] == ',')) return true;
    return false;
}
}  // namespace

int RES_set_device(const char* text) {
    if (text != nullptr && picture_file_word(text)) return 7;
    // "pcl" is the HPGL device in its PCL wrapper, whatever its first letter says.
    if (text != nullptr && strncasecmp(text, "pcl", 3) == 0 && (text[3] == '\0' || text[3] == ',')) return 5;
    switch (text != nullptr ? text[0] : '\0') {
    case 'h': case 'H': case 'q': case 'Q': return 5;
    case 'm': case 'M': return 3;
    case 'p': case 'P': return 4;
    case 'w': case 'W': return 6;
    default: return 1;
    }
}

void RES_set_domain_decoder(DomainDecoder decoder) { g.domain_decoder = decoder; }

int RES_help_print(const char* progname, const int* keyed_ids, const int* positional_ids) {
    MESS_print(15, "%s syntax (version:%s)\n", progname, ORV_version());
    MESS_print(15, "   %s [options...]\n", progname);
    MESS_print(15, "Keyed options...\n");
    MESS_print(15, " %-10s  Resource/defaults file name\n", "-df file");
    MESS_print(15, " %-10s  Program name\n", "-na name");
    for (; keyed_ids != nullptr && *keyed_ids != 0; ++keyed_ids) RES_help_item(*keyed_ids);
    MESS_print(15, "Positional options...\n");
    for (; positional_ids != nullptr && *positional_ids != 0; ++positional_ids)
        RES_help_item(*positional_ids);
    return 1;
}

int RES_help_item(int id) {
    const CatalogEntry* e = catalog_entry(id);
    if (e == nullptr) return 1;
    switch (e->help) {
    case Help::kLine: print_help_line(e->usage, e->description); break;
    case Help::kMessage:
        print_help_line(e->usage, e->description);
        MESS_print(15, "               none,print,error,warn,mess,out1,*out2,out3,out4,debug\n");
        break;
    case Help::kAlone:
    case Help::kDomain:
    case Help::kRegion:
        MESS_print(15, " %-10s\n", e->usage);
        MESS_print(15, "             %s\n", e->description);
        if (e->help == Help::kAlone) break;
        MESS_print(15, "               region=predefined region:\n");
        // The region entry also takes "var", which asks for the centre.
        MESS_print(15, e->help == Help::kRegion ? "                  us,ne,at,se,mw,sp,nw,sw,var,etc\n"
                                                : "                  us,ne,at,se,mw,sp,nw,sw,etc\n");
        MESS_print(15, "               proj=projection, clat=central latitude, clon=central "
                       "longitude,\n");
        MESS_print(15, "               nx,ny=number of gridpoints and dx,dy=grid spacing\n");
        break;
    }
    for (const char* const* line = e->more; line != nullptr && *line != nullptr; ++line)
        MESS_print(15, "               %s\n", *line);
    return 1;
}

void RES_setCL(int argc, char** argv) {
    g.argc = argc;
    g.argv = argv;
}

const char* RES_get_prog() { return g.argc > 0 && g.argv != nullptr ? g.argv[0] : nullptr; }

char* RES_get_progname(char* buffer, std::size_t size) {
    const char* prog = RES_get_prog();
    const char* base = "ORV";
    if (prog != nullptr) {
        const char* slash = std::strrchr(prog, '/');
        base = slash != nullptr ? slash + 1 : prog;
    }
    if (buffer == nullptr) {
        static char fallback[] = "ORV";
        char* copy = create_string(base);
        return copy != nullptr ? copy : fallback;
    }
    return strntcpy(buffer, base, size);
}

const char* RES_unknown_option() { return g.unknown_option.empty() ? nullptr : g.unknown_option.c_str(); }

const char* ORV_version() { return "5.60.4-LINUX-X11"; }

void RES_reset_for_tests() {
    loop_close();
    g = ResState{};
}

}  // namespace orv
