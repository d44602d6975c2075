#include "plot/data.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "plot/module_reset.hpp"

namespace orv {
namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

class PlotData : public test::ModuleTest {
protected:
    static RawData value(float v, float second = kMissingF) {
        RawData raw;
        RAW_data_init(&raw);
        raw.value = v;
        raw.second = second;
        return raw;
    }
    static Domain small_domain() {
        Domain d;
        d.proj = kProjLatLon;
        d.clat = 40.0F;
        d.clon = -100.0F;
        d.dx = d.dy = 1.0F;
        d.nx = 5;
        d.ny = 4;
        return d;
    }
};

TEST_F(PlotData, ArraysGrowBy400AtStation800AndKeepTheirValues) {
    DATA_init(kDataInitialLimit, 2);
    VarRecord var{};
    VAR_data_init(&var);
    DATA_add_field(3, &var);
    for (int i = 0; i < 800; ++i) {
        ASSERT_EQ(DATA_add_loc(i, static_cast<float>(i), -static_cast<float>(i)), 0);
        const RawData raw = value(static_cast<float>(i) * 0.5F, static_cast<float>(i));
        DATA_add_raw(i, 3, &raw);
    }
    EXPECT_EQ(DATA_get_limit(), 800);
    MESS_set(0, static_cast<int>(kMessMess));
    CaptureStdout();
    EXPECT_EQ(DATA_add_loc(800, 1.0F, 2.0F), 0);
    EXPECT_EQ(GetCapturedStdout(), "Increasing arrays to 1200\n");
    EXPECT_EQ(DATA_get_limit(), 1200);
    const RawData last = value(-1.0F);
    DATA_add_raw(800, 3, &last);
    EXPECT_EQ(DATA_get_num_stats(), 801);

    RawData out;
    RAW_data_init(&out);
    for (int i : {0, 399, 799}) {
        ASSERT_EQ(DATA_get_raw(i, 3, &out), 1);
        const float f = static_cast<float>(i);
        EXPECT_EQ(std::make_tuple(out.x, out.y, out.value, out.second), std::make_tuple(f, -f, f * 0.5F, f)) << i;
    }
    ASSERT_EQ(DATA_get_raw(800, 3, &out), 1);
    EXPECT_EQ(out.x, 1.0F);
    EXPECT_EQ(out.value, -1.0F);
}

TEST_F(PlotData, OutOfRangeStationsAndFieldsAreRefused) {
    DATA_init(2, 2);
    const RawData raw = value(1.0F);
    EXPECT_EQ(DATA_add_raw(0, 0, &raw), -1) << "field without arrays";
    DATA_add_field(0, nullptr);
    EXPECT_EQ(DATA_add_loc(5, 0, 0), -1) << "a gap past the capacity";
    EXPECT_EQ(DATA_add_loc(-1, 0, 0), -1);
    EXPECT_EQ(DATA_add_field(kGridSlots, nullptr), -1);
    RawData out;
    EXPECT_EQ(DATA_get_raw(0, 0, &out), 0) << "no station added yet";
    EXPECT_EQ(DATA_get_raw(0, 7, &out), 0);
    EXPECT_EQ(DATA_object_analyze(), -1) << "the fields are empty until a value is added";
}

// A data source with one station and a counter of grid passes.
int g_grid_calls = 0;
int count_grid(PlotControl*) { return ++g_grid_calls; }

// The grid pass runs once a frame when variables are analysed, never for station plots.
TEST_F(PlotData, GridDataRunsOncePerFrameForAnalysedVariables) {
    VAR_set_def_type(kTypeCont);
    VAR_setup(nullptr, "temp,dewp");
    PlotControl* control = DATA_get_control();
    control->grid_data = count_grid;
    g_grid_calls = 0;
    EXPECT_EQ(DATA_fit_grid(control), 1);
    EXPECT_EQ(DATA_fit_grid(control), 0);
    EXPECT_EQ(g_grid_calls, 1);
    DATA_new_grid();
    DATA_fit_grid(control);
    EXPECT_EQ(g_grid_calls, 2);
    VAR_reset_for_tests();
    VAR_setup(nullptr, "temp");
    VAR_set_type(0, kTypeData);
    DATA_new_grid();
    EXPECT_EQ(DATA_fit_grid(control), 0);
    EXPECT_EQ(g_grid_calls, 2);
}

TEST_F(PlotData, FillContourMovesTheMapToTheOverlay) {
    FLAG_set(kFlagPlotType, kTypeFcont);
    DATA_plot_init();
    EXPECT_EQ(DATA_get_fill(), 1);
    FLAG_set(kFlagPlotType, kTypeCont);
    DATA_plot_init();
    EXPECT_EQ(DATA_get_fill(), 0);
    VAR_setup(nullptr, "temp");
    VAR_set_type(0, kTypeMap);
    DATA_plot_init();
    EXPECT_EQ(DATA_get_map_flag(), 1);
}

TEST_F(PlotData, StationLabelTextCollectsVariablesAndStaysBounded) {
    VarRecord temp{};
    VAR_data_init(&temp);
    copy_text(temp.name, "temp");
    temp.flag = 0;
    char block[120] = "";
    RawData raw = value(21.0F);
    RAW_set_var_string(&temp, &raw, block);
    EXPECT_STREQ(block, "temp=21 ");
    RAW_set_var_string(&temp, &raw, block);
    EXPECT_STREQ(block, "temp=21 ") << "a text starting with the name starts again";
    VarRecord dewp = temp;
    copy_text(dewp.name, "dewp");
    raw.value = 9.0F;
    RAW_set_var_string(&dewp, &raw, block);
    EXPECT_STREQ(block, "temp=21 dewp=9 ");
    std::string long_text(112, 'x');
    copy_text(block, long_text.c_str());
    RAW_set_var_string(&dewp, &raw, block);
    EXPECT_STREQ(block, "9");
}

TEST_F(PlotData, GridSetupAllocatesTheAnalysedSlotsOnTheGridDomain) {
    VAR_set_def_type(kTypeCont);
    VAR_setup(nullptr, "temp");
    PlotControl* control = DATA_get_control();
    control->plot_domain = small_domain();
    ASSERT_EQ(DATA_setup_grid(control), 1);
    EXPECT_EQ(DATA_chk_field(0), 1);
    EXPECT_NE(GRD_get_grid(0)->values, nullptr);
    EXPECT_EQ(GRD_get_grid(0)->domain.nx, 5);
    EXPECT_EQ(control->grid_domain.ny, 4);
    DATA_free();
    EXPECT_EQ(DATA_chk_field(0), 0);
}

// A data source of three stations (one skipped) whose value of a field is
// the field's index plus the station's.
struct FakeReport {
    int next = 0;
    int station = -1;
};
int fake_read(void* report, CityEntry* entry) {
    FakeReport* r = static_cast<FakeReport*>(report);
    if (r->next >= 4) return -1;
    r->station = r->next++;
    if (r->station == 2) return 0;
    copy_text(entry->id, "K000");
    entry->x = 0.5F * static_cast<float>(r->station);
    entry->y = 0.25F;
    return 1;
}
FakeReport g_report;
Domain g_middle_domain;
int fake_rewind() {
    g_report = FakeReport{};
    return 0;
}
int fake_get(const void* report, VarRecord* variable, RawData* raw) {
    const int station = static_cast<const FakeReport*>(report)->station;
    raw->value = static_cast<float>(std::string(variable->name) == "dewp" ? 100 + station : station);
    raw->second = -1.0F;
    return 1;
}

TEST_F(PlotData, GatheringSkipsReportsAndFillsEveryField) {
    VAR_set_def_type(kTypeCont);
    VAR_setup(nullptr, "temp,dewp");
    PlotControl* control = DATA_get_control();
    control->plot_domain = small_domain();
    control->report = &g_report;
    control->read_report = fake_read;
    control->rewind = fake_rewind;
    control->get_data = fake_get;
    g_report.next = 3;  // the source is rewound first
    ASSERT_EQ(DATA_setup_grid(control), 1);
    EXPECT_EQ(DATA_get_data(control), 3);
    EXPECT_EQ(DATA_get_num_stats(), 3);
    RawData raw;
    const float expected[3][2] = {{0, 100}, {1, 101}, {3, 103}};
    for (int i = 0; i < 3; ++i) {
        for (int f = 0; f < 2; ++f) {
            ASSERT_EQ(DATA_get_raw(i, f, &raw), 1);
            EXPECT_EQ(raw.value, expected[i][f]) << i << "," << f;
            EXPECT_EQ(raw.second, -1.0F);
        }
    }
    ASSERT_EQ(DATA_get_raw(2, 0, &raw), 1);
    EXPECT_FLOAT_EQ(raw.x, 1.5F) << "the skipped report takes no place";
}

// A reader that never says it has ended is stopped with a warning.
int g_stuck_reads = 0;
int stuck_read(void*, CityEntry*) {
    ++g_stuck_reads;
    return 0;
}

TEST_F(PlotData, ReaderThatNeverEndsIsStopped) {
    PlotControl* control = DATA_get_control();
    control->report = &g_report;
    control->read_report = stuck_read;
    MESS_set(0, kMessWarn);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DATA_get_data(control), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Caught in report loop: stopped after 100000 reports\n");
    EXPECT_EQ(g_stuck_reads, kDataMaxReports);
}

// Two stations at the middle of the small domain, whose values are missing.
int middle_read(void* report, CityEntry* entry) {
    FakeReport* r = static_cast<FakeReport*>(report);
    if (r->next >= 2) return -1;
    r->station = r->next++;
    copy_text(entry->id, "K000");
    MAP_domain(&g_middle_domain);
    MAP_tran(&entry->x, &entry->y, 40.0F, -100.0F);
    return 1;
}
int missing_get(const void* /*report*/, VarRecord* /*variable*/, RawData* raw) {
    raw->value = kMissingF;
    return 1;
}

TEST_F(PlotData, AnalysisSetUpStartsFromTheDefaultParameters) {
    VAR_set_def_type(kTypeCont);
    VAR_setup(nullptr, "temp");
    PlotControl* control = DATA_get_control();
    g_middle_domain = small_domain();
    control->plot_domain = g_middle_domain;
    control->report = &g_report;
    control->read_report = middle_read;
    control->rewind = fake_rewind;
    control->get_data = missing_get;
    for (const float replacement : {kMissingF, 500.0F}) {
        OBJ_set_miss_val(replacement);  // as a "miss500" format of the previous plot leaves it
        ASSERT_EQ(DATA_setup_grid(control), 1);
        ASSERT_EQ(DATA_get_data(control), 2);
        DATA_object_analyze();
        const GridField* grid = GRD_get_grid(0);
        EXPECT_EQ(grid->values[2 * grid->domain.nx + 2], kMissingF) << replacement;
        DATA_free();
    }
    // The same stations with the replacement set for this plot fill the grid.
    ASSERT_EQ(DATA_setup_grid(control), 1);
    DATA_get_data(control);
    OBJ_set_miss_val(500.0F);
    DATA_object_analyze();
    EXPECT_EQ(GRD_get_grid(0)->values[2 * 5 + 2], 500.0F);
}

}  // namespace
}  // namespace orv
