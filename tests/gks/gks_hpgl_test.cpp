#include "gks/gks_hpgl.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"

namespace orv::test {
namespace {

constexpr const char* kPclStart = "\033E\033%1B\033&l1O\n";
constexpr const char* kPclEnd = "\033%0A\033E";

class GksHpglTest : public GksTest {
protected:
    void SetUp() override {
        for (const char* v : {"orvhp_out", "orvhp_param", "orvhp_geometry"}) unsetenv(v);
        GksTest::SetUp();
    }
    int open_hpgl(const std::string& text) {
        if (gopen_gks(nullptr) != 0) return -1;
        ::testing::internal::CaptureStdout();
        const int status = gopen_ws(1, text.c_str(), kWsHpgl);
        messages_ = ::testing::internal::GetCapturedStdout();
        return status;
    }
    int close_hpgl() {
        ::testing::internal::CaptureStdout();
        const int status = gclose_ws(1);
        messages_ += ::testing::internal::GetCapturedStdout();
        return status;
    }
    // What a sequence of calls writes, between a mark and the trailer.
    std::string written_by(const std::string& words, const std::function<void()>& calls) {
        const std::string file = path("calls.hpgl");
        EXPECT_EQ(open_hpgl(file + ",nopcl" + words), 0);
        ghpgl_printf("#\n");
        calls();
        EXPECT_EQ(close_hpgl(), 0);
        const std::string text = slurp(file);
        const std::size_t from = text.find("#\n") + 2;
        return text.substr(from, text.rfind("SP;PG;\n") - from);
    }
    std::string messages_;
};

const GPoint kDiagonal[2] = {{0.1F, 0.1F}, {0.9F, 0.9F}};

// The prolog, the trailer and the picture area for the device words.
TEST_F(GksHpglTest, PrologTrailerAndPictureArea) {
    const struct {
        const char* words;
        const char* prolog;
        bool pcl;
        int width, height;
    } cases[] = {
        {"", "IN;SP1;PA;\nPW0.2;SV;LT;\n", true, 10657, 8120},
        {",nopcl", "IN;SP1;PA;\nPW0.2;SV;LT;\n", false, 10657, 8120},
        {",lj", "IN;SP1;PA;\nRO90;\nPW0.2;SV;LT;\n", true, 8120, 10657},
        {",nopcl,land", "IN;SP1;PA;\nRO90;\nPW0.2;SV;LT;\n", false, 8120, 10657},
        {",nopcl,rot:180,lwidth:0.5", "IN;SP1;PA;\nRO180;\nPW0.5;SV;LT;\n", false, 10657, 8120},
        {",nopcl,a4", "IN;SP1;PA;\nPW0.2;SV;LT;\n", false, 11357, 7876},
        {",nopcl,roll:36", "IN;SP1;PA;\nPW0.2;SV;LT;\n", false, 36032, 8120},
        {",nopcl,sz:14x11,color", "IN;SP1;PA;\nNP256;\nPW0.2;SV;LT;\n", false, 13702, 10657},
        // Words that say nothing usable change nothing.
        {",nopcl,rot:45,lwidth:-3,roll:x,sz:axb,sz:0x0,junk,,", "IN;SP1;PA;\nPW0.2;SV;LT;\n", false, 10657, 8120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        const std::string file = path("p.hpgl");
        ASSERT_EQ(open_hpgl(file + c.words), 0);
        EXPECT_EQ(messages_, "Creating: " + file + "\n");
        int w = 0, h = 0;
        gget_window_size(&w, &h);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        gpolyline(2, kDiagonal);
        ASSERT_EQ(close_hpgl(), 0);
        EXPECT_TRUE(messages_.ends_with("Created HPGL file\n")) << messages_;
        const std::string text = slurp(file);
        EXPECT_EQ(text.rfind(std::string(c.pcl ? kPclStart : "") + c.prolog, 0), 0U) << text.substr(0, 80);
        EXPECT_TRUE(text.ends_with(std::string("SP;PG;\n") + (c.pcl ? kPclEnd : ""))) << text;
        reset();
    }
}

// The geometry places the picture in plotter units from the offset (10, 10).
TEST_F(GksHpglTest, GeometryPlacesThePicture) {
    const std::pair<const char*, const char*> cases[] = {  // the unit square's clip window
        {"500x400+100+50", "IW 1025,517,5084,4576;\n"}, {"+100+50", "IW 1025,517,9144,8636;\n"},
        {"P2x2+1+0", "IW 5338,4070,9397,8129;\n"}};
    for (const auto& [geometry, clip] : cases) {
        setenv("orvhp_geometry", geometry, 1);
        ASSERT_EQ(open_hpgl(path("g.hpgl")), 0);
        ASSERT_EQ(close_hpgl(), 0);
        EXPECT_NE(slurp(path("g.hpgl")).find(clip), std::string::npos) << geometry;
        reset();
    }
    unsetenv("orvhp_geometry");
}

// Pens, screening, widths, line types and fills as each call writes them.
TEST_F(GksHpglTest, PenState) {
    const auto gray = [](int index, float level) { gset_colr_rep(1, index, level, level, level); };
    const struct {
        const char* name;
        const char* words;
        std::function<void()> calls;
        const char* expected;
    } cases[] = {
        {"width 2 of colour 1", "", [] { ghpgl_set_width(1, 2.0F); }, "PW0.4;\n"},
        {"width 0 is the initial 1", "", [] { ghpgl_set_width(1, 0.0F); }, ""},
        {"bold and print widths", "",
         [] {
             gset_line_print_bold(3);
             ghpgl_set_width(1, 1.0F);
             ghpgl_set_width(505, 2.0F);
             ghpgl_set_width(504, 2.0F);
             ghpgl_set_width(507, 2.0F);
         },
         "PW0.6;\nPW1.6;\nPW0.8;\n"},
        {"screens", "", [] { for (int i : {1, 503, 504, 506, 500, 7}) ghpgl_set_color(i); }, "SV1,0;\nSV1,30;\nSV;\n"},
        {"line types", "", [] { for (int t : {1, 2, 3, 4, 5, 7, 1}) ghpgl_set_type(t); },
         "LT2,5,1;\nLT5,8,1;\nLT6,10,1;\nLT2,1,1;\nLT;\n"},
        {"screened fills", "",
         [&] {
             gray(7, 0.25F);
             ghpgl_set_fill_color(7);
             ghpgl_set_fill_color(7);
             ghpgl_set_fill_color(-1);
             gset_fill_print_solid(1);
             ghpgl_set_fill_color(7);
         },
         "FT10,75;\nFT10,0;\nFT1;\n"},
        {"reversed grays", ",gray", [&] { ghpgl_set_reverse(1); gray(7, 0.25F); ghpgl_set_fill_color(7); }, "FT10,25;\n"},
        {"a pen per colour", ",color",
         [&] {
             gray(7, 0.25F);
             gray(8, 0.25F);
             gset_colr_rep(1, 9, 1.0F, 0.0F, 0.0F);
             ghpgl_set_color(7);
             ghpgl_set_color(8);
             ghpgl_set_fill_color(9);
             ghpgl_set_color(503);
             ghpgl_set_color(7);
         },
         "PC2,63,63,63;\nSP2;\nPC3,255,0,0;\nSP3;\nFT1;\nSP1;\nSV1,0;\nSP2;\nSV;\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(written_by(c.words, c.calls), c.expected);
        reset();
    }
}

// Primitives in plotter units: the unit square fills the picture's height
// from the offset (10, 10).
TEST_F(GksHpglTest, Primitives) {
    std::vector<GPoint> twelve;
    for (int i = 0; i < 12; ++i) twelve.push_back(GPoint{static_cast<float>(i) / 11.0F, 0.5F});
    const GPoint triangle[3] = {{0.0F, 0.0F}, {1.0F, 0.0F}, {1.0F, 1.0F}};
    const struct {
        const char* name;
        std::function<void()> calls;
        const char* expected;
    } cases[] = {
        {"line", [] { gpolyline(2, kDiagonal); }, "PU822,822;PD7317,7317;\n"},
        {"ten points to a line", [&] { gpolyline(12, twelve.data()); },
         "PU10,4070;PD748,4070;PD1486,4070;PD2224,4070;PD2962,4070;PD3700,4070;PD4439,4070;PD5177,4070;"
         "PD5915,4070;PD6653,4070;\nPD7391,4070;PD8129,4070;\n"},
        {"dashed wide line", [] { gset_linetype(2); gset_linewidth(3.0F); gpolyline(2, kDiagonal); },
         "PW0.6;\nLT2,5,1;\nPU822,822;PD7317,7317;\n"},
        {"solid fill", [&] { gset_colr_rep(1, 1, 0.0F, 0.0F, 0.0F); gset_fill_int_style(1); gfill_area(3, triangle); },
         "FT10,100;\nPU10,10;PM0;PD8129,10;PD8129,8129;PM1;PM2;FP;\n"},
        {"hollow fill draws nothing", [&] { gset_fill_int_style(0); gfill_area(3, triangle); }, ""},
        {"plus marker", [] { gset_marker_type(2); gset_marker_size(1.0F); const GPoint p{0.5F, 0.5F}; gpolymarker(1, &p); },
         "PU4020,4070;PD4120,4070;\nPU4070,4020;PD4070,4120;\n"},
        {"clip window", [] { const float vp[4] = {0.45F, 0.75F, 0.0F, 0.5F}; gset_vp(0, vp); },
         "IW 3663,10,6099,4070;\n"},
        {"cleared region", [] { const float r[4] = {0.0F, 0.5F, 0.0F, 0.5F}; gclear_region(r); },
         "FT10,0;\nPU10,10;PM0;PD10,4070;PD4070,4070;PD4070,10;PM1;PM2;FP;\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(written_by("", c.calls), c.expected);
        reset();
    }
}

// Appended plots share the file's last page: one prolog, one trailer.
TEST_F(GksHpglTest, AppendedPlotsGoOnTheLastPage) {
    const std::string file = path("a.hpgl");
    ASSERT_EQ(open_hpgl(file), 0);
    gpolyline(2, kDiagonal);
    ASSERT_EQ(close_hpgl(), 0);
    const std::string first = slurp(file);
    ASSERT_EQ(open_hpgl("+" + file), 0);
    EXPECT_EQ(messages_, "Appending to: " + file + "\n");
    const GPoint other[2] = {{0.1F, 0.9F}, {0.9F, 0.1F}};
    gpolyline(2, other);
    ASSERT_EQ(close_hpgl(), 0);
    const std::string text = slurp(file);
    const std::size_t kept = first.rfind("SP;PG;");
    EXPECT_EQ(text.substr(0, kept), first.substr(0, kept));
    EXPECT_EQ(text.substr(kept).rfind("SP1;\nPW0.2;SV;LT;\n", 0), 0U) << text.substr(kept);
    EXPECT_EQ(count_of(text, "IN;"), 1);
    EXPECT_EQ(count_of(text, "PG;"), 1);
    EXPECT_EQ(count_of(text, "PU822,7317;PD7317,822;"), 1);
    EXPECT_TRUE(text.ends_with(std::string("SP;PG;\n") + kPclEnd));

    // Nothing, or a file that does not end as ours do, gets a page of its own.
    std::ofstream(path("other.hpgl")) << "IN;SP1;PU0,0;PD100,100;\n";
    for (const char* name : {"new.hpgl", "other.hpgl"}) {
        ASSERT_EQ(open_hpgl("+" + path(name)), 0);
        gpolyline(2, kDiagonal);
        ASSERT_EQ(close_hpgl(), 0);
        const std::string appended = slurp(path(name));
        EXPECT_EQ(count_of(appended, kPclStart), 1) << name;
        EXPECT_EQ(count_of(appended, "PG;"), 1) << name;
    }
}

// Each finished frame ends its page; a frame drawn after it starts the next
// with its own pens and clip window (hp2xx starts every page with its own
// pen colours).
TEST_F(GksHpglTest, FramesArePages) {
    for (int frames = 1; frames <= 3; ++frames) {
        const std::string file = path("frames" + std::to_string(frames) + ".hpgl");
        ASSERT_EQ(open_hpgl(file + ",color"), 0);
        const int clips = count_of(slurp(file), "IW ");
        for (int k = 0; k < frames; ++k) {
            gpolyline(2, kDiagonal);
            ghpgl_end_frame();
        }
        ASSERT_EQ(close_hpgl(), 0);
        const std::string text = slurp(file);
        EXPECT_EQ(count_of(text, "PG;"), frames);
        EXPECT_EQ(count_of(text, "IW "), clips + frames - 1);
        EXPECT_EQ(count_of(text, "PG;SP1;\nNP256;\nPW0.2;SV;LT;\n"), frames - 1);
        EXPECT_EQ(count_of(text, "PC2,"), frames);
    }
}

TEST_F(GksHpglTest, AnExitWithAnOpenFileLeavesItComplete) {
    const std::string file = path("exit.hpgl");
    const auto draw_and_exit = [&] {
        open_hpgl(file);
        gpolyline(2, kDiagonal);
        std::exit(3);
    };
    EXPECT_EXIT(draw_and_exit(), ::testing::ExitedWithCode(3), "");
    EXPECT_TRUE(slurp(file).ends_with(std::string("SP;PG;\n") + kPclEnd));
}

TEST_F(GksHpglTest, SpoolingAndOutputsThatFail) {
    const std::string out = path("spooled.hpgl");
    ASSERT_EQ(open_hpgl("|cat > " + out), 0);
    EXPECT_EQ(messages_, "Spooling to: cat > " + out + "\n");
    gpolyline(2, kDiagonal);
    EXPECT_EQ(close_hpgl(), 0);
    EXPECT_NE(slurp(out).find("PU822,822;PD7317,7317;"), std::string::npos);

    ASSERT_EQ(open_hpgl("|exit 3"), 0);
    const std::vector<GPoint> pts = many_points();
    gpolyline(static_cast<int>(pts.size()), pts.data());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(close_hpgl(), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("ghpgl_close_file: spooling command failed\n"),
              std::string::npos);
    EXPECT_EQ(messages_.find("Created HPGL file"), std::string::npos);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(open_hpgl(path("no/such/x.hpgl")), -1);
    EXPECT_EQ(open_hpgl("+"), -1);
    EXPECT_EQ(open_hpgl("|"), -1);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gopen_ws: unable to open HPGL file " + path("no/such/x.hpgl") + ": No such file or directory\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("gopen_ws: unable to open HPGL file\n"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(path("no")));
    EXPECT_EQ(gchk_graphics(), 0);
    EXPECT_EQ(ghpgl_close_file(), -1);
    EXPECT_EQ(ghpgl_printf("ignored\n"), 0);
}

// The file name and the words from the environment; a PostScript open goes
// to HPGL when the printer is one.
TEST_F(GksHpglTest, EnvironmentNamesFileAndWords) {
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    setenv("orvhp_param", "nopcl,lwidth:1", 1);
    ASSERT_EQ(open_hpgl(""), 0);
    EXPECT_EQ(messages_, "Creating: orv.hpgl\n");
    ASSERT_EQ(close_hpgl(), 0);
    EXPECT_EQ(slurp(path("orv.hpgl")).rfind("IN;SP1;PA;\nPW1.0;SV;LT;\n", 0), 0U);
    setenv("orvhp_out", "env.hpgl", 1);
    setenv("orvprint", "HPGL", 1);
    ASSERT_EQ(gopen_gks(nullptr), 0);
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(gopen_ws(1, ",pcl", kWsPostScript), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(gtype_is_HPGL(), 1);
    ASSERT_EQ(close_hpgl(), 0);
    EXPECT_EQ(slurp(path("env.hpgl")).rfind(kPclStart, 0), 0U);
    for (const char* v : {"orvhp_out", "orvhp_param", "orvprint"}) unsetenv(v);
    std::filesystem::current_path(home);
}

}  // namespace
}  // namespace orv::test
