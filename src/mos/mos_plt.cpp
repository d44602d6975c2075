#include "mos/mos_plt.hpp"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <regex>
#include <strings.h>
#include <string>
#include <vector>

#include "core/date.hpp"
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/par_tool.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/system.hpp"
#include "core/tools.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/maptran.hpp"
#include "geo/region.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gph.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "mos/cty_tool.hpp"
#include "mos/mos_read.hpp"
#include "mos/mos_tool.hpp"
#include "plot/cont.hpp"
#include "plot/data.hpp"
#include "plot/data_plt.hpp"
#include "plot/object.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

constexpr MosModelInfo kModels[] = {
    {kModelNgm, "ngm", MosFamily::standard, 239, "NGM MOS", 0},
    {kModelNgmUa, "ngm_ua", MosFamily::extended, 239, "NGM MOS", 2},
    {kModelMrf, "mrf", MosFamily::standard, 278, "MRF MOS", 1},
    {kModelMrfx, "mrfx", MosFamily::mrf, 278, "MRF MOS", 1},
    {kModelEta, "eta", MosFamily::standard, 289, "ETA MOS", 0},
    {kModelEtaUa, "eta_ua", MosFamily::extended, 289, "ETA MOS", 2},
    {kModelNam, "nam", MosFamily::standard, 290, "NAM MOS", 0},
    {kModelNamUa, "nam_ua", MosFamily::extended, 290, "NAM MOS", 2},
    {kModelAvn, "avn", MosFamily::standard, 277, "AVN MOS", 0},
    {kModelGfs, "gfs", MosFamily::standard, 279, "GFS MOS", 0},
    {kModelGfsx, "gfsx", MosFamily::standard, 280, "GFSX MOS", 1},
};

// The order in which a naming convention's text selects a model: longer
// names first so that "ngm_ua" is not taken for "ngm".
constexpr int kConventionOrder[] = {kModelNgmUa, kModelNgm, kModelEtaUa, kModelEta,
                                    kModelNamUa, kModelNam, kModelAvn,   kModelMrfx,
                                    kModelMrf,   kModelGfsx, kModelGfs};

constexpr int kDataCategoryMos = 40;
constexpr std::size_t kLabelMax = 30;
constexpr std::size_t kAbbrMax = 8;
constexpr std::size_t kConvMax = 159;

struct BuiltinTime {
    const char* label;
    const char* abbr;
    int value;
    int shown[3];
};

// The hour menu offers the columns of the standard bulletins: every 3 hours
// from 6 to 60, then 66 and 72; the upper-air menu their 6-hourly steps to 48.
constexpr BuiltinTime kBuiltinTimes[] = {
    {"Back to previous menu", "back", 0, {1, 1, 1}},
    {"Initial", "init", 0, {0, 0, 1}},
    {"6 hour", "h06", 6, {1, 0, 1}},     {"9 hour", "h09", 9, {1, 0, 0}},
    {"12 hour", "h12", 12, {1, 0, 1}},   {"15 hour", "h15", 15, {1, 0, 0}},
    {"18 hour", "h18", 18, {1, 0, 1}},   {"21 hour", "h21", 21, {1, 0, 0}},
    {"24 hour", "h24", 24, {1, 0, 1}},   {"27 hour", "h27", 27, {1, 0, 0}},
    {"30 hour", "h30", 30, {1, 0, 1}},   {"33 hour", "h33", 33, {1, 0, 0}},
    {"36 hour", "h36", 36, {1, 0, 1}},   {"39 hour", "h39", 39, {1, 0, 0}},
    {"42 hour", "h42", 42, {1, 0, 1}},   {"45 hour", "h45", 45, {1, 0, 0}},
    {"48 hour", "h48", 48, {1, 0, 1}},   {"51 hour", "h51", 51, {1, 0, 0}},
    {"54 hour", "h54", 54, {1, 0, 0}},   {"57 hour", "h57", 57, {1, 0, 0}},
    {"60 hour", "h60", 60, {1, 0, 0}},   {"66 hour", "h66", 66, {1, 0, 0}},
    {"72 hour", "h72", 72, {1, 0, 0}},
    {"1 day", "d1", 24, {0, 1, 0}},      {"1.5 day", "e1", 36, {0, 0, 0}},
    {"2 day", "d2", 48, {0, 1, 0}},      {"2.5 day", "e2", 60, {0, 0, 0}},
    {"3 day", "d3", 72, {0, 1, 0}},      {"3.5 day", "e3", 84, {0, 0, 0}},
    {"4 day", "d4", 96, {0, 1, 0}},      {"4.5 day", "e4", 108, {0, 0, 0}},
    {"5 day", "d5", 120, {0, 1, 0}},     {"5.5 day", "e5", 132, {0, 0, 0}},
    {"6 day", "d6", 144, {0, 1, 0}},     {"6.5 day", "e6", 156, {0, 0, 0}},
    {"7 day", "d7", 168, {0, 1, 0}},
};
static_assert(static_cast<int>(std::size(kBuiltinTimes)) < kTimeMenuSize, "the built-in menu and its end mark fit the table");

// The time menu keeps its texts in fixed slots so that a time-menu file can
// replace them.
struct TimeMenu {
    std::array<MenuEntry, kTimeMenuSize> items{};
    char labels[kTimeMenuSize][kLabelMax + 1]{};
    char abbrs[kTimeMenuSize][kAbbrMax + 1]{};

    void load_builtin() {
        for (std::size_t i = 0; i < kTimeMenuSize; ++i) {
            items[i] = MenuEntry{};
            labels[i][0] = abbrs[i][0] = '\0';
        }
        std::size_t i = 0;
        for (const auto& t : kBuiltinTimes) {
            copy_text(labels[i], t.label);
            copy_text(abbrs[i], t.abbr);
            items[i].label = labels[i];
            items[i].abbr = abbrs[i];
            items[i].value = t.value;
            for (int k = 0; k < 3; ++k) items[i].shown[k] = t.shown[k];
            ++i;
        }
    }
};

struct MosState {
    // The bulletin's run date and cycle: its title line's when it has one,
    // else the date its file name gives.
    DateRecord file_date{kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    // The file the user chose, read as it stands for every frame; empty when
    // the file is named by the convention from the date.
    std::string bulletin;
    int model = kModelNgm;
    char model_string[kVarTextMax + 1] = "ngm";
    char conv[kConvMax + 1] = "mos_dat";
    TimeMenu menu;
    bool menu_loaded_builtin = false;
    int tim_menu_type = 0;
    bool time_init = false;
    int time_prompt = 1;
    int variable_prompt = 1;
    bool time_back = false;  // the time menu was left with "back"
    std::vector<std::string> times;
    int hour = kMissing;
    char variable[kMosVariableMax + 1] = "";
    bool var_file_open = false;
};
MosState g;

TimeMenu& menu() {
    if (!g.menu_loaded_builtin) {
        g.menu.load_builtin();
        g.menu_loaded_builtin = true;
    }
    return g.menu;
}

void set_model(int code) {
    g.model = code;
    FLAG_set(kFlagDataKind, code);
}

// "mo=<pattern>" items of a time-menu line decide by the current model string.
bool flags_accept(const char* flags) {
    if (flags[0] == '1') return true;
    if (flags[0] == '0') return false;
    int n = 0;
    char** items = nullptr;
    parse_string(flags, ',', &n, &items);
    bool ok = false;
    for (int i = 0; i < n && !ok; ++i)
        ok = strnicmp(items[i], "mo=", 3) == 0 && VAR_menu_display(items[i] + 3, g.model_string) == 1;
    free_parsed_array(n, items);
    return ok;
}

// Reads one line of at most size-1 characters; the rest of a longer line is skipped.
bool read_line(std::FILE* f, char* buf, std::size_t size) {
    if (std::fgets(buf, static_cast<int>(size), f) == nullptr) return false;
    if (std::strchr(buf, '\n') == nullptr) {
        int c = 0;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {
        }
    }
    return true;
}

int menu_type_for_model(int model, int current) {
    switch (model) {
    case kModelEta: case kModelNam: case kModelNgm: case kModelGfs: return 0;
    case kModelEtaUa: case kModelNamUa: case kModelNgmUa: return 2;
    case kModelMrf: case kModelMrfx: case kModelGfsx: return 1;
    default: return current;
    }
}

// Every label of a run names its times in one unit: days for the families
// whose bulletins run to a week by 12 hours, hours for the others.
DateHourForm hour_form_of(int model) {
    switch (model) {
    case kModelMrf: case kModelMrfx: case kModelGfsx: return DateHourForm::days;
    default: return DateHourForm::hours;
    }
}

void set_times(const char* answer) {
    g.times.clear();
    int n = 0;
    char** items = nullptr;
    parse_string(answer, ',', &n, &items);
    for (int i = 0; i < n; ++i) g.times.emplace_back(items[i]);
    free_parsed_array(n, items);
}

// Makes time i the current one: the hour, the variable module's time text, flag 6.
void select_time(std::size_t i) {
    if (i >= g.times.size()) return;
    int code = kMissing;
    if (VAR_dec_time(g.times[i].c_str(), &code) == 0) code = kMissing;
    g.hour = code;
    VAR_set_time_str(g.times[i].c_str());
    FLAG_set(kFlagHour, code);
}

// A reply the time menu does not list may still name forecast times ("h24",
// "d2", "h12,h24"); a plain number stays a row number of the menu.
bool names_times(const char* reply) {
    if (reply[0] == '\0' || string_is_num(reply) != 0) return false;
    int n = 0;
    char** items = nullptr;
    parse_string(reply, ',', &n, &items);
    bool all = n > 0;
    for (int i = 0; i < n && all; ++i) {
        const char* item = items[i];
        int code = kMissing;
        all = item[0] != '\0' && strnicmp(item, "time", 4) != 0 && VAR_dec_time(item, &code) != 0 &&
              !is_missing(code);
    }
    free_parsed_array(n, items);
    return all;
}

// Before a menu is shown again, the reply that matched nothing is named.
void say_no_match(const char* reply) {
    if (reply[0] != '\0') MESS_print(kMessPrint, "no entry matches '%s'\n", reply);
}

constexpr int kStationBlockSize = kRawLabelBlock;
constexpr int kStationPriority = 7;

MosFrameSeams g_frames{};

bool prefix_nocase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// Image dumps belong to the frame module; neither file hook takes them.
bool is_image_entry(const char* entry) {
    for (const char* prefix : {"gif", "png", "img", "xwd"})
        if (prefix_nocase(entry, prefix)) return true;
    return false;
}

bool is_raw_entry(const char* entry) { return prefix_nocase(entry, "raw"); }

// Binary and netCDF entries name grid files only.
bool is_grid_only_entry(const char* entry) { return prefix_nocase(entry, "orvb") || prefix_nocase(entry, "cdf"); }

// Calls fn for every entry of "out_file" that names an output convention
// of the hook: "none", image entries and the entries `other` claims for the
// other hook are skipped.
template <typename Fn>
void for_out_file_entries(bool (*other)(const char*), Fn fn) {
    int n = 0;
    char** items = nullptr;
    RES_getvals("out_file", &n, &items);
    for (int k = 0; k < n; ++k) {
        const char* entry = items[k];
        if (entry == nullptr || strcasecmp(entry, "none") == 0 || is_image_entry(entry) || other(entry)) continue;
        fn(entry);
    }
    free_parsed_array(n, items);
}

int plotted_variables() {
    int n = 0;
    for (int i = 0; i < VAR_get_num(); ++i) n += VAR_is_PLOT(i) != 0 ? 1 : 0;
    return n;
}

template <typename Report, int (*Read)(Report*, CityEntry*), int (*Get)(const Report*, VarRecord*, RawData*)>
struct Family {
    static int read(void* report, CityEntry* entry) { return Read(static_cast<Report*>(report), entry); }
    static int get(const void* report, VarRecord* variable, RawData* raw) {
        return Get(static_cast<const Report*>(report), variable, raw);
    }
};

void fill_control(PlotControl* c, const Domain* domain, const MosModelInfo* info) {
    DATA_control_init(c);
    c->date = g.file_date;
    c->model = info != nullptr ? info->number : kMissing;
    c->raw_out = MOS_raw_out_file;
    c->grd_out = MOS_grd_out_file;
    c->plot_domain = *domain;
    c->rewind = MOS_rewind_file;
    c->raw_plot = nullptr;
    c->grid_data = MOS_grid_data;
    c->callback = MOS_callback;
    const MosFamily family = info != nullptr ? info->family : MosFamily::standard;
    switch (family) {
    case MosFamily::extended:
        c->report = MOSU_get_report();
        c->get_var = MOSU_get_var;
        c->read_report = Family<MosuReport, MOSU_read_report, MOSU_get_data>::read;
        c->get_data = Family<MosuReport, MOSU_read_report, MOSU_get_data>::get;
        g.tim_menu_type = 2;
        break;
    case MosFamily::mrf:
        c->report = MOSM_get_report();
        c->get_var = MOSM_get_var;
        c->read_report = Family<MosmReport, MOSM_read_report, MOSM_get_data>::read;
        c->get_data = Family<MosmReport, MOSM_read_report, MOSM_get_data>::get;
        g.tim_menu_type = 1;
        break;
    case MosFamily::standard:
        c->report = MOS_get_report();
        c->get_var = MOS_get_var;
        c->read_report = Family<MosReport, MOS_read_report, MOS_get_data>::read;
        c->get_data = Family<MosReport, MOS_read_report, MOS_get_data>::get;
        g.tim_menu_type = 0;
        break;
    }
}

[[gnu::format(printf, 2, 3)]] [[noreturn]] void fail(int status, const char* format, ...) {
    char text[2 * kFileNameSize + 128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    MESS_print(kMessError, "%s", text);
    ORV_exit(status);
}

// A batch run names its answers on the command line.
void need_in_batch(const char* what, const char* option) {
    if (FLAG_batch() != 0) fail(kExitNeedsAnswer, "A batch run needs the %s: give it with %s\n", what, option);
}

// The family word of the bulletin's station lines ("KFOZ   NAM MOS GUIDANCE")
// when it is not `own`; empty when there is none.
std::string other_family_in(const char* path, const std::string& own) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return {};
    constexpr int kLinesLooked = 5000;
    char line[512];
    std::string found;
    for (int n = 0; n < kLinesLooked && found.empty() && std::fgets(line, sizeof line, f) != nullptr; ++n) {
        const char* at = std::strstr(line, " MOS GUIDANCE");
        if (at == nullptr) continue;
        const char* word = at;
        while (word > line && word[-1] != ' ') --word;
        if (word < at && std::string(word, at) != own) found.assign(word, at);
    }
    std::fclose(f);
    return found;
}

// A batch run makes no map it would have to leave empty. Before the output
// is opened: every variable is one the family knows, the bulletin opens,
// holds reports of the family and names stations of the table in the domain.
void check_batch_plot(const Domain* domain, const MosModelInfo* info) {
    if (FLAG_batch() == 0) return;
    PlotControl probe;
    fill_control(&probe, domain, info);
    const std::string label = info != nullptr ? info->label : g.model_string;
    for (int i = 0; i < VAR_get_num(); ++i) {
        if (VAR_is_REG(i) == 0 && VAR_is_SUBREG(i) == 0) continue;
        VarRecord variable = *VAR_get_var(i);
        if (probe.get_var(&variable) == 0)
            fail(kExitUsage, "Unknown variable for %s: %s\n", label.c_str(), variable.name);
    }
    // The reader names the file itself; the naming state is left for the frames.
    char name[kFileNameSize];
    FILE_get_filename(name);
    if (FILE_is_dir(name) != 0) fail(kExitNoFile, "%s is a directory, not a bulletin\n", name);
    if (MOS_open_file() == 0) ORV_exit(kExitNoFile);  // it said which file
    if (probe.rewind != nullptr) probe.rewind();  // from the first report, whatever an earlier frame read
    constexpr int kReportsLooked = 100000;  // a reader that makes no progress cannot hold the run
    int recognised = 0;
    int used = 0;
    CityEntry entry{};
    for (int n = 0; n < kReportsLooked && used == 0; ++n) {
        const int r = probe.read_report(probe.report, &entry);
        if (r < 0) break;
        ++recognised;
        used += r > 0 ? 1 : 0;
    }
    MOS_close_file();
    if (recognised == 0) {
        const std::string own = label.substr(0, label.find(' '));
        const std::string other = other_family_in(name, own);
        fail(kExitNoReports, "no %s reports found in %s%s%s%s\n", label.c_str(), name,
             other.empty() ? "" : "; is this a ", other.c_str(), other.empty() ? "" : " bulletin?");
    }
    if (used == 0)
        fail(kExitNoStations, "No report of %s is for a station of the station table in the domain\n", name);
}

void draw_frame(int i, int ntimes, const MosModelInfo* info) {
    GPH_trans(2);
    if (ntimes > 1) {
        if (g_frames.create_frame != nullptr) g_frames.create_frame(i);
        if (g_frames.select_frame != nullptr) g_frames.select_frame(i);
    }
    char name[kFileNameSize];
    if (!g.bulletin.empty())
        FILE_set_filename(g.bulletin.c_str());
    else
        FILE_set_date(&g.file_date, name);
    if (ntimes > 1) {
        select_time(static_cast<std::size_t>(i));
        VAR_setup(nullptr, g.variable);
    }
    MOS_open_file();
    const char* model_str = info != nullptr ? info->label : g.model_string;
    MESS_print(0xF00, "%s %s: %s\n", model_str, g.times[i].c_str(), g.variable);
    PlotControl* control = DATA_get_control();
    DATA_new_frame();
    DATA_map_underlay();
    control->frame = i;
    DATA_fit_grid(control);
    for (int v = 0; v < VAR_get_num(); ++v) {
        v = DATA_plot_raw(DATA_plot_grid(v, control), control);
        DATA_plot_map(v);
    }
    DATA_map_overlay();
    PLT_labels();
    MOS_close_file();
    if (ntimes > 1) {
        if (g_frames.display_frame != nullptr) g_frames.display_frame(i);
        DATA_new_grid();
    }
    PLT_dump(i);
}

// The run date and cycle of a bulletin title line, "8/12/2017  1200 UTC"
// after the family's name ("KFOZ   NAM MOS GUIDANCE ..."). A minute of 0
// stays unset, as in the dates that file names give.
bool title_date(const std::string& line, DateRecord* date) {
    static const std::regex kTitle(R"(MOS.*\b(\d{1,2})/(\d{1,2})/(\d{4}) +(\d{2})(\d{2}) +UTC)");
    std::smatch m;
    if (!std::regex_search(line, m, kTitle)) return false;
    const auto field = [&m](int i) { return std::stoi(m[i].str()); };
    const int month = field(1), day = field(2), year = field(3), hour = field(4), minute = field(5);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59) return false;
    *date = DateRecord{year, month, day, kMissing, kMissing, hour, minute == 0 ? kMissing : minute, kMissing};
    return true;
}

// The first title line among a bulletin's first lines; carriage returns
// end lines as line feeds do.
bool bulletin_title_date(const char* name, DateRecord* date) {
    constexpr int kTitleSearchLines = 2000;
    constexpr long kTitleSearchBytes = 1L << 20;  // a file without line ends is not read whole
    constexpr std::size_t kLineMax = 256;
    if (FILE_is_stdio(name) != 0 || FILE_is_file(name) == 0) return false;
    std::FILE* f = FILE_open(name, "r");
    if (f == nullptr) return false;
    std::string line;
    int lines = 0;
    bool found = false;
    long bytes = 0;
    for (int c = 0; !found && lines < kTitleSearchLines && bytes < kTitleSearchBytes && c != EOF; ++bytes) {
        c = std::fgetc(f);
        if (c != '\n' && c != '\r' && c != EOF) {
            if (line.size() < kLineMax) line += static_cast<char>(c);
            continue;
        }
        found = title_date(line, date);
        line.clear();
        ++lines;
    }
    FILE_close(f);
    return found;
}

bool same_cycle(const DateRecord& a, const DateRecord& b) {
    const auto minute = [](int m) { return is_missing(m) ? 0 : m; };
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           minute(a.minute) == minute(b.minute);
}

void take_title_date(const char* name, DateRecord* date) {
    DateRecord title{};
    if (!bulletin_title_date(name, &title)) return;
    if (!is_missing(date->year) && !same_cycle(title, *date)) {
        char named[40];
        char run[40];
        DATE_make_label(date, named);
        DATE_make_label(&title, run);
        MESS_print(192, "%s: the bulletin's run %s differs from the date of its name %s; the run's is used\n",
                   name, run, named);
    }
    *date = title;
}

// A batch run does not guess: an unknown model ends it; a dialogue goes on
// with the model it had.
void refuse_unknown_model(const char* model) {
    std::string known;
    for (const auto& m : kModels) known += std::string(known.empty() ? "" : ", ") + m.name;
    const bool batch = FLAG_batch() != 0;
    MESS_print(batch ? kMessError : kMessWarn, "Unknown model: %s (known: %s)\n", model, known.c_str());
    if (batch) ORV_exit(kExitUsage);
}

}  // namespace

const MosModelInfo* MOS_model_info(int code) {
    for (const auto& m : kModels)
        if (m.code == code) return &m;
    return nullptr;
}

int MOS_in_file() {
    copy_text(g.conv, "mos_dat");
    set_model(kModelNgm);
    copy_text(g.model_string, "ngm");
    FLAG_set(kFlagCategory, kDataCategoryMos);

    if (const char* model = RES_get("model"); model != nullptr) {
        bool known = false;
        for (const auto& m : kModels)
            if (stricmp(model, m.name) == 0) {
                set_model(m.code);
                known = true;
            }
        if (!known) refuse_unknown_model(model);
        copy_text(g.model_string, model);
    }

    int n = 0;
    char** entries = nullptr;
    RES_getvals("in_file", &n, &entries);
    for (int i = 0; i < n; ++i) {
        // A convention that names no model ("mos_dat") leaves the model and
        // its menus as -mo chose them.
        copy_text(g.conv, entries[i]);
        for (const int code : kConventionOrder) {
            const MosModelInfo* m = MOS_model_info(code);
            if (std::strstr(entries[i], m->name) == nullptr) continue;
            set_model(code);
            copy_text(g.model_string, m->name);
            break;
        }
    }
    free_parsed_array(n, entries);
    VAR_set_model_str(g.model_string);
    FILE_set_name(g.conv);
    PAR_set_in_file(g.conv);
    return 0;
}

const char* MOS_model_string() { return g.model_string; }
const char* MOS_name_conv() { return g.conv; }

// A date given names the file through the convention. Without one, the
// file chosen (by name, as the latest or the current one) is the file read,
// and the run date in its title line wins over the date of its name.
int MOS_set_date(const DateRecord* date) {
    g.bulletin.clear();
    if (date != nullptr) {
        g.file_date = *date;
        return 0;
    }
    FILE_get_date(&g.file_date);
    char name[kFileNameSize];
    FILE_get_filename(name);
    if (name[0] == '\0') return 0;
    g.bulletin = name;
    PAR_set_in_file("");
    take_title_date(name, &g.file_date);
    return 0;
}

const DateRecord* MOS_get_date() { return &g.file_date; }

void MOS_set_prompt_time(int flag) { g.time_prompt = flag; }
int MOS_time_back() { return g.time_back ? 1 : 0; }
void MOS_set_prompt_variable(int flag) { g.variable_prompt = flag; }

int MOS_read_time_menu() {
    TimeMenu& m = menu();
    g.time_init = true;
    char progname[64];
    RES_get_progname(progname);
    std::string name = std::string(progname) + ".tim";
    std::string path = orv_file_path();
    if (path.back() != '/') path += '/';
    path += name;
    std::FILE* f = FILE_open(path.c_str(), "r");
    if (f == nullptr) return 0;

    // A file's entries replace the built-in ones and are shown in every menu variant.
    for (std::size_t i = 1; i < kTimeMenuSize; ++i) {
        m.labels[i][0] = m.abbrs[i][0] = '\0';
        m.items[i] = MenuEntry{};
    }
    std::size_t slot = 1;
    char line[512];
    while (slot < kTimeMenuSize - 1 && read_line(f, line, sizeof line)) {
        // Words longer than their fields are cut, not run into the next word.
        char word[3][256] = {"", "", ""};
        if (std::sscanf(line, "%255s %255s %255s", word[0], word[1], word[2]) < 1) continue;
        if (!flags_accept(word[2])) continue;
        char abbr[kAbbrMax + 1];
        char label[kLabelMax + 1];
        copy_text(abbr, word[0]);
        copy_text(label, word[1]);
        fill_string(label, '_', ' ');
        trim_string(label);
        copy_text(m.abbrs[slot], abbr);
        copy_text(m.labels[slot], label);
        MenuEntry& e = m.items[slot];
        e.label = m.labels[slot];
        e.abbr = m.abbrs[slot];
        e.value = 1;
        e.shown[0] = e.shown[1] = e.shown[2] = 1;
        ++slot;
    }
    FILE_close(f);
    return 1;
}

int MOS_prompt_time() {
    g.time_back = false;
    if (!g.time_init) MOS_read_time_menu();
    if (g.time_prompt == 0) return 0;

    char answer[128] = "";
    if (const char* t = RES_get("time"); t != nullptr) {
        g.hour = MENU_search(t, menu().items.data());
        copy_text(answer, t);
        g.time_prompt = 0;
    } else {
        need_in_batch("forecast time", "-ft (for example -ft h24)");
        g.tim_menu_type = menu_type_for_model(g.model, g.tim_menu_type);
        int result = kMissing;
        for (;;) {
            answer[0] = '\0';
            result = MENU_process("\n        Forecast Time Menu\n", menu().items.data(), g.tim_menu_type,
                                  "Enter the time: ", answer, kMenuExit | kMenuBack);
            if (result != kMissing) break;
            if (names_times(answer)) {
                result = 1;
                break;
            }
            say_no_match(answer);
        }
        // The initial time carries the go-back value; its abbreviation tells them apart.
        const bool initial = result == 0 && stricmp(answer, "init") == 0;
        if (result == 0 && !initial) {
            g.time_back = true;
            return 0;
        }
        if (result < 0) ORV_exit(0);
    }
    set_times(answer);
    if (g.times.empty()) return 0;
    select_time(0);
    return 1;
}

int MOS_prompt_variable() {
    if (!g.var_file_open) {
        VAR_open_file(nullptr);
        g.var_file_open = true;
    }
    VAR_read_menu();
    if (g.variable_prompt == 0) return 0;

    int result = 1;
    if (const char* v = RES_get("variable"); v != nullptr) {
        copy_text(g.variable, v);
        g.variable_prompt = 0;
    } else {
        need_in_batch("variable", "-va (for example -va temp)");
        char reply[kMenuReplySize] = "";
        result = kMissing;
        for (;;) {
            result = VAR_menu("\n        Variable Menu\n", "Enter the variable: ", reply, kMenuExit | kMenuBack);
            if (result != kMissing) break;
            say_no_match(reply);
            reply[0] = '\0';
        }
        if (FLAG_batch()) g.variable_prompt = 0;
        if (result == 0) return 0;
        if (result < 0) ORV_exit(0);
        copy_text(g.variable, reply);
    }
    FLAG_set(kFlagLevel, 1);
    VAR_setup(nullptr, g.variable);
    DATA_new_grid();
    return result;
}

int MOS_plot_param() {
    int n = 0;
    char** items = nullptr;
    RES_getvals("plot_param", &n, &items);
    free_parsed_array(n, items);
    return 0;
}

MosFrameSeams* MOS_frame_seams() { return &g_frames; }

int MOS_plot(const Domain* domain) {
    if (domain == nullptr) return 0;
    const bool replot = gchk_graphics() != 0;
    if (replot) {
        PLT_reset(DOM_aspect(domain));
        MAP_setup(domain);
    } else {
        MOS_plot_param();
        // The station table places stations by the domain alone; loaded first,
        // a batch run can be checked before its output is opened.
        CTY_data_size(kStationBlockSize);
        CTY_store("mos.cty", kCityLocation, domain, kStationPriority);
        check_batch_plot(domain, MOS_model_info(FLAG_get(kFlagDataKind)));
        PLT_open(DOM_aspect(domain));
        PLT_set_callback(MOS_callback);
        PLT_set_zoom_func(MOS_plot);
        PLT_set_resize_func(MOS_plot);
        MAP_setup(domain);
    }
    CTY_clear_data(1);
    g.model = FLAG_get(kFlagDataKind);
    DATA_plot_init();
    const MosModelInfo* info = MOS_model_info(g.model);
    fill_control(DATA_get_control(), domain, info);
    MAP_fill_cont(0);
    DATE_set_fhour_form(hour_form_of(g.model));

    const int ntimes = static_cast<int>(g.times.size());
    // a single batch frame reads the bulletin once anyway
    MOS_keep_reports(ntimes > 1 || FLAG_batch() == 0 ? 1 : 0);
    for (int i = 0; i < ntimes; ++i) draw_frame(i, ntimes, info);
    if (ntimes > 1 && g_frames.set_looping != nullptr) g_frames.set_looping(1);
    if (replot) return 0;

    PLT_close();
    for (int i = 0; i < VAR_get_num(); ++i)
        if (VAR_is_type_GRID(i) != 0) GRD_free(GRD_get_grid(i));
    CTY_clear_data(0);
    CTY_clear();
    return 0;
}

int MOS_grid_data(PlotControl* control) {
    if (DATA_setup_grid(control) != 0) {
        OBJ_set_filter(1.0F);
        OBJ_set_rad_inf(3.0F);
        DATA_get_data(control);
        DATA_object_analyze();
    }
    if (DATA_seams()->calc_var != nullptr) DATA_seams()->calc_var();
    DATA_save_grid(control);
    DATA_free();
    return 0;
}

int MOS_raw_out_file() {
    FILE_set_name("mos_raw");
    int taken = 0;
    for_out_file_entries(is_grid_only_entry, [&](const char* entry) {
        if (prefix_nocase(entry, "orv") || prefix_nocase(entry, "raw"))
            FILE_set_name(std::strlen(entry) < 4 ? "mos_raw" : entry + 4);
        else
            FILE_set_name(entry);
        taken = 1;
    });
    return taken;
}

int MOS_grd_out_file() {
    FILE_set_name("mos_grd");
    int kind = 0;
    bool taken = false;
    for_out_file_entries(is_raw_entry, [&](const char* entry) {
        taken = true;
        const std::size_t len = std::strlen(entry);
        if (prefix_nocase(entry, "orvb")) {
            kind = kGridBinary;
            FILE_set_name(len > 5 ? entry + 5 : "mos_grd_orvb");
        } else if (prefix_nocase(entry, "orv")) {
            kind = kGridText;
            FILE_set_name(len > 4 ? entry + 4 : "mos_grd_orv");
        } else if (prefix_nocase(entry, "cdf")) {
            kind = kGridNetcdf;
            FILE_set_name(len > 4 ? entry + 4 : "mos_grd_cdf");
        } else {
            FILE_set_name(entry);
        }
    });
    if (taken && kind == 0) kind = kGridText;
    if (kind != 0) FLAG_set(kFlagOutType, kind);
    return kind;
}

int MOS_callback(const char* key, float x, float y) {
    if (PLT_print_values(key, x, y) != 0 || PLT_plot_zoom(key, x, y) != 0 ||
        PLT_plot_resize(key, x, y) != 0 || CONT_flash_value(key, x, y) != 0)
        return 1;
    if (key == nullptr || std::strcmp(key, "s-Alt") != 0) return 0;
    if (FILE_get_num_file() != 0 || plotted_variables() != 1) return 0;
    FILE_save_name_conv();
    int kind = MOS_grd_out_file();
    if (kind == 0) kind = kGridText;
    FILE_set_name("mos_grd");
    FILE_set_key('v', VAR_get_name(0));
    FILE_set_key('l', VAR_get_level_key(0));
    FILE_set_key('f', VAR_get_time_key(0));
    char name[kFileNameSize];
    FILE_set_date(&g.file_date, name);
    GridInfo info;
    GRD_set_info(&info, &g.file_date, &DATA_get_control()->plot_domain);
    GRD_save_file(name, GRD_get_grid(0), &info, kind);
    FILE_restore_name_conv();
    return 1;
}

const MenuEntry* MOS_time_menu() { return menu().items.data(); }
int MOS_time_menu_type() { return g.tim_menu_type; }
int MOS_get_ntimes() { return static_cast<int>(g.times.size()); }
const char* MOS_get_time(int i) {
    return i >= 0 && static_cast<std::size_t>(i) < g.times.size() ? g.times[i].c_str() : nullptr;
}
int MOS_get_hour() { return g.hour; }
const char* MOS_get_variable() { return g.variable; }

void MOS_reset_for_tests() { g = MosState{}; }

}  // namespace orv
