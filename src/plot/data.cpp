#include "plot/data.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "geo/region.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "mos/cty_tool.hpp"
#include "plot/colors.hpp"
#include "plot/object.hpp"

namespace orv {
namespace {

constexpr unsigned kLevelMess = 3840;

struct Field {
    bool used = false;
    VarRecord variable{};
    std::vector<float> u;
    std::vector<float> v;
};

struct StationArrays {
    int limit = 0;
    int dimension = 2;
    int num_stats = 0;
    int num_field = 0;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> z;
    std::array<Field, kGridSlots> fields;
};

std::array<int, kGridSlots> filled_with(int v) {
    std::array<int, kGridSlots> a{};
    a.fill(v);
    return a;
}

struct DataState {
    PlotControl control{};
    StationArrays arrays;
    bool grid_made = false;  // the frame's grids are analysed
    // Stations with a value that each grid slot was analysed from in this
    // frame; -1 for a slot not analysed (read from a file, computed).
    std::array<int, kGridSlots> analysed = filled_with(-1);
};
DataState g;

void grow_arrays(int limit) {
    StationArrays& a = g.arrays;
    a.limit = limit;
    a.x.resize(limit, kMissingF);
    a.y.resize(limit, kMissingF);
    if (a.dimension > 2) a.z.resize(limit, kMissingF);
    for (Field& f : a.fields) {
        if (!f.used) continue;
        f.u.resize(limit, kMissingF);
        f.v.resize(limit, kMissingF);
    }
}

void set_file_keys(int i) {
    FILE_set_key('v', VAR_get_name(i));
    FILE_set_key('l', VAR_get_level_key(i));
    FILE_set_key('f', VAR_get_time_key(i));
}

// The slot's identity, description and time label for a grid to analyse.
void describe_slot(int i, const PlotControl* control) {
    VarRecord* var = VAR_get_var(i);
    if ((VAR_is_REG(i) != 0 || VAR_is_SUBREG(i) != 0) && control->get_var != nullptr) control->get_var(var);
    char info[kVarInfoSize];
    VAR_make_var_datatype(i, info);
    GRD_set_grid_info(i, info);
    GRD_set_var(i);
    char label[kGridLabelSize];
    const int model = control->model == kMissing ? 1 : control->model;
    DATE_make_label_for_time(VAR_get_time(i), model, &control->date, label);
    GRD_set_grid_date(i, &control->date, label);
}

}  // namespace

void RAW_data_init(RawData* raw) {
    if (raw == nullptr) return;
    raw->x = kMissingF;
    raw->y = kMissingF;
    raw->type = 0;
    ATTRIB_init(&raw->attributes);
    raw->format[0] = '\0';
    RAW_data_init_val(raw);
}

void RAW_data_init_val(RawData* raw) {
    if (raw == nullptr) return;
    raw->value = kMissingF;
    raw->second = kMissingF;
    raw->text[0] = '\0';
}

PlotControl* DATA_get_control() { return &g.control; }

void DATA_control_init(PlotControl* control) {
    if (control == nullptr) return;
    *control = PlotControl{};
    control->model = kMissing;
    DATE_init(&control->date);
    DOM_init(&control->plot_domain);
    DOM_init(&control->grid_domain);
}

// ---------------------------------------------------------------- station arrays

int DATA_init(int limit, int dimension) {
    DATA_free();
    g.arrays.dimension = dimension;
    grow_arrays(std::max(limit, 1));
    return 0;
}

int DATA_add_field(int i, const VarRecord* variable) {
    if (i < 0 || i >= kGridSlots) return -1;
    Field& f = g.arrays.fields[i];
    f.used = true;
    if (variable != nullptr) f.variable = *variable;
    f.u.assign(g.arrays.limit, kMissingF);
    f.v.assign(g.arrays.limit, kMissingF);
    g.arrays.num_field = std::max(g.arrays.num_field, i + 1);
    return 0;
}

int DATA_chk_field(int i) { return i >= 0 && i < kGridSlots && g.arrays.fields[i].used ? 1 : 0; }

int DATA_add_loc(int i, float x, float y, float z) {
    StationArrays& a = g.arrays;
    if (i < 0 || i > a.limit) return -1;
    if (i == a.limit) {
        const int limit = a.limit + kDataGrowth;
        MESS_print(kLevelMess, "Increasing arrays to %d\n", limit);
        grow_arrays(limit);
    }
    a.x[i] = x;
    a.y[i] = y;
    if (a.dimension > 2) a.z[i] = z;
    return 0;
}

int DATA_add_raw(int i, int field, const RawData* raw) {
    StationArrays& a = g.arrays;
    if (raw == nullptr || i < 0 || i >= a.limit || DATA_chk_field(field) == 0) return -1;
    a.fields[field].u[i] = raw->value;
    a.fields[field].v[i] = raw->second;
    a.num_stats = std::max(a.num_stats, i + 1);
    return 0;
}

int DATA_get_raw(int i, int field, RawData* raw) {
    const StationArrays& a = g.arrays;
    if (raw == nullptr || i < 0 || i >= a.num_stats || DATA_chk_field(field) == 0) return 0;
    const Field& f = a.fields[field];
    raw->x = a.x[i];
    raw->y = a.y[i];
    raw->type = f.variable.type;
    copy_text(raw->format, f.variable.format);
    raw->value = f.u[i];
    raw->second = f.v[i];
    return 1;
}

int DATA_get_num_stats() { return g.arrays.num_stats; }

int DATA_get_analysed(int slot) { return slot >= 0 && slot < kGridSlots ? g.analysed[slot] : -1; }

int DATA_inc_num_stats(int n) {
    g.arrays.num_stats = std::clamp(g.arrays.num_stats + n, 0, g.arrays.limit);
    return g.arrays.num_stats;
}

int DATA_get_limit() { return g.arrays.limit; }

int DATA_object_analyze() {
    StationArrays& a = g.arrays;
    std::vector<float*> fields(a.num_field, nullptr);
    for (int f = 0; f < a.num_field; ++f)
        if (a.fields[f].used) fields[f] = a.fields[f].u.data();
    if (fields.empty()) return -1;
    for (int f = 0; f < a.num_field; ++f) {
        if (fields[f] == nullptr) continue;
        int n = 0;
        for (int i = 0; i < a.num_stats; ++i)
            n += !is_missing(a.x[i]) && !is_missing(a.y[i]) && !is_missing(fields[f][i]) && std::isfinite(fields[f][i]);
        g.analysed[f] = n;
    }
    return OBJ_analyze(a.x.data(), a.y.data(), fields.data(), a.num_stats, a.num_field, GRD_get_grids());
}

void DATA_free() {
    const int dimension = g.arrays.dimension;
    g.arrays = StationArrays{};
    g.arrays.dimension = dimension;
}

// ---------------------------------------------------------------- grid pass

int DATA_setup_grid(PlotControl* control) {
    if (control == nullptr) return 0;
    FILE_save_name_conv();
    g.analysed = filled_with(-1);
    DATA_init(kDataInitialLimit, 2);
    Domain domain;
    DOM_init(&domain);
    if (DOM_get_grid_domain(&domain) < 0 || domain.nx <= 0) domain = control->plot_domain;
    GRD_set_grid_domain(0, &domain);
    GRD_get_grid_domain(0, &control->grid_domain);
    if (control->grd_out != nullptr) control->grd_out();
    // Each set-up starts from the default analysis parameters, so that a
    // variable's options do not carry over to the next plot.
    OBJ_initialize();

    int needed = 0;
    for (int i = 0; i < VAR_get_num(); ++i) {
        if (VAR_is_type_GRID(i) == 0) continue;
        set_file_keys(i);
        OBJ_decode_format(VAR_get_format(i));
        char name[kFileNameSize];
        FILE_set_date(&control->date, name);
        if (GRD_read_check(name, i, &control->grid_domain) == 1) continue;
        describe_slot(i, control);
        if (VAR_is_fit_GRID(i) == 0) continue;
        DATA_add_field(i, VAR_get_var(i));
        GRD_set_grid_domain(i, &domain);
        GRD_alloc_grid(i);
        needed = 1;
    }
    FILE_restore_name_conv();
    return needed;
}

int DATA_read_report(PlotControl* control, CityEntry* entry, int* reads) {
    if (control == nullptr || control->read_report == nullptr) return -1;
    if (*reads >= kDataMaxReports) {
        MESS_print(kMessWarn, "Caught in report loop: stopped after %d reports\n", *reads);
        return -1;
    }
    ++*reads;
    return control->read_report(control->report, entry);
}

int DATA_get_data(PlotControl* control) {
    if (control == nullptr || control->read_report == nullptr) return 0;
    if (control->rewind != nullptr) control->rewind();
    MESS_print(kLevelMess, "Reading in data from converted file...\n");
    int i = 0;
    int reads = 0;
    CityEntry entry{};
    for (;;) {
        const int status = DATA_read_report(control, &entry, &reads);
        if (status < 0) break;
        if (status == 0) continue;
        float x = kMissingF;
        float y = kMissingF;
        MAP_domain_tran(&control->plot_domain, &control->grid_domain, &x, &y, entry.x, entry.y);
        DATA_add_loc(i, x, y);
        for (int f = 0; f < g.arrays.num_field; ++f) {
            if (DATA_chk_field(f) == 0) continue;
            RawData raw;
            RAW_data_init(&raw);
            raw.x = entry.x;
            raw.y = entry.y;
            if (control->get_data != nullptr) control->get_data(control->report, &g.arrays.fields[f].variable, &raw);
            DATA_add_raw(i, f, &raw);
        }
        ++i;
    }
    return i;
}

int DATA_save_grid(PlotControl* control) {
    if (control == nullptr) return 0;
    FILE_save_name_conv();
    const int kind = control->grd_out != nullptr ? control->grd_out() : 0;
    int saved = 0;
    for (int i = VAR_get_num() - 1; i >= 0; --i) {
        if (VAR_is_type_GRID(i) == 0) continue;
        set_file_keys(i);
        GridInfo info;
        GRD_set_info(&info, &control->date, &control->plot_domain);
        char name[kFileNameSize];
        FILE_set_date(&control->date, name);
        saved += GRD_save_file(name, GRD_get_grid(i), &info, kind);
    }
    FILE_restore_name_conv();
    return saved;
}

// ---------------------------------------------------------------- frame state

void DATA_new_grid() {
    g.grid_made = false;
    for (int i = 0; i < kGridSlots; ++i) GRD_get_grid(i)->source = 0;
}

int DATA_fit_grid(PlotControl* control) {
    if (control == nullptr || g.grid_made) return 0;
    bool fit = false;
    for (int i = 0; i < VAR_get_num() && !fit; ++i) fit = VAR_is_fit_GRID(i) != 0;
    if (!fit) return 0;
    if (control->grid_data != nullptr) control->grid_data(control);
    g.grid_made = true;
    return 1;
}

void DATA_reset_for_tests() {
    g = DataState{};
    DATA_control_init(&g.control);
}

}  // namespace orv
