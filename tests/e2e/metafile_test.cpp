// Batch runs that write metafiles: the demo map as a text metafile replayed
// to PostScript, as binary CGM, and a metafile drawn over a map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_meta.hpp"
#include "gks/gks_ps.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/ps_render.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

// The drawing of a PostScript file's first plot, without the lines that
// name the plot.
std::vector<std::string> drawing(const std::string& ps) {
    std::vector<std::string> lines = test::lines_of(ps);
    const auto begin = std::find(lines.begin(), lines.end(), "%%Begin plot");
    const auto end = std::find(begin, lines.end(), "%%End of plot");
    std::vector<std::string> out;
    for (auto it = begin; it != end; ++it)
        if (it->rfind("%%ORV Plot:", 0) != 0) out.push_back(*it);
    // up to the last line that draws (a finished page takes no clip paths)
    while (!out.empty() && out.back() != "stroke" && out.back() != "fill") out.pop_back();
    return out;
}

// Lines agree when their words do, numbers to within a hundredth of a point.
bool same_line(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::istringstream sa(a), sb(b);
    std::string wa, wb;
    while (sa >> wa) {
        if (!(sb >> wb)) return false;
        if (wa == wb) continue;
        char* ea = nullptr;
        char* eb = nullptr;
        const double va = std::strtod(wa.c_str(), &ea);
        const double vb = std::strtod(wb.c_str(), &eb);
        if (*ea != '\0' || *eb != '\0' || std::fabs(va - vb) > 0.0101) return false;
    }
    return !(sb >> wb);
}

// Replays a metafile to a letter-size colour PostScript file in this process,
// with the shipped fonts.
void replay_to_postscript(const std::string& meta, const std::string& ps) {
    gks_reset_all_for_tests();
    RES_reset_for_tests();
    MESS_set(-1, static_cast<int>(kMessPrint));
    RES_put("file_path", ORV_DATA_DIR);
    gtext_register_hooks();
    gps_set_colorPS(1);
    gset_inverse(1);
    ASSERT_EQ(gopen_gks(nullptr), 0);
    ASSERT_EQ(gopen_ws(1, ps.c_str(), kWsPostScript), 0);
    // the picture the plotting layer lays out: the device's shape
    float x = 1, y = 1;
    ginq_maxview(1, &x, &y);
    const float whole[4] = {0, x, 0, y};
    gset_ws_win(1, whole);
    EXPECT_EQ(gread_metafile(meta.c_str()), 0);
    EXPECT_EQ(gclose_ws(1), 0);
    gclose_gks();
    gks_reset_all_for_tests();
    RES_reset_for_tests();
}

// The demo map as a text metafile, replayed to PostScript, draws what the
// program draws as PostScript itself. The metafile's picture area takes the
// printer's shape (756 x 576), so that both lay the map out alike.
TEST(Metafile, DemoMapReplaysAsDrawn) {
    ScratchDir dir;
    const RunResult direct = run_mosplot(dir, demo_args("p,direct.ps"));
    ASSERT_EQ(direct.status, 0) << direct.out << direct.err;
    const RunResult meta = run_mosplot(dir, demo_args("m,map.meta", {"-ge", "P0.7565x0.7205+0+0"}));
    ASSERT_EQ(meta.status, 0) << meta.out << meta.err;
    EXPECT_NE(meta.out.find("Created metafile"), std::string::npos) << meta.out;
    replay_to_postscript(dir.file("map.meta"), dir.file("replay.ps"));
    const std::vector<std::string> want = drawing(read_file(dir.file("direct.ps")));
    const std::vector<std::string> got = drawing(read_file(dir.file("replay.ps")));
    ASSERT_GT(want.size(), 1000U);
    ASSERT_EQ(got.size(), want.size());
    int differ = 0;
    for (std::size_t i = 0; i < want.size(); ++i)
        if (!same_line(got[i], want[i]) && ++differ <= 5) ADD_FAILURE() << i << ": " << got[i] << " | " << want[i];
    EXPECT_EQ(differ, 0);
    std::string log;
    EXPECT_TRUE(!test::have_ghostscript() || test::ps_renders(dir.file("replay.ps"), dir.path(), &log)) << log;
}

// A map list's "mf:" entry draws the metafile over the map; the frame's
// labels after it keep their own place.
TEST(Metafile, OverlayDrawsOverTheMap) {
    ScratchDir dir;
    // a cross over the picture (transformation 1) in a colour of its own
    dir.write("cross.meta", "ORVMETA\nTR 1\nCLR 1 200 0.11 0.22 0.33\nPL_CLR 200\nPL_LW 6\n"
                            "PL 2 0.2,0.2 0.8,0.6\nPL 2 0.2,0.6 0.8,0.2\n");
    const RunResult plain = run_mosplot(dir, demo_args("p,plain.ps"));
    ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
    const RunResult over = run_mosplot(dir, demo_args("p,over.ps", {"-mf", "orv.map,+mf:" + dir.file("cross.meta")}));
    ASSERT_EQ(over.status, 0) << over.out << over.err;
    const std::vector<std::string> without = drawing(read_file(dir.file("plain.ps")));
    const std::vector<std::string> with = drawing(read_file(dir.file("over.ps")));
    const auto first = std::find(with.begin(), with.end(), "0.11 0.22 0.33 setrgbcolor");
    ASSERT_NE(first, with.end());
    // the cross comes after the contours and the map, before the labels
    const auto pos = static_cast<std::size_t>(first - with.begin());
    ASSERT_GT(pos, without.size() / 2);
    const auto tail = [](const std::vector<std::string>& v, std::size_t n) {
        return std::vector<std::string>(v.end() - static_cast<long>(std::min(n, v.size())), v.end());
    };
    const std::size_t labels = 200;
    EXPECT_EQ(tail(with, labels), tail(without, labels));
    EXPECT_EQ(std::count(with.begin(), with.end(), "%%PL:2"), std::count(without.begin(), without.end(), "%%PL:2") + 2);
}

}  // namespace
}  // namespace orv::testing
