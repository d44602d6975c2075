#include "plot/raw_read.hpp"
#include <fstream>

#include "plot/module_reset.hpp"

namespace orv {
namespace {
class RawFileTest : public test::ModuleTest {
protected:
    std::string path(const std::string& name) const { return dir_.file(name); }
    void write(const std::string& name, const std::string& text) const { dir_.write(name, text); }
};
RawData value(int type, float v, float second = -9999.0F, const char* text = "") {
    RawData r;
    RAW_data_init(&r);
    r.type = type;
    r.value = v;
    r.second = second;
    copy_text(r.text, text);
    return r;
}
TEST_F(RawFileTest, WrittenFilesReadBackToTheSameValues) {
    const int fd = RAW_open(path("out.raw").c_str(), 1);
    ASSERT_GE(fd, 0);
    RAW_set_field(fd, 10, "temp", "sfc Temperature (F)", "value:ul");
    RAW_set_field(fd, 11, "wind", "sfc Wind (knt)", "wbarb");
    RAW_set_field(fd, 12, "cldcv", "Cloud cover", "cloud");
    RAW_putinfo(fd, "Station model", " 0Z  1 JAN 14");
    const RawData t = value(kRawValue, 67), w = value(kRawWbarb, 10, 12), c = value(kRawCloud, 0, -9999, "C");
    RAW_write(fd, 3, "KEED", 34.77F, -114.62F, nullptr);
    for (const RawData* r : {&t, &w, &c}) RAW_write(fd, 4, nullptr, -9999, -9999, r);
    RAW_write(fd, 3, "KELN", -9999, -9999, nullptr);  // no position, missing values
    const RawData none = value(kRawValue, -9999), calm = value(kRawWbarb, 0, 0), empty = value(kRawCloud, -9999);
    for (const RawData* r : {&none, &calm, &empty}) RAW_write(fd, 4, nullptr, -9999, -9999, r);
    ASSERT_EQ(RAW_close(fd), 0);  // ends the open line
    const int in = RAW_open(path("out.raw").c_str(), 0);
    ASSERT_GE(in, 0);
    EXPECT_EQ(RAW_get_num_field(in), 6);
    EXPECT_STREQ(RAW_get_field_info(in, 3), "sfc Temperature (F)");
    EXPECT_EQ(RAW_get_field_ind(in, "wind"), 4);
    char info[40], label[40], id[kRawIdSize];
    RAW_getinfo(in, info, sizeof info, label, sizeof label);
    EXPECT_STREQ(info, "Station model");
    EXPECT_STREQ(label, " 0Z  1 JAN 14");
    RawData r;
    // Line, field: identifier, position, type, value, second value and text.
    const struct { int field, line; const char* id; float x, y; int type; float value, second; const char* text; } rows[] = {
        {3, 0, "KEED", 34.77F, -114.62F, kRawValue, 67, -9999, "67"},
        {4, 0, "KEED", 34.77F, -114.62F, kRawWbarb, 10, 12, "10,12"},  // the same line again, another field
        {5, 0, "KEED", 34.77F, -114.62F, kRawCloud, -9999, -9999, "C"},
        {3, 1, "KELN", -9999, -9999, kRawValue, -9999, -9999, ""},
        {4, 1, "KELN", -9999, -9999, kRawWbarb, 0, 0, "0,0"},
    };
    for (const auto& w : rows) {
        ASSERT_EQ(RAW_read(in, &r, w.field, w.line, id), 1) << w.field << "," << w.line;
        EXPECT_STREQ(id, w.id);
        EXPECT_EQ(std::make_tuple(r.x, r.y, r.type, r.value, r.second, std::string(r.text)),
                  std::make_tuple(w.x, w.y, w.type, w.value, w.second, std::string(w.text)))
            << w.field << "," << w.line;
    }
    EXPECT_EQ(RAW_read(in, &r, 3, 2, id), 0);  // past the end
    ASSERT_EQ(RAW_read(in, &r, 3, 0, id), 1);  // an earlier line rewinds
    EXPECT_EQ(r.value, 67.0F);
}
TEST_F(RawFileTest, HeadersFieldSelectionAndBadInput) {
    std::string many = "ORVRAW\nlabel\n!many\n";
    for (int i = 0; i < 80; ++i) many += "f" + std::to_string(i) + " ";
    many += "$\n";
    const std::string long_line = "K1 10 20 " + std::string(500, '7') + " 5\n";
    write("a.raw", "ORVRAW\n 0Z  1 JAN 14\n!Temperatures\nid lat lon T:Temperature_in_F $ rest skipped\n" +
                       long_line + "K2 10 20 T=55:%3.1f\nK3 junk 20 x1e999\nK4 10 20 -\n");
    write("b.raw", many);
    write("c.raw", "ORVRAW\nlabel\n!no end of table\nid lat lon T\n");
    write("table.txt", "KDEN 39.8 -104.7 5\n");
    const int fd = RAW_open(path("a.raw").c_str(), 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(RAW_get_num_field(fd), 4);
    EXPECT_STREQ(RAW_get_field_info(fd, 3), "Temperature in F");
    RawData r;
    char id[kRawIdSize];
    ASSERT_EQ(RAW_read(fd, &r, 3, 0, id), 1);
    EXPECT_EQ(std::string(r.text).size(), kRawTextSize - 1);  // the over-long word cut short
    ASSERT_EQ(RAW_read(fd, &r, 3, 1, id), 1);
    EXPECT_EQ(std::make_pair(r.value, std::string(r.format)), std::make_pair(55.0F, std::string(":%3.1f")));
    ASSERT_EQ(RAW_read(fd, &r, 3, 2, id), 1);
    EXPECT_EQ(std::make_pair(r.x, r.value), std::make_pair(-9999.0F, -9999.0F));
    ASSERT_EQ(RAW_read(fd, &r, 3, 3, id), 1);
    EXPECT_EQ(r.value, -9999.0F);
    RAW_close(fd);
    const int b = RAW_open(path("b.raw").c_str(), 0);
    EXPECT_EQ(RAW_get_num_field(b), kRawMaxFields);
    const int c = RAW_open(path("c.raw").c_str(), 0);
    EXPECT_EQ(RAW_get_num_field(c), 4);
    EXPECT_EQ(RAW_read(c, &r, 3, 0, id), 0);
    EXPECT_EQ(RAW_chktype(path("table.txt").c_str()), kRawFileTable);
    EXPECT_EQ(RAW_open(path("missing.raw").c_str(), 0), -1);
    int handles[3];
    for (int& h : handles) h = RAW_open(path("table.txt").c_str(), 0);
    EXPECT_GE(handles[2], 0);
    ASSERT_EQ(RAW_read(handles[0], &r, 2, 0, id), 1);  // a table has no header to skip
    EXPECT_STREQ(id, "KDEN");
    EXPECT_EQ(RAW_open(path("a.raw").c_str(), 0), -1);  // a sixth file
    EXPECT_EQ(RAW_read(9, &r, 3, 0, id), -1);
}
// Labelled plots keep the "identifier" stations and place stations without a
// latitude, or every station when a table is asked for, from the station table.
TEST_F(RawFileTest, PlottedStationsComeFromTheFileOrTheStationTable) {
    write("sao.cty", "Here -- XX BBB 1 41.0 -99.0 0 99999 0\nThere -- XX AAA 1 42.0 -98.0 0 99999 0\n");
    write("t.raw", "ORVRAW\nlabel\n!Values\nid lat lon T:Temperature:value $\n"
                   "AAA 40.00 -100.00 1\nBBB - - 2\nCCC - - 3\nDDD 39.00 -101.00 4\n");
    Domain d = test::latlon_domain(41, 41);
    ASSERT_GE(MAP_setup(&d), 0);
    RAW_register_file_hooks();
    test::Recording drawn;
    test::open_recording(&drawn, -1e4F, 1e4F, -1e4F, 1e4F);
    ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    struct Case { int labels; const char* resource; const char* value; std::vector<std::string> texts; };
    const Case cases[] = {
        {0, "", "", {"1", "4"}},
        {1, "", "", {"1", "2", "4"}},
        {1, "stat_prior", "9", {"1", "2"}},
        {1, "identifier", "BBB,DDD", {"2", "4"}},
        {1, "identifier", "all", {"1", "2", "4"}},
        {1, "plot_format", "sk=3", {"1", "4"}},
    };
    const auto paths_only = [this] {
        RES_reset_for_tests();
        RES_put("file_path", (dir_.path() + "/").c_str());
        RES_put("raw_path", dir_.path().c_str());
    };
    for (const Case& c : cases) {
        paths_only();
        if (*c.resource != '\0') RES_put(c.resource, c.value);
        drawn.texts.clear();
        RAW_plot_file("t.raw", c.labels);
        std::vector<std::string> values(drawn.texts.begin(), drawn.texts.end());
        std::erase_if(values, [](const std::string& t) { return t.size() != 1; });  // the labels
        EXPECT_EQ(values, c.texts) << c.resource << "=" << c.value;
        EXPECT_EQ(CTY_get_table()->head, nullptr) << "a table loaded for the file is dropped";
    }
    ASSERT_NE(CTY_store("sao.cty", kCityPosition, &d, 9), nullptr);  // the plot's own table
    paths_only();
    RES_put("stat_prior", "9");
    EXPECT_EQ(RAW_plot_file("t.raw", 1), 2);
    EXPECT_NE(CTY_get_table()->head, nullptr) << "the plot's own table stays";
    gclose_ws(1);
    test::g_recording = nullptr;
}
}  // namespace
}  // namespace orv
