#include "mos/mos_plt.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "core/var_tool.hpp"
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

    std::string visible_abbrs(int type) {
        std::string out;
        for (const MenuEntry* e = MOS_time_menu() + 1; e->label != nullptr; ++e)
            if (e->shown[type] == 1) out += std::string(e->abbr) + " ";
        return out;
    }

    testing::ScratchDir dir;
    char program[32] = "/usr/bin/mosplot";
    char* argv[2] = {program, nullptr};
};

TEST_F(MosPlt, ModelResourceSelectsCodeAndKeepsItsOwnText) {
    RES_put("model", "GFSX");
    MOS_in_file();
    EXPECT_EQ(FLAG_get(kFlagDataKind), kModelGfsx);
    EXPECT_STREQ(MOS_model_string(), "GFSX");
    EXPECT_STREQ(MOS_name_conv(), "mos_dat");
    EXPECT_EQ(FLAG_get(kFlagCategory), 40);
    const MosModelInfo* info = MOS_model_info(kModelGfsx);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->family, MosFamily::standard);
    EXPECT_STREQ(info->label, "GFSX MOS");  // the name the bulletins give the family
    EXPECT_EQ(info->menu_type, 1);
}

TEST_F(MosPlt, UnknownModelLeavesTheCode) {
    RES_put("model", "ruc");
    MOS_in_file();
    EXPECT_EQ(FLAG_get(kFlagDataKind), kModelNgm);
    EXPECT_STREQ(MOS_model_string(), "ruc");
}

TEST_F(MosPlt, InputConventionChoosesModelByLongestNameFirst) {
    struct Case { const char* conv; int code; const char* model; };
    const Case cases[] = {
        {"my_gfsx_conv", kModelGfsx, "gfs"}, {"gfs_mav", kModelGfs, "gfs"},
        {"mrfx_tab", kModelMrfx, "mrfx"},    {"old_mrf", kModelMrf, "mrf"},
        {"ngm_ua", kModelNgmUa, "ngm_ua"},   {"eta_ua2", kModelEtaUa, "eta_ua"},
        {"nam", kModelNam, "nam"},           {"avn", kModelAvn, "avn"},
        {"local", kModelNgm, "local"},
    };
    for (const auto& c : cases) {
        MOS_reset_for_tests();
        RES_put("in_file", c.conv);
        MOS_in_file();
        EXPECT_EQ(FLAG_get(kFlagDataKind), c.code) << c.conv;
        EXPECT_STREQ(MOS_model_string(), c.model) << c.conv;
        EXPECT_STREQ(MOS_name_conv(), c.conv);
    }
}

TEST_F(MosPlt, LastInputConventionWins) {
    RES_put("in_file", "eta,gfsx");
    MOS_in_file();
    EXPECT_EQ(FLAG_get(kFlagDataKind), kModelGfsx);
    EXPECT_STREQ(MOS_name_conv(), "gfsx");
}

TEST_F(MosPlt, BuiltInMenuVariants) {
    EXPECT_EQ(MOS_read_time_menu(), 0);
    EXPECT_EQ(visible_abbrs(0), "h06 h12 h18 h24 h30 h36 h42 h48 h60 ");
    EXPECT_EQ(visible_abbrs(1), "d1 d2 d3 d4 d5 d6 d7 ");
    EXPECT_EQ(visible_abbrs(2), "init h06 h12 h18 h24 h30 h36 h42 h48 ");
    EXPECT_EQ(MENU_search("e3", MOS_time_menu()), 84);
}

TEST_F(MosPlt, TimeMenuFileEntriesFollowTheModel) {
    dir.write("mosplot.tim",
              "h06 6_hour 1\n"
              "h12 12_hour 0\n"
              "h84 84_hour mo=gfs\n"
              "h99 99_hour mo=eta,MO=n*\n");
    RES_put("model", "gfs");
    MOS_in_file();
    ASSERT_EQ(MOS_read_time_menu(), 1);
    EXPECT_EQ(visible_abbrs(0), "h06 h84 ");
    EXPECT_STREQ(MOS_time_menu()[2].label, "84 hour");
    EXPECT_STREQ(MOS_time_menu()[0].abbr, "back");

    MOS_reset_for_tests();
    RES_put("model", "nam");
    MOS_in_file();
    MOS_read_time_menu();
    EXPECT_EQ(visible_abbrs(0), "h06 h99 ");
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

TEST_F(MosPlt, TimeResourceSkipsTheMenuOnce) {
    RES_put("time", "h12,h24");
    EXPECT_EQ(MOS_prompt_time(), 1);
    EXPECT_EQ(MOS_get_ntimes(), 2);
    EXPECT_EQ(MOS_get_hour(), 12);
    EXPECT_EQ(FLAG_get(kFlagHour), 12);
    EXPECT_STREQ(VAR_get_time_str(), "h12");
    EXPECT_EQ(MOS_prompt_time(), 0);
}

TEST_F(MosPlt, MenuAnswersByNumberNameAndBack) {
    RES_put("model", "eta");
    MOS_in_file();
    answer("3\nH18\nnonsense\nback\n");
    ASSERT_EQ(MOS_prompt_time(), 1);
    EXPECT_EQ(MOS_get_hour(), 18);
    EXPECT_STREQ(MOS_get_time(0), "h18");
    ASSERT_EQ(MOS_prompt_time(), 1);
    EXPECT_EQ(MOS_get_hour(), 18);
    EXPECT_EQ(MOS_prompt_time(), 0);
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

std::string name_conv() {
    char out[2 * kFileNameSize + 16];
    return FILE_get_name_conv(out);
}

// The out_file entries choose grid file kinds and the naming conventions.
TEST_F(MosPlt, GridOutputHookReadsTheOutFileEntries) {
    struct Case {
        const char* out_file;
        int kind;
        const char* conv;
    };
    const Case cases[] = {
        {"orv", 2, "mos_grd_orv"},   {"orvb", 3, "mos_grd_orvb"},    {"cdf", 11, "mos_grd_cdf"},
        {"orv_mine", 2, "mine"},     {"orvb_binary", 3, "binary"},   {"cdf:nc_conv", 11, "nc_conv"},
        {"my_conv", 2, "my_conv"},   {"none", 0, "mos_grd"},         {"gif,orv", 2, "mos_grd_orv"},
        {"GIFfile", 0, "mos_grd"},   {"png", 0, "mos_grd"},          {"xwd:a.xwd,img", 0, "mos_grd"},
        {"raw", 0, "mos_grd"},       {"raw_stations,cdf", 11, "mos_grd_cdf"},
        {"xwd", 0, "mos_grd"},       {"img,png,orv", 2, "mos_grd_orv"},
    };
    for (const Case& c : cases) {
        RES_put("out_file", c.out_file);
        FLAG_set(kFlagOutType, 0);
        EXPECT_EQ(MOS_grd_out_file(), c.kind) << c.out_file;
        EXPECT_EQ(FLAG_get(kFlagOutType), c.kind) << c.out_file;
        EXPECT_NE(name_conv().find(c.conv), std::string::npos) << c.out_file << " -> " << name_conv();
    }
}

TEST_F(MosPlt, RawOutputHookReadsTheOutFileEntries) {
    struct Case {
        const char* out_file;
        int taken;
        const char* conv;
    };
    const Case cases[] = {
        {nullptr, 0, "mos_raw"},      {"none,gif", 0, "mos_raw"},       {"png:map.png,xwd", 0, "mos_raw"},
        {"cdf,orvb", 0, "mos_raw"},   {"raw_stations", 1, "stations"},  {"orv", 1, "mos_raw"},
        {"png,my_raw", 1, "my_raw"},
    };
    for (const Case& c : cases) {
        if (c.out_file != nullptr) RES_put("out_file", c.out_file);
        EXPECT_EQ(MOS_raw_out_file(), c.taken) << (c.out_file != nullptr ? c.out_file : "no out_file");
        EXPECT_NE(name_conv().find(c.conv), std::string::npos) << name_conv();
    }
}

}  // namespace
}  // namespace orv
