#include "mos/mos_plt.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "core/var_tool.hpp"
#include "mos/mos_read.hpp"
#include "mos/mos_test_product.hpp"
#include "mos/mos_tool.hpp"
#include "plot/data.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

class MosPlt : public ::testing::Test {
protected:
    void SetUp() override {
        MOS_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        MESS_reset_for_tests();
        VAR_reset_for_tests();
        MESS_set(0, 0);  // keep menus off the test output
        RES_setCL(1, argv);
        RES_put("file_path", dir.path().c_str());
    }

    // Answers the next prompts from `text`.
    void answer(const std::string& text) {
        ASSERT_TRUE(testing::feed_stdin(dir.file("answers"), text));
    }

    testing::ScratchDir dir;
    char program[32] = "/usr/bin/mosplot";
    char* argv[2] = {program, nullptr};
};

// The model by "model" or the input conventions: the last convention that
// names a model wins, longer names first ("ngm_ua" is not "ngm"); the model
// text stays as given.
TEST_F(MosPlt, ModelFromTheResourceOrTheInputConvention) {
    const struct {
        const char* model;
        const char* in_file;
        int code;
        const char* text;
        const char* conv;
    } cases[] = {
        {"GFSX", nullptr, kModelGfsx, "GFSX", "mos_dat"},   {"ruc", nullptr, kModelNgm, "ruc", "mos_dat"},
        {nullptr, "my_gfsx_conv", kModelGfsx, "gfsx", "my_gfsx_conv"},
        {nullptr, "gfs_mav", kModelGfs, "gfs", "gfs_mav"},  {nullptr, "mrfx_tab", kModelMrfx, "mrfx", "mrfx_tab"},
        {nullptr, "old_mrf", kModelMrf, "mrf", "old_mrf"},  {nullptr, "ngm_ua", kModelNgmUa, "ngm_ua", "ngm_ua"},
        {nullptr, "eta_ua2", kModelEtaUa, "eta_ua", "eta_ua2"}, {nullptr, "nam", kModelNam, "nam", "nam"},
        {nullptr, "avn", kModelAvn, "avn", "avn"},          {nullptr, "local", kModelNgm, "ngm", "local"},
        {nullptr, "eta,gfsx", kModelGfsx, "gfsx", "gfsx"},  {"gfs", "local", kModelGfs, "gfs", "local"},
    };
    for (const auto& c : cases) {
        MOS_reset_for_tests();
        RES_reset_for_tests();
        if (c.model != nullptr) RES_put("model", c.model);
        if (c.in_file != nullptr) RES_put("in_file", c.in_file);
        MOS_in_file();
        EXPECT_EQ(FLAG_get(kFlagDataKind), c.code) << c.model << " " << c.in_file;
        EXPECT_STREQ(MOS_model_string(), c.text) << c.model << " " << c.in_file;
        EXPECT_STREQ(MOS_name_conv(), c.conv);
        EXPECT_EQ(FLAG_get(kFlagCategory), 40);
    }
    const std::pair<int, int> menus[] = {{kModelGfsx, 1}, {kModelGfs, 0}, {kModelNamUa, 2}, {kModelMrfx, 1}};
    for (const auto& [code, menu] : menus) EXPECT_EQ(MOS_model_info(code)->menu_type, menu) << code;
    EXPECT_EQ(MOS_model_info(kModelGfsx)->family, MosFamily::standard);
    EXPECT_EQ(MOS_model_info(kModelMrfx)->family, MosFamily::mrf);
    EXPECT_STREQ(MOS_model_info(kModelGfsx)->label, "GFSX MOS");  // the name the bulletins give the family
    EXPECT_EQ(MOS_model_info(1), nullptr);
}

TEST_F(MosPlt, TimeMenuFileNeverOverfillsTheTable) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += "h" + std::to_string(i) + " " + std::string(80, 'x') + " 1\n";
    text += std::string(5000, 'y') + "\n";
    dir.write("mosplot.tim", text);
    ASSERT_EQ(MOS_read_time_menu(), 1);
    int n = 0;
    for (const MenuEntry* e = MOS_time_menu(); e->label != nullptr; ++e) ++n;
    EXPECT_EQ(n, kTimeMenuSize - 1);
    EXPECT_EQ(std::string(MOS_time_menu()[1].label).size(), 30U);
}

TEST_F(MosPlt, InitialTimeOfTheUpperAirMenuIsATimeNotBack) {
    RES_put("model", "nam_ua");
    MOS_in_file();
    answer("init\n");
    ASSERT_EQ(MOS_prompt_time(), 1);
    EXPECT_EQ(MOS_time_menu_type(), 2);
    EXPECT_EQ(MOS_get_hour(), 0);
}

TEST_F(MosPlt, VariableResourceEndsTheVariableLoopAfterOnePass) {
    RES_put("variable", std::string(100, 'v').c_str());
    EXPECT_NE(MOS_prompt_variable(), 0);
    EXPECT_EQ(std::string(MOS_get_variable()).size(), static_cast<std::size_t>(kMosVariableMax));
    EXPECT_EQ(MOS_prompt_variable(), 0);
    MOS_set_prompt_variable(1);
    EXPECT_NE(MOS_prompt_variable(), 0);
}

const std::string kMosDir = ORV_SOURCE_DIR "/../shared/data/mos";

std::vector<MosReport> read_reports(const std::string& path) {
    std::vector<MosReport> reports;
    if (!test::open_bulletin(path)) return reports;
    MosReport r{};
    for (int counter = 0; MOS_read(0, &r, kMosReadFull, &counter) == 0; ++counter) reports.push_back(r);
    MOS_close_file();
    return reports;
}

// A value (or a text) of the variable at some forecast hour of some report.
bool has_value(const std::vector<MosReport>& reports, VarRecord v) {
    for (int hour = 3; hour <= 192; hour += 3) {
        v.time = hour;
        for (const MosReport& r : reports) {
            RawData raw{};
            raw.value = raw.second = kMissingF;
            MOS_get_data(&r, &v, &raw);
            if (!is_missing(raw.value) || !is_missing(raw.second) || raw.text[0] != '\0') return true;
        }
    }
    return false;
}

// Every entry of a family's variable menu gives values from the family's
// real bulletin, the rows a bulletin lacks in its season (precipitation type,
// snow) excepted; and the menu offers the quantities the bulletin holds.
TEST_F(MosPlt, VariableMenuOffersWhatTheRealBulletinsHold) {
    if (!std::filesystem::is_directory(kMosDir)) GTEST_SKIP() << "real bulletins not found in " << kMosDir;
    constexpr int M = kMissing;
    const auto with = [](std::set<std::string> names, const char* name) {
        names.insert(name);
        return names;
    };
    const std::set<std::string> standard = {"temp",  "dewp", "maxt",  "mint",   "cldcv", "wdir", "wspd",
                                            "pop6",  "pop12", "prec6", "prec12", "pot6", "pot12", "cldcl",
                                            "vis",   "obvis", "ptype", "rhum"};
    struct Case {
        const char* model;
        const char* file;
        DateRecord run;
        std::set<std::string> offered;  // at least these
    };
    const Case cases[] = {
        {"gfs", "gfs_mav_fous26_2014010100.txt", {2014, 1, 1, M, M, 0, M, M}, with(standard, "snwfl24")},
        {"nam", "nam_met_fous46_2017081212.txt", {2017, 8, 12, M, M, 12, M, M}, standard},
        {"gfsx", "gfsx_mex_feus23_2020071012.txt", {2020, 7, 10, M, M, 12, M, M},
         {"temp", "dewp", "maxt", "mint", "nmaxt", "nmint", "cldcv", "wspd", "pop12", "pop24", "prec12", "prec24",
          "pot12", "pot24", "ptype"}},
    };
    const std::map<std::string, std::string> seasonal = {{"ptype", "\nTYP "}, {"snwfl24", "\nSNW"}};
    for (const Case& c : cases) {
        MOS_reset_for_tests();
        VAR_reset_for_tests();
        RES_put("file_path", ORV_DATA_DIR);
        RES_put("model", c.model);
        MOS_in_file();
        MOS_set_date(&c.run);
        const std::string path = kMosDir + "/" + c.file;
        const std::string text = testing::read_file(path);
        const std::vector<MosReport> reports = read_reports(path);
        ASSERT_FALSE(reports.empty()) << c.file;
        ASSERT_GE(VAR_open_file(nullptr), 0);
        VAR_read_menu();
        std::set<std::string> offered;
        for (const MenuEntry* e = VAR_get_menu() + 1; e->label != nullptr; ++e) {
            if (e->shown[0] != 1) continue;
            VAR_setup(nullptr, e->abbr);
            for (int i = 0; i < VAR_get_num(); ++i) {
                if (VAR_is_REG(i) == 0 && VAR_is_SUBREG(i) == 0) continue;
                VarRecord v = *VAR_get_var(i);
                std::string name = v.name;
                name = name.substr(0, name.find('-'));
                offered.insert(name);
                EXPECT_EQ(MOS_get_var(&v), 1) << c.model << " " << e->abbr << " " << name;
                const auto row = seasonal.find(name);
                if (row != seasonal.end() && text.find(row->second) == std::string::npos) continue;
                EXPECT_TRUE(has_value(reports, v)) << c.model << " offers " << e->abbr << " (" << name
                                                   << ") but its bulletin gives no value of it";
            }
        }
        for (const std::string& name : c.offered)
            EXPECT_EQ(offered.count(name), 1U) << c.model << " does not offer " << name;
    }
}

// The run date is sought in the first 2000 lines and the first megabyte of
// a bulletin: a title line ending beyond either is not read.
TEST_F(MosPlt, TitleDateIsSoughtInTheFirstLinesAndMegabyteOnly) {
    const std::string title = "KFOZ   NAM MOS GUIDANCE   8/12/2017  1200 UTC";
    const std::size_t megabyte = std::size_t{1} << 20;
    const struct {
        std::string text;
        bool dated;
    } cases[] = {
        {std::string(megabyte - title.size() - 2, 'x') + "\n" + title + "\n", true},  // its end is the last byte
        {std::string(megabyte - title.size() - 1, 'x') + "\n" + title + "\n", false},
        {std::string(1999, '\n') + title + "\n", true},
        {std::string(2000, '\n') + title + "\n", false},
        {std::string(1999, '\r') + title, true},  // carriage returns end lines; the end of the file the last
    };
    for (const auto& c : cases) {
        dir.write("bulletin.txt", c.text);
        FILE_reset_for_tests();
        FILE_set_filename(dir.file("bulletin.txt").c_str());
        MOS_set_date(nullptr);
        EXPECT_EQ(MOS_get_date()->year == 2017 && MOS_get_date()->hour == 12, c.dated) << c.text.size();
    }
    FILE_reset_for_tests();
}

}  // namespace
}  // namespace orv
