#include "mos/mos_tool.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"
#include "core/unittool.hpp"
#include "geo/maptran.hpp"
#include "grid/calc.hpp"
#include "mos/mos_plt.hpp"

namespace orv {
namespace {

constexpr float kKnotToMs = 0.5144F;
constexpr double kDegToRad = 0.017453292519943334;
constexpr int kNameSize = 20;

struct ToolState {
    int warned_hour = kMissing;  // the last forecast hour found missing from a bulletin
};
ToolState g;

// Warns, once for each hour in turn, that a bulletin has no column for hour;
// hours[0 .. count) are the hours it has.
void warn_missing_hour(int hour, const int* hours, int count) {
    if (hour == g.warned_hour) return;
    g.warned_hour = hour;
    char list[kMosCols * 5 + 1] = "";
    std::size_t used = 0;
    for (int i = 0; i < count && used < sizeof list; ++i) {
        if (is_missing(hours[i])) continue;
        const int n = std::snprintf(list + used, sizeof list - used, used == 0 ? "%d" : " %d", hours[i]);
        if (n > 0) used += static_cast<std::size_t>(n);
    }
    MESS_print(kMessWarn, "Forecast hour %d is not in the bulletin; its hours are %s\n", hour, list);
}

struct NaturalUnits {
    const char* name;
    const char* units;
};

// Names of the standard family with the units their values come in. The
// pair variables (direction and speed) carry the units of their speed.
constexpr NaturalUnits kStandardUnits[] = {
    {"temp", "F"},    {"dewp", "F"},     {"extt", "F"},     {"maxt", "F"},     {"nmaxt", "F"},
    {"dmaxt", "F"},   {"mint", "F"},     {"nmint", "F"},    {"dmint", "F"},    {"humit", "F"},
    {"dewd", "dF"},   {"wdir", "deg"},   {"wspd", "knt"},   {"wbrbc", "knt"},  {"wbrb", "knt"},
    {"wind", "knt"},  {"hwind", "knt"},  {"uwnd", "m/s"},   {"uwndg", "m/s"},  {"vwnd", "m/s"},
    {"vwndg", "m/s"}, {"pop6", "%"},     {"pop12", "%"},    {"pop", "%"},      {"pot6", "%"},
    {"pot12", "%"},   {"pot", "%"},      {"post6", "%"},    {"post12", "%"},   {"post", "%"},
    {"cldcv", "%"},   {"rhum", "%"},     {"vis", "mi"},     {"cldcl", "100 ft"}, {"prec6", "in"},
    {"prec12", "in"}, {"prec", "in"},    {"snwfl6", "in"},  {"snwfl12", "in"}, {"snwfl24", "in"},
    {"snwfl", "in"},  {"vpres", "mb"},   {"wchilt", "K"},   {"wchill2", "K"},  {"heat", "K"},
    {"wchilf", "W/m^2"}, {"city", ""},   {"ptype", ""},     {"obvis", ""},     {"wx6", ""},
    {"wx12", ""},     {"wx", ""},        {"fr", ""},        {"pop24", "%"},   {"prec24", "in"},
    {"pot24", "%"},
};

constexpr NaturalUnits kExtendedUnits[] = {
    {"city", ""},     {"temp", "C"},    {"tempb", "C"},    {"temp1", "C"},   {"temp2", "C"},
    {"temp3", "C"},   {"wdir", "deg"},  {"wspd", "knt"},   {"wbrbc", "knt"}, {"wbrb", "knt"},
    {"wind", "knt"},  {"uwnd", "m/s"},  {"vwnd", "m/s"},   {"uwndg", "m/s"}, {"vwndg", "m/s"},
    {"pres", "mb"},   {"prec", "in"},   {"cprec", "in"},   {"rhum", "%"},    {"mrhum", "%"},
    {"rhum1", "%"},   {"rhum2", "%"},   {"rhum3", "%"},    {"vvel", "-ub/s"}, {"lift", "dC"},
    {"thick", "m"},
};

constexpr NaturalUnits kMrfUnits[] = {
    {"city", ""},  {"temp", "F"},  {"maxt", "F"},   {"nmaxt", "F"}, {"dmaxt", "F"}, {"mint", "F"},
    {"nmint", "F"}, {"dmint", "F"}, {"wspd", "knt"}, {"pop12", "%"}, {"pop24", "%"}, {"pop", "%"},
    {"pos", "%"},  {"wx", ""},     {"cldcv", "%"},
};

// The MOS name of a variable: its name up to the first "-", in lower case.
void mos_name(const VarRecord* v, char* out) {
    std::size_t n = 0;
    for (; v->name[n] != '\0' && v->name[n] != '-' && n + 1 < kNameSize; ++n) {
        const char c = v->name[n];
        out[n] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    out[n] = '\0';
}

template <std::size_t N>
const char* natural_units(const NaturalUnits (&table)[N], const char* name) {
    for (const auto& e : table)
        if (std::strcmp(e.name, name) == 0) return e.units;
    return nullptr;
}

template <std::size_t N>
int get_var(const NaturalUnits (&table)[N], VarRecord* variable) {
    char name[kNameSize];
    mos_name(variable, name);
    const char* units = natural_units(table, name);
    if (units == nullptr) return 0;
    if (variable->units[0] == '\0') copy_text(variable->units, units);
    return 1;
}

bool is_pair(const char* name) {
    return std::strcmp(name, "wbrbc") == 0 || std::strcmp(name, "wbrb") == 0 || std::strcmp(name, "wind") == 0 ||
           std::strcmp(name, "hwind") == 0;
}

// Units after a value was found: an empty units text takes the natural units;
// otherwise the value (the speed of a direction/speed pair) is converted.
template <std::size_t N>
void finish_units(const NaturalUnits (&table)[N], const char* name, VarRecord* variable, RawData* raw) {
    const char* natural = natural_units(table, name);
    if (natural == nullptr) return;
    if (variable->units[0] == '\0') {
        copy_text(variable->units, natural);
        return;
    }
    if (natural[0] == '\0' || std::strcmp(natural, variable->units) == 0) return;
    float& v = is_pair(name) ? raw->second : raw->value;
    v = UNIT_cvt(natural, variable->units, v);
}

void reset_raw(RawData* raw) {
    raw->value = kMissingF;
    raw->second = kMissingF;
    raw->text[0] = '\0';
}

bool eq(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

float as_float(int v) { return is_missing(v) ? kMissingF : static_cast<float>(v); }

float f_to_k(int f) { return is_missing(f) ? kMissingF : (static_cast<float>(f) - 32.0F) * 5.0F / 9.0F + 273.15F; }

float knots_to_ms(int s) { return is_missing(s) ? kMissingF : static_cast<float>(s) * kKnotToMs; }

// Wind components from a direction (degrees) and a speed (knots), optionally
// turned to the grid of the current projection at the station's position.
void wind_component(int dir, int speed, bool u, bool grid, const RawData* raw, float* out) {
    if (is_missing(dir) || is_missing(speed)) return;
    float d = static_cast<float>(dir);
    if (grid) d = MAP_dir_adj(d, raw->x, raw->y);
    const double s = static_cast<double>(speed) * kKnotToMs;
    const double a = static_cast<double>(d) * kDegToRad;
    *out = static_cast<float>(u ? -s * std::sin(a) : -s * std::cos(a));
}

void char_text(int code, char* text, std::size_t size) {
    char buf[4];
    strntcpy(text, mos_code_text(code, buf), size);
}

int at(const MosReport* r, int row, int c) { return c >= 0 && c < kMosCols ? r->values[row][c] : kMissing; }

// A row at c, or n columns later when missing there.
int at_or_later(const MosReport* r, int row, int c, int n) {
    const int v = at(r, row, c);
    return is_missing(v) ? at(r, row, c + n) : v;
}

bool is_mrf_model(int model) { return model == kModelMrf || model == kModelGfsx; }

// Whether column c is valid at the day's maximum (want_max) or the night's
// minimum: the two halves of the day 12 hours apart; columns between them
// hold neither.
bool max_min_column(const MosReport* r, int c, bool want_max) {
    const int base = MOS_get_date()->hour;
    const int hour = at(r, kMosHour, c);
    if (is_missing(hour) || (base != 0 && base != 12)) return false;
    const int max_at = base == 12 ? 12 : 0;
    return hour % 24 == (want_max ? max_at : 12 - max_at);
}

float max_min(const MosReport* r, int c, bool want_max, bool departure) {
    if (departure && !is_mrf_model(r->model)) return kMissingF;
    if (!max_min_column(r, c, want_max)) return kMissingF;
    const int v = at(r, kMosMaxMin, c);
    if (!departure) return as_float(v);
    const int normal = at(r, kMosMaxMin, want_max ? 16 : 15);
    return is_missing(v) || is_missing(normal) ? kMissingF : static_cast<float>(v - normal);
}

bool is_fog(int code) { return code == 'F' || code == mos_code("FG", 2) || code == mos_code("BR", 2); }
bool is_haze(int code) { return code == 'H' || code == mos_code("HZ", 2); }

// The weather of one period from its probability, severe and thunderstorm
// rows and its amount category (q_moderate, q_moderate+1, q_moderate+2 give
// moderate, heavy, very heavy).
char* weather(const MosReport* r, int c, int pop_row, int severe_row, int tstm_row, int amount_row, int q_moderate,
              char* text) {
    text[0] = '\0';
    const int pop = at(r, pop_row, c);
    if (is_missing(pop) || pop < 25) {
        const int vis = at(r, kMosVis, c);
        const int obvis = at(r, kMosObvis, c);
        if (vis >= 1 && vis <= 3) {
            if (is_fog(obvis)) strntcpy(text, "F", kMosWeatherSize);
            else if (is_haze(obvis)) strntcpy(text, "H", kMosWeatherSize);
        } else if (vis == 4 && is_haze(obvis)) {
            strntcpy(text, "H", kMosWeatherSize);
        }
        return text;
    }
    const int severe = at(r, severe_row, c);
    if (!is_missing(severe) && severe > 20) return strntcpy(text, "TRW+", kMosWeatherSize);
    const int tstm = at_or_later(r, tstm_row, c, 2);
    if (!is_missing(tstm) && tstm > 30) return strntcpy(text, "TRW-", kMosWeatherSize);

    const int q = at(r, amount_row, c);
    const int intensity = q == q_moderate ? 1 : q == q_moderate + 1 ? 2 : q == q_moderate + 2 ? 3 : 0;
    static constexpr const char* kFreezing[] = {"ZR-", "ZR", "ZR+", "ZR+"};
    static constexpr const char* kSnow[] = {"S-", "S", "S+", "S+"};
    static constexpr const char* kRainTyped[] = {"R-", "R-", "R", "R+"};
    const int type = at(r, kMosPtype, c);
    const int temp = at(r, kMosTemp, c);
    const int max_min_v = at(r, kMosMaxMin, c);
    const char* code = nullptr;
    if (type == 'Z') code = kFreezing[intensity];
    else if (type == 'S') code = kSnow[intensity];
    else if (type == 'R') code = kRainTyped[intensity];
    else if (!is_missing(temp) && temp < 32) code = kSnow[intensity];
    else if (is_missing(max_min_v)) code = kRainTyped[intensity];
    else if (max_min_v < 32) code = kSnow[intensity];
    else code = kRainTyped[intensity];
    return strntcpy(text, code, kMosWeatherSize);
}

// Category 0 is no precipitation.
float amount(int category) {
    switch (category) {
    case 0: return 0.0F;
    case 1: return 0.05F;
    case 2: return 0.15F;
    case 3: return 0.37F;
    case 4: return 0.75F;
    case 5: return 1.5F;
    case 6: return 3.0F;
    default: return kMissingF;
    }
}

// Visibility as printed: whole miles from one mile up, tenths below.
void vis_text(float vis, char* text, std::size_t size) {
    if (is_missing(vis)) return;
    std::snprintf(text, size, vis >= 1.0F ? "%.0f" : "%.1f", static_cast<double>(vis));
}

float thermo(const char* name, const MosReport* r, int c) {
    const float t = f_to_k(at(r, kMosTemp, c));
    const float td = f_to_k(at(r, kMosDewp, c));
    const float v = knots_to_ms(at(r, kMosWspd, c));
    if (eq(name, "vpres")) return vapor_pr(t);
    if (eq(name, "wchilt")) return wind_chill_temp(t, v);
    if (eq(name, "wchill2")) return wind_chill_temp2(t, v);
    if (eq(name, "wchilf")) return wind_chill(t, v);
    if (eq(name, "heat")) return heat_index(t, td);
    if (eq(name, "humit")) return humiture(t, td);
    return rel_hum(t, td);
}

// Values of the standard family that are one number at column c.
bool simple_value(const char* name, const MosReport* r, int c, RawData* raw) {
    struct Direct {
        const char* name;
        int row;
    };
    static constexpr Direct kDirect[] = {{"temp", kMosTemp}, {"dewp", kMosDewp}, {"wdir", kMosWdir},
                                         {"wspd", kMosWspd}, {"pop6", kMosPop6}, {"pop12", kMosPop12},
                                         {"pop24", kMosPop24}, {"pot24", kMosTstm24}, {"extt", kMosMaxMin}};
    for (const auto& d : kDirect) {
        if (!eq(name, d.name)) continue;
        raw->value = as_float(at(r, d.row, c));
        return true;
    }
    struct Later {
        const char* name;
        int row;
        int n;
    };
    static constexpr Later kLater[] = {{"pop", kMosPop6, 1},     {"pot6", kMosTstm6, 1},    {"pot", kMosTstm6, 1},
                                       {"pot12", kMosTstm12, 2}, {"post6", kMosSvr6, 1},    {"post", kMosSvr6, 1},
                                       {"post12", kMosSvr12, 2}};
    for (const auto& l : kLater) {
        if (!eq(name, l.name)) continue;
        raw->value = as_float(at_or_later(r, l.row, c, l.n));
        return true;
    }
    return false;
}

void standard_value(const char* name, const MosReport* r, int c, RawData* raw) {
    if (simple_value(name, r, c, raw)) return;
    const std::size_t ts = sizeof raw->text;
    if (eq(name, "city")) {
        strntcpy(raw->text, r->id, ts);
    } else if (eq(name, "dewd")) {
        const int t = at(r, kMosTemp, c);
        const int td = at(r, kMosDewp, c);
        if (!is_missing(t) && !is_missing(td)) raw->value = static_cast<float>(t - td);
    } else if (eq(name, "wbrbc") || eq(name, "wbrb") || eq(name, "wind")) {
        raw->value = as_float(at(r, kMosWdir, c));
        raw->second = as_float(at(r, kMosWspd, c));
    } else if (eq(name, "hwind")) {
        raw->value = as_float(at(r, kMosWdir, c));
        const int s = at(r, kMosWspd, c);
        if (!is_missing(s)) raw->second = s > 24 ? static_cast<float>(s) : 0.0F;
    } else if (eq(name, "uwnd") || eq(name, "vwnd") || eq(name, "uwndg") || eq(name, "vwndg")) {
        wind_component(at(r, kMosWdir, c), at(r, kMosWspd, c), name[0] == 'u', name[4] == 'g', raw, &raw->value);
    } else if (eq(name, "ptype")) {
        char_text(at(r, kMosPtype, c), raw->text, ts);
    } else if (eq(name, "obvis")) {
        char_text(at(r, kMosObvis, c), raw->text, ts);
    } else if (eq(name, "wx6") || eq(name, "wx")) {
        MOS_weather6(r, c, raw->text);
    } else if (eq(name, "wx12")) {
        MOS_weather12(r, c, raw->text);
    } else if (eq(name, "vis")) {
        raw->value = MOS_vis(r, c);
        vis_text(raw->value, raw->text, ts);
    } else if (eq(name, "cldcl")) {
        raw->value = MOS_cld_hght(r, c);
        if (!is_missing(raw->value)) std::snprintf(raw->text, ts, "%.0f", static_cast<double>(raw->value));
    } else if (eq(name, "cldcv")) {
        const int code = at(r, kMosCloud, c);
        char_text(code, raw->text, ts);
        raw->value = MOS_cloud_cover(code);
    } else if (eq(name, "maxt") || eq(name, "mint")) {
        raw->value = max_min(r, c, name[1] == 'a', false);
    } else if (eq(name, "dmaxt") || eq(name, "dmint")) {
        raw->value = max_min(r, c, name[2] == 'a', true);
    } else if (eq(name, "nmaxt") || eq(name, "nmint")) {
        if (is_mrf_model(r->model)) raw->value = as_float(at(r, kMosMaxMin, name[2] == 'a' ? 16 : 15));
    } else if (eq(name, "prec6") || eq(name, "prec")) {
        raw->value = MOS_quant_prec6(r, c);
    } else if (eq(name, "prec12")) {
        raw->value = MOS_quant_prec12(r, c);
    } else if (eq(name, "prec24")) {
        raw->value = amount(at(r, kMosQpf24, c));
    } else if (eq(name, "snwfl6") || eq(name, "snwfl")) {
        raw->value = MOS_snow6(r, c);
    } else if (eq(name, "snwfl12") || eq(name, "snwfl24")) {
        raw->value = MOS_snow12(r, c);
    } else if (eq(name, "vpres") || eq(name, "wchilt") || eq(name, "wchill2") || eq(name, "wchilf") ||
               eq(name, "heat") || eq(name, "humit") || eq(name, "rhum")) {
        raw->value = thermo(name, r, c);
    } else if (eq(name, "fr")) {
        raw->value = static_cast<float>(MOS_flight_rules(r, c, raw->text));
    }
}

// ---------------------------------------------------------------- extended family

// The last of the first nine columns at the time's hour, or -1 with a warning.
constexpr int kExtendedSearched = 9;

int extended_column(const MosuReport* r, int time) {
    const int hour = time % 1000;
    int column = -1;
    for (int c = 0; c < kExtendedSearched; ++c)
        if (r->hours[c] == hour) column = c;
    if (column < 0) warn_missing_hour(hour, r->hours, kExtendedSearched);
    return column;
}

// The sum of the precipitation of columns 1..8 up to `hours` (all when negative).
float precipitation_sum(const MosuReport* r, int hours) {
    float sum = 0.0F;
    bool any = false;
    for (int c = 1; c <= 8; ++c) {
        if (is_missing(r->prec[c]) || is_missing(r->hours[c])) continue;
        if (hours >= 0 && (r->hours[c] < 1 || r->hours[c] > hours)) continue;
        sum += static_cast<float>(r->prec[c]) / 100.0F;
        any = true;
    }
    return any ? sum : kMissingF;
}

int first_present(int preferred, int fallback) { return is_missing(preferred) ? fallback : preferred; }

void extended_value(const char* name, const MosuReport* r, int c, VarRecord* variable, RawData* raw) {
    if (eq(name, "city")) strntcpy(raw->text, r->id, sizeof raw->text);
    else if (eq(name, "temp")) raw->value = as_float(first_present(r->temp[c][3], r->temp[c][0]));
    else if (eq(name, "tempb")) raw->value = as_float(r->temp[c][3]);
    else if (eq(name, "temp1")) raw->value = as_float(r->temp[c][0]);
    else if (eq(name, "temp2")) raw->value = as_float(r->temp[c][1]);
    else if (eq(name, "temp3")) raw->value = as_float(r->temp[c][2]);
    else if (eq(name, "wdir")) raw->value = as_float(r->wdir[c]);
    else if (eq(name, "wspd")) raw->value = as_float(r->wspd[c]);
    else if (eq(name, "wbrbc") || eq(name, "wbrb") || eq(name, "wind")) {
        raw->value = as_float(r->wdir[c]);
        raw->second = as_float(r->wspd[c]);
    } else if (eq(name, "uwnd") || eq(name, "vwnd") || eq(name, "uwndg") || eq(name, "vwndg")) {
        wind_component(r->wdir[c], r->wspd[c], name[0] == 'u', name[4] == 'g', raw, &raw->value);
    } else if (eq(name, "pres")) {
        raw->value = as_float(r->pres[c]);
        variable->level_type = 102;
    } else if (eq(name, "prec")) {
        const bool accumulation = variable->time / 1000000 == 4;
        raw->value = accumulation ? precipitation_sum(r, variable->time % 1000)
                                  : (is_missing(r->prec[c]) ? kMissingF : static_cast<float>(r->prec[c]) / 100.0F);
    } else if (eq(name, "cprec")) {
        raw->value = precipitation_sum(r, -1);
        variable->time = 4000060;
    } else if (eq(name, "rhum")) raw->value = as_float(first_present(r->rhum[c][3], r->rhum[c][0]));
    else if (eq(name, "mrhum")) raw->value = as_float(r->rhum[c][3]);
    else if (eq(name, "rhum1")) raw->value = as_float(r->rhum[c][0]);
    else if (eq(name, "rhum2")) raw->value = as_float(r->rhum[c][1]);
    else if (eq(name, "rhum3")) raw->value = as_float(r->rhum[c][2]);
    else if (eq(name, "vvel")) {
        if (!is_missing(r->vvel[c])) raw->value = static_cast<float>(r->vvel[c]) / 10.0F;
        variable->level_type = 100;
        variable->level = 700;
    } else if (eq(name, "lift")) raw->value = as_float(r->lift[c]);
    else if (eq(name, "thick")) {
        raw->value = as_float(r->thick[c]);
        variable->level_type = 101;
        variable->level = 100050;
    }
}

// ---------------------------------------------------------------- MRF family

float difference(int v, int normal) {
    return is_missing(v) || is_missing(normal) ? kMissingF : static_cast<float>(v - normal);
}

void mrf_value(const char* name, const MosmReport* r, int d, int half, RawData* raw) {
    if (eq(name, "city")) strntcpy(raw->text, r->id, sizeof raw->text);
    else if (eq(name, "temp") || eq(name, "maxt")) raw->value = as_float(r->max[d]);
    else if (eq(name, "nmaxt")) raw->value = as_float(r->nmax[d]);
    else if (eq(name, "dmaxt")) raw->value = difference(r->max[d], r->nmax[d]);
    else if (eq(name, "mint")) raw->value = as_float(r->min[d]);
    else if (eq(name, "nmint")) raw->value = as_float(r->nmin[d]);
    else if (eq(name, "dmint")) raw->value = difference(r->min[d], r->nmin[d]);
    else if (eq(name, "wspd")) raw->value = as_float(r->wind[half]);
    else if (eq(name, "pop12")) raw->value = as_float(r->pop12[half]);
    else if (eq(name, "pop24") || eq(name, "pop")) raw->value = as_float(r->pop24[d]);
    else if (eq(name, "pos")) raw->value = as_float(r->pos[half]);
    else if (eq(name, "wx")) MOSM_weather(r, d, raw->text);
    else if (eq(name, "cldcv")) {
        raw->value = as_float(r->cloud[half]);
        if (!is_missing(r->cloud[half])) std::snprintf(raw->text, sizeof raw->text, "%d", r->cloud[half]);
    }
}

}  // namespace

// ---------------------------------------------------------------- standard family

int MOS_get_var(VarRecord* variable) { return get_var(kStandardUnits, variable); }

int MOS_column(const MosReport* report, int time) {
    const int hour = time % 1000;
    int column = -1;
    for (int c = 0; c < kMosCols; ++c)
        if (report->values[kMosHour][c] == hour) column = c;
    return column;
}

int MOS_get_data(const MosReport* report, VarRecord* variable, RawData* raw) {
    reset_raw(raw);
    char name[kNameSize];
    mos_name(variable, name);
    const int c = MOS_column(report, variable->time);
    if (c >= 0 || eq(name, "city")) standard_value(name, report, std::max(c, 0), raw);
    else warn_missing_hour(variable->time % 1000, report->values[kMosHour], report->columns);
    finish_units(kStandardUnits, name, variable, raw);
    return 1;
}

float MOS_cld_hght(const MosReport* report, int c) {
    if (at(report, kMosCloud, c) == 'C') return kMissingF;
    static constexpr float kNgm[] = {1, 3, 7, 20, 50, 100, 250, kMissingF, 500};
    static constexpr float kOther[] = {1, 3, 7, 15, 25, 50, 100, 250, 500};
    const int cat = at(report, kMosCeiling, c);
    if (cat < 1 || cat > 9) return kMissingF;
    return report->model == kModelNgm ? kNgm[cat - 1] : kOther[cat - 1];
}

float MOS_vis(const MosReport* report, int c) {
    static constexpr float kNgm[] = {0.25F, 0.75F, 2, 4, 10, kMissingF, kMissingF};
    static constexpr float kOther[] = {0.125F, 0.375F, 0.75F, 2, 4, 6, 10};
    const int cat = at(report, kMosVis, c);
    if (cat < 1 || cat > 7) return kMissingF;
    return report->model == kModelNgm ? kNgm[cat - 1] : kOther[cat - 1];
}

float MOS_quant_prec6(const MosReport* report, int c) { return amount(at(report, kMosQpf6, c)); }
float MOS_quant_prec12(const MosReport* report, int c) { return amount(at(report, kMosQpf12, c)); }

float MOS_snow6(const MosReport* report, int c) {
    const int v = at(report, kMosSnow6, c);
    return report->model == kModelNgm && !is_missing(v) && v >= 0 ? static_cast<float>(v) : kMissingF;
}

float MOS_snow12(const MosReport* report, int c) {
    const int v = at(report, kMosSnow, c);
    const bool reads = report->model == kModelNgm || report->model == kModelGfs || report->model == kModelGfsx;
    return reads && !is_missing(v) && v >= 0 ? static_cast<float>(v) : kMissingF;
}

float MOS_cloud_cover(int code) {
    switch (code) {
    case 'C': return 0.0F;
    case 'F': return 19.0F;  // few: one to two eighths
    case 'S': return 33.0F;
    case 'B': return 67.0F;
    case 'O': case 'X': case '9': return 100.0F;
    default: break;
    }
    if (code >= '0' && code <= '8') return static_cast<float>(code - '0') * 12.5F;
    return kMissingF;
}

char* MOS_weather6(const MosReport* report, int c, char* text) {
    return weather(report, c, kMosPop6, kMosSvr6, kMosTstm6, kMosQpf6, 3, text);
}

char* MOS_weather12(const MosReport* report, int c, char* text) {
    return weather(report, c, kMosPop12, kMosSvr12, kMosTstm12, kMosQpf12, 4, text);
}

int MOS_flight_rules(const MosReport* report, int c, char* text) {
    const int cloud = at(report, kMosCloud, c);
    float h = MOS_cld_hght(report, c);
    const float v = MOS_vis(report, c);
    const char* category = nullptr;
    if ((cloud == 'B' || cloud == 'O') && !is_missing(h)) {
        if (h < 10.0F) category = "IFR";
        else if (is_missing(v)) category = h <= 30.0F ? "MVFR" : "VFR";
    } else {
        if (is_missing(v)) category = "VFR";
        h = kMissingF;
    }
    if (category == nullptr) {
        if (v < 3.0F) category = "IFR";
        else if ((is_missing(h) || h > 30.0F) && v > 5.0F) category = "VFR";
        else category = "MVFR";
    }
    strntcpy(text, category, 5);
    return eq(category, "IFR") ? 2 : eq(category, "MVFR") ? 1 : 0;
}

// ---------------------------------------------------------------- extended family

int MOSU_get_var(VarRecord* variable) { return get_var(kExtendedUnits, variable); }

int MOSU_get_data(const MosuReport* report, VarRecord* variable, RawData* raw) {
    reset_raw(raw);
    char name[kNameSize];
    mos_name(variable, name);
    // Sums over the columns and the station's name need no column of their own.
    const bool whole_report = eq(name, "city") || eq(name, "cprec") || (eq(name, "prec") && variable->time / 1000000 == 4);
    const int c = whole_report ? 0 : extended_column(report, variable->time);
    if (c >= 0) extended_value(name, report, c, variable, raw);
    finish_units(kExtendedUnits, name, variable, raw);
    return 1;
}

// ---------------------------------------------------------------- MRF family

int MOSM_get_var(VarRecord* variable) { return get_var(kMrfUnits, variable); }

int MOSM_get_data(const MosmReport* report, VarRecord* variable, RawData* raw) {
    reset_raw(raw);
    char name[kNameSize];
    mos_name(variable, name);
    const int h = variable->time % 1000;
    if (h < 0) return 0;
    const bool whole_day = h % 24 == 0;
    const int d = h / 24 - (whole_day ? 1 : 0);
    // The matrix holds half days: hours 12 to 192 every 12.
    if (d < 0 || d > 7 || h % 12 != 0) {
        static constexpr int kMrfHours[] = {12, 24, 36, 48, 60, 72, 84, 96, 108, 120, 132, 144, 156, 168, 180, 192};
        warn_missing_hour(h, kMrfHours, static_cast<int>(std::size(kMrfHours)));
        return 0;
    }
    const int half = whole_day ? 2 * d + 1 : 2 * d;
    mrf_value(name, report, d, half, raw);
    finish_units(kMrfUnits, name, variable, raw);
    return 1;
}

char* MOSM_weather(const MosmReport* report, int d, char* text) {
    text[0] = '\0';
    if (d < 0 || d > 7) return text;
    const int pop = report->pop24[d];
    if (is_missing(pop) || pop < 30) return text;
    const int a = report->pos[2 * d];
    const int b = report->pos[2 * d + 1];
    const bool snow = !is_missing(a) && !is_missing(b) && a + b > 99;
    return strntcpy(text, snow ? "S-" : "R-", kMosWeatherSize);
}

void MOS_tool_reset_for_tests() { g = ToolState{}; }

}  // namespace orv
