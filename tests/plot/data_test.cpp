#include "plot/data.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
RawData value(float v, float second = kMissingF) {
    RawData raw;
    RAW_data_init(&raw);
    raw.value = v;
    raw.second = second;
    return raw;
}
// Stations (the third skipped when `skip`) along a row, or all at (40 N, 100 W); a field's
// value is the field's index plus the station's, or missing.
struct FakeSource { int next = 0, station = -1, count = 4; bool skip = true, middle = false, missing = false; };
FakeSource g_source;
Domain g_domain;
int fake_read(void* report, CityEntry* entry) {
    FakeSource* r = static_cast<FakeSource*>(report);
    if (r->next >= r->count) return -1;
    r->station = r->next++;
    if (r->skip && r->station == 2) return 0;
    copy_text(entry->id, "K000");
    entry->x = 0.5F * static_cast<float>(r->station);
    entry->y = 0.25F;
    if (!r->middle) return 1;
    MAP_domain(&g_domain);
    MAP_tran(&entry->x, &entry->y, 40.0F, -100.0F);
    return 1;
}
int fake_rewind() {
    g_source.next = 0;
    return 0;
}
int fake_get(const void* report, VarRecord* variable, RawData* raw) {
    const FakeSource* r = static_cast<const FakeSource*>(report);
    raw->value = r->missing ? kMissingF : static_cast<float>(std::string(variable->name) == "dewp" ? 100 + r->station : r->station);
    raw->second = -1.0F;
    return 1;
}
class PlotData : public test::ModuleTest {
protected:
    // Analysed variables over a 5 x 4 latitude/longitude domain read from the fake source.
    PlotControl* control(const char* variables, const FakeSource& source = {}) {
        VAR_set_def_type(kTypeCont);
        VAR_setup(nullptr, variables);
        g_domain = test::latlon_domain(5, 4);
        g_source = source;
        PlotControl* c = DATA_get_control();
        c->plot_domain = g_domain;
        c->report = &g_source;
        c->read_report = fake_read;
        c->rewind = fake_rewind;
        c->get_data = fake_get;
        return c;
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
    EXPECT_EQ(test::stdout_of([&] { EXPECT_EQ(DATA_add_loc(800, 1.0F, 2.0F), 0); }), "Increasing arrays to 1200\n");
    EXPECT_EQ(DATA_get_limit(), 1200);
    const RawData last = value(-1.0F);
    DATA_add_raw(800, 3, &last);
    EXPECT_EQ(DATA_get_num_stats(), 801);
    RawData out;
    RAW_data_init(&out);
    for (int i : {0, 399, 799, 800}) {
        ASSERT_EQ(DATA_get_raw(i, 3, &out), 1);
        const float f = static_cast<float>(i);
        const auto want = i == 800 ? std::make_tuple(1.0F, 2.0F, -1.0F) : std::make_tuple(f, -f, f * 0.5F);
        EXPECT_EQ(std::make_tuple(out.x, out.y, out.value), want) << i;
    }
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
TEST_F(PlotData, StationLabelTextCollectsVariablesAndStaysBounded) {
    VarRecord temp{};
    VAR_data_init(&temp);
    copy_text(temp.name, "temp");
    temp.flag = 0;
    char block[120] = "";
    RawData raw = value(21.0F);
    RAW_set_var_string(&temp, &raw, block);
    RAW_set_var_string(&temp, &raw, block);
    EXPECT_STREQ(block, "temp=21 ") << "a text starting with the name starts again";
    VarRecord dewp = temp;
    copy_text(dewp.name, "dewp");
    raw.value = 9.0F;
    RAW_set_var_string(&dewp, &raw, block);
    EXPECT_STREQ(block, "temp=21 dewp=9 ");
    copy_text(block, std::string(112, 'x').c_str());
    RAW_set_var_string(&dewp, &raw, block);
    EXPECT_STREQ(block, "9");
}
TEST_F(PlotData, GatheringSkipsReportsAndFillsEveryField) {
    PlotControl* c = control("temp,dewp");
    ASSERT_EQ(DATA_setup_grid(c), 1);
    EXPECT_EQ(DATA_chk_field(0), 1);
    EXPECT_EQ(GRD_get_grid(0)->domain.nx, 5);
    EXPECT_EQ(c->grid_domain.ny, 4);
    g_source.next = 3;  // the source is rewound first
    EXPECT_EQ(DATA_get_data(c), 3);
    EXPECT_EQ(DATA_get_num_stats(), 3);
    RawData raw;
    const float expected[3][2] = {{0, 100}, {1, 101}, {3, 103}};
    for (int i = 0; i < 3; ++i) {
        for (int f = 0; f < 2; ++f) {
            ASSERT_EQ(DATA_get_raw(i, f, &raw), 1);
            EXPECT_EQ(std::make_pair(raw.value, raw.second), std::make_pair(expected[i][f], -1.0F)) << i << "," << f;
        }
    }
    ASSERT_EQ(DATA_get_raw(2, 0, &raw), 1);
    EXPECT_FLOAT_EQ(raw.x, 1.5F) << "the skipped report takes no place";
    DATA_free();
    EXPECT_EQ(DATA_chk_field(0), 0);
}
TEST_F(PlotData, ReaderThatNeverEndsIsStopped) {
    static int reads = 0;
    PlotControl* c = DATA_get_control();
    c->report = &g_source;
    c->read_report = [](void*, CityEntry*) {
        ++reads;
        return 0;
    };
    MESS_set(0, kMessWarn);
    EXPECT_EQ(test::stderr_of([&] { EXPECT_EQ(DATA_get_data(c), 0); }),
              "Caught in report loop: stopped after 100000 reports\n");
    EXPECT_EQ(reads, kDataMaxReports);
}
// Two stations at the middle of the domain whose values are missing: a
// replacement left by the previous plot is not used, this plot's is.
TEST_F(PlotData, AnalysisSetUpStartsFromTheDefaultParameters) {
    PlotControl* c = control("temp", FakeSource{0, -1, 2, false, true, true});
    for (const float replacement : {kMissingF, 500.0F}) {
        OBJ_set_miss_val(replacement);  // as a "miss500" format of the previous plot leaves it
        ASSERT_EQ(DATA_setup_grid(c), 1);
        ASSERT_EQ(DATA_get_data(c), 2);
        DATA_object_analyze();
        EXPECT_EQ(GRD_get_grid(0)->values[2 * 5 + 2], kMissingF) << replacement;
        DATA_free();
    }
    ASSERT_EQ(DATA_setup_grid(c), 1);
    DATA_get_data(c);
    OBJ_set_miss_val(500.0F);
    DATA_object_analyze();
    EXPECT_EQ(GRD_get_grid(0)->values[2 * 5 + 2], 500.0F);
}
}  // namespace
}  // namespace orv
