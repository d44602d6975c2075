#include "gks/gks_meta.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gks/cgm_reader.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"

namespace orv::test {
namespace {

// Drawing that uses every command of the text metafile.
void scene() {
    const float win[4] = {-10.0F, 10.0F, -5.0F, 5.0F};
    const float vp[4] = {0.1F, 0.9F, 0.1F, 0.7F};
    gset_win(2, win);
    gset_vp(2, vp);
    gsel_norm_tran(2);
    gset_colr_rep(1, 7, 0.2F, 0.4F, 0.6F);
    gset_line_colr_ind(7);
    gset_linewidth(2.5F);
    gset_linetype(3);
    const GPoint line[9] = {{-9.5F, -4.0F}, {-3.141593F, 2.5F}, {0, 0}, {1, 1}, {2, -1}, {3, 4.25F},
                            {4, 0.125F}, {5, -4.5F}, {9.75F, 4.75F}};
    gpolyline(9, line);
    gset_fill_colr_ind(4);
    gset_fill_int_style(2);
    gset_fill_style_ind(5);
    const GPoint area[5] = {{0, 0}, {5, 0}, {5, 3}, {2, 4}, {0, 3}};
    gfill_area(5, area);
    gset_marker_type(4);
    gset_marker_size(1.5F);
    gset_marker_colr_ind(3);
    gset_marker_width(2.0F);
    gpolymarker(3, area);
    gset_fontprec(3, 2);
    gset_char_ht(0.02F);
    gset_char_up_vec(1.0F, 1.0F);
    gset_text_align(2, 3);
    gset_text_colr_ind(6);
    gset_expan(1.25F);
    gset_space(0.375F);
    gset_char_space(0.125F);
    gset_text_width(2.0F);
    gtext(1.5F, -2.25F, "Label 12 km/h");
    gsel_norm_tran(1);
    gset_line_print_bold(2);
    gset_fill_print_solid(1);
    const GPoint corner[3] = {{0.25F, 0.5F}, {0.75F, 0.125F}, {0.5F, 0.0F}};
    gpolyline(3, corner);
    gfill_area(3, corner);
    gset_fill_print_solid(0);
}

class GksMetaTest : public GksTest {
protected:
    void SetUp() override {
        GksTest::SetUp();
        unsetenv("orvmeta_out");
        MESS_set(-1, static_cast<int>(kMessPrint));  // no "Creating metafile" lines
    }
    int open_meta(const std::string& text) {
        if (gopen_gks(nullptr) != 0) return -1;
        return gopen_ws(1, text.c_str(), kWsMeta);
    }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }
};

// Commands as they stand in the file, each written once per change.
TEST_F(GksMetaTest, TextCommands) {
    const GPoint p[9] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}, {15, 16}, {17, 18}};
    const float r[4] = {-1.0F, 2.0F, -3.0F, 4.5F};
    struct Case {
        std::function<void()> draw;
        std::string want;
    };
    const Case cases[] = {
        {[&] { gpolymarker(3, p); }, "PM 3 1.000000,2.000000 3.000000,4.000000 5.000000,6.000000 \n"},
        {[&] { gpolyline(9, p); },
         "PL 9 1.000000,2.000000 3.000000,4.000000 5.000000,6.000000 7.000000,8.000000 \n"
         "   9.000000,10.000000 11.000000,12.000000 13.000000,14.000000 15.000000,16.000000 \n"
         "   17.000000,18.000000 \n"},
        {[&] { gfill_area(4, p); },
         "FA 4 1.000000,2.000000 3.000000,4.000000 5.000000,6.000000 7.000000,8.000000 \n"},
        {[&] { gset_win(3, r); gset_vp(3, r); gsel_norm_tran(3); },
         "WIN 3 -1.000000 -3.000000 2.000000 4.500000\nVP 3 -1.000000 -3.000000 2.000000 4.500000\nTR 3\n"},
        {[&] { gset_line_colr_ind(5); gset_line_colr_ind(5); gset_linewidth(0.0F); gset_linetype(2); },
         "PL_CLR 5\nPL_LW 0.000000\nPL_TYPE 2\n"},
        {[&] { gset_marker_colr_ind(9); gset_marker_size(2.5F); gset_marker_type(6); gset_marker_width(3.0F); },
         "PM_CLR 9\nPM_SIZE 2.500000\nPM_TYPE 6\nPM_WDTH 3.000000\n"},
        {[&] { gset_fill_colr_ind(2); gset_fill_int_style(2); gset_fill_style_ind(7); },
         "FA_CLR 2\nFA_INT 2\nFA_ST 7\n"},
        {[&] {
             gset_text_colr_ind(4); gset_char_ht(0.03F); gset_expan(2.0F); gset_text_width(1.5F);
             gset_space(0.5F); gset_char_space(0.25F); gset_char_up_vec(0.0F, -2.0F); gset_text_align(3, 5);
         },
         "TE_CLR 4\nTE_HGHT 0.030000\nTE_EXP 2.000000\nTE_WDTH 1.500000\nTE_SPC 0.500000\nTE_CSPC 0.250000\n"
         "TE_UP 0.000000,-1.000000\nTE_ALGN 3 5\n"},
        {[&] { gtext(0.5F, 0.25F, "two\nlines"); }, "TE 0.500000,0.250000 two lines\n"},
        {[&] { gset_colr_rep(1, 7, 0.5F, 0.25F, 1.0F); }, "CLR 1 7 0.500000 0.250000 1.000000\n"},
        {[&] { gmessage(1, "hello"); }, "ME hello\n"},
        {[&] { EXPECT_EQ(gcreate_seg(3), -1); gclose_seg(3); gdel_seg(3); }, "SEG_CR 3\nSEG_CL 3\nSEG_DE 3\n"},
    };
    for (const Case& c : cases) {
        reset();
        MESS_set(-1, static_cast<int>(kMessPrint));
        ASSERT_EQ(open_meta(path("t.meta")), 0);
        EXPECT_EQ(gtype_is_META(), 1);
        const float window[4] = {0.0F, 20.0F, 0.0F, 20.0F};
        gset_win(0, window);
        c.draw();
        ASSERT_EQ(gclose_ws(1), 0);
        const std::string text = slurp(path("t.meta"));
        ASSERT_EQ(text.rfind("ORVMETA\n#Title: ORV Graphics Display: ", 0), 0U);
        const std::string drawing_starts = "WIN 0 0.000000 0.000000 20.000000 20.000000\n";
        const std::size_t start = text.find(drawing_starts);
        ASSERT_NE(start, std::string::npos) << text;
        EXPECT_EQ(text.substr(start + drawing_starts.size()), c.want);
    }
}

// "+" appends a plot (one header line, a title per plot); "|" pipes.
TEST_F(GksMetaTest, AppendAndSpool) {
    const std::string file = path("a.meta");
    for (int k = 0; k < 2; ++k) {
        reset();
        ASSERT_EQ(open_meta("+" + file), 0);
        scene();
        ASSERT_EQ(gclose_ws(1), 0);
    }
    reset();
    ASSERT_EQ(open_meta("|cat > " + path("piped.meta")), 0);
    scene();
    ASSERT_EQ(gclose_ws(1), 0);
    const std::string text = slurp(file);
    const std::string piped = slurp(path("piped.meta"));
    EXPECT_EQ(text.rfind("ORVMETA\n", 0), 0U);
    EXPECT_EQ(text.find("ORVMETA", 1), std::string::npos);
    EXPECT_EQ(count_of(text, "#Title: "), 2);
    const std::string drawing = piped.substr(piped.find('\n', piped.find("#Title: ")));
    EXPECT_GT(drawing.size(), 500U);
    EXPECT_EQ(count_of(text, drawing), 2) << text;
    reset();
    EXPECT_EQ(open_meta(path("no/such/dir/x.meta")), -1);
}

// Damaged input is reported and skipped; what is sound is still drawn and
// the output stays a valid picture.
TEST_F(GksMetaTest, DamagedInput) {
    const std::string head = "ORVMETA\n";
    const std::string ok = "PL 2 0.1,0.1 0.9,0.9\n";
    std::string junk(4096, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 251);
    struct Case {
        std::string content;
        int result;
        int drawn;  // primitives that reach the device
        std::string message;
        bool render = false;  // Ghostscript reads the PostScript written
    };
    const Case cases[] = {
        {junk, -1, 0, "Not a metafile"},
        {"", -1, 0, "Not a metafile"},
        {head + junk + "\n" + ok, 0, 1, "records of", true},
        {head + ok + "PL 5 0.1,0.1 0.2,0.2", 0, 1, "Damaged record at line 3"},
        {head + "PL 2 0.1,0.1\n" + ok, 0, 1, "Damaged record at line 2"},
        {head + "XYZZY 1 2\n" + ok, 0, 1, "Unknown record at line 2"},
        {head + std::string(5000, 'K') + "\n" + ok, 0, 1, "Unknown record"},
        {head + "TE 0.5,0.5 " + std::string(100000, 'a') + "\n" + ok, 0, 2, "", true},
        {head + "PL 2 1e30,1e30 -1e30,-1e30\n" + ok, 0, 2, "", true},
        {head + "PL 2 1e39,0 0,0\n" + ok, 0, 1, "Damaged record"},
        {head + "PL 2 nan,0 0,0\n" + ok, 0, 1, "Damaged record"},
        {head + "WIN 0 -3e38 0 3e38 1\n" + ok, 0, 1, "Damaged record"},
        {head + "PL 999999999 0,0 1,1\n" + ok, 0, 1, "Damaged record"},
        {head + "PL -2 0,0 1,1\n" + ok, 0, 1, "Damaged record"},
        {head + "PL_CLR\n" + ok, 0, 1, "Damaged record at line 2"},
        {head + "TR 77\n" + ok, 0, 1, "invalid transformation number"},
        {head + "CLR 1 9999 1 1 1\nPL_CLR 9999\n" + ok, 0, 1, "invalid color index"},
    };
    for (const Case& c : cases) {
        const std::string file = write("bad.meta", c.content);
        reset();
        MESS_set(-1, static_cast<int>(kMessPrint));
        ASSERT_EQ(open_ps(path("bad.ps")), 0);
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(gread_metafile(file.c_str()), c.result) << c.content.substr(0, 40);
        const std::string said = ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
        ASSERT_EQ(gclose_ws(1), 0);
        const std::string ps = slurp(path("bad.ps"));
        EXPECT_EQ(count_of(ps, "%%PL:") + count_of(ps, "%%TE:"), c.drawn) << c.content.substr(0, 40);
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        EXPECT_LE(count_of(said, "gread_metafile:"), 6) << said;
        if (c.render) expect_renders(path("bad.ps"));
    }
    reset();
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(gread_metafile(path("missing.meta").c_str()), -1);
    const std::string said = ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("gread_metafile: Unable to open image file: "), std::string::npos) << said;
}

// The binary CGM decodes as the standard lays it out: one metafile, a
// picture per frame or appended plot, and the polylines and polygons with
// their points in tenths of the 1000 x 800 device area.
TEST_F(GksMetaTest, BinaryCgmDecodes) {
    const float win[4] = {0.0F, 100.0F, 0.0F, 80.0F};
    std::vector<GPoint> long_line;
    for (int i = 0; i < 10000; ++i) long_line.push_back({static_cast<float>(i % 100), static_cast<float>(i % 80)});
    const GPoint tri[3] = {{10, 10}, {90, 10}, {50, 70}};
    const auto draw = [&] {
        gset_win(1, win);
        gsel_norm_tran(1);
        gset_colr_rep(1, 5, 1.0F, 0.0F, 0.0F);
        gset_line_colr_ind(5);
        gpolyline(3, tri);
        gset_fill_colr_ind(5);
        gfill_area(3, tri);
        gpolyline(static_cast<int>(long_line.size()), long_line.data());
        const GPoint far[2] = {{0, 0}, {10000, 4000}};  // device (79900, 39950): cut, not squeezed
        gpolyline(2, far);
        const GPoint wide[4] = {{-1000, -1000}, {1000, -1000}, {1000, 1000}, {-1000, 1000}};
        gfill_area(4, wide);  // cut to the guard box round the picture
    };
    struct Case {
        std::vector<std::string> texts;  // one workstation per text
        int new_frame;                   // draws again: 1 after a clear, 2 after a frame's end
        int pictures;
    };
    const std::string file = path("m.cgm");
    const Case cases[] = {
        {{file + ",cgm"}, 0, 1},
        {{file + ",cgm"}, 1, 2},
        {{file + ",cgm"}, 2, 2},
        {{"+" + file + ",cgm", "+" + file + ",cgm"}, 0, 2},
    };
    for (const Case& c : cases) {
        std::remove(file.c_str());
        for (const std::string& text : c.texts) {
            reset();
            ASSERT_EQ(open_meta(text), 0);
            draw();
            if (c.new_frame != 0) {
                if (c.new_frame == 1) gclear_ws(1, 1);
                else gmeta_end_frame();
                draw();
            }
            ASSERT_EQ(gclose_ws(1), 0);
        }
        std::string error;
        const CgmFile cgm = read_cgm(slurp(file), &error);
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_GE(cgm.elements.size(), 8U);
        EXPECT_EQ(cgm.elements.front().id(), CgmId(0, 1));
        EXPECT_EQ(cgm.elements.back().id(), CgmId(0, 2));
        EXPECT_EQ(cgm.description, "ORVCGM-1.0");
        EXPECT_EQ(cgm.count(0, 1), 1);
        ASSERT_EQ(cgm.pictures.size(), static_cast<std::size_t>(c.pictures));
        for (const CgmPicture& pic : cgm.pictures) {
            EXPECT_EQ(pic.extent, (std::vector<int>{0, 0, 10000, 8000}));
            ASSERT_EQ(pic.polylines.size(), 3U);
            ASSERT_EQ(pic.polygons.size(), 2U);
            // world (10, 10) of a 100 x 80 window: NDC (0.1, 0.125) on the 799 x 799 square
            const std::vector<CgmPoint> want = {{799, 999}, {7191, 999}, {3995, 6991}};
            EXPECT_EQ(pic.polylines[0], want);
            EXPECT_EQ(pic.polygons[0], want);
            EXPECT_EQ(pic.polylines[1].size(), long_line.size());
            EXPECT_EQ(pic.polylines[2], (std::vector<CgmPoint>{{0, 0}, {32000, 16000}}));
            std::vector<CgmPoint> cut = pic.polygons[1];
            std::sort(cut.begin(), cut.end(), [](const CgmPoint& a, const CgmPoint& b) {
                return a.x != b.x ? a.x < b.x : a.y < b.y;
            });
            EXPECT_EQ(cut, (std::vector<CgmPoint>{{-16000, -16000}, {-16000, 32000}, {32000, -16000}, {32000, 32000}}));
            EXPECT_EQ(pic.line_colors.front(), (std::vector<int>{255, 0, 0}));
        }
    }
}

}  // namespace
}  // namespace orv::test
