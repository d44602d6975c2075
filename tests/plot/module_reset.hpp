// Every module the plot and grid tests touch, back to its start, and a
// fixture that starts and ends each test so; the headers (and the standard
// ones the tests use) come with it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/unittool.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/maptran.hpp"
#include "geo/region.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "gks/ps_render.hpp"
#include "grid/calc.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "mos/cty_tool.hpp"
#include "plot/colors.hpp"
#include "plot/cont.hpp"
#include "plot/data.hpp"
#include "plot/data_plt.hpp"
#include "plot/object.hpp"
#include "plot/plot_recorder.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"
#include "plot/raw_plt.hpp"
#include "plot/raw_read.hpp"
#include "plot/vect_plt.hpp"
#include "plot/wx_symb.hpp"
#include "support/run_program.hpp"

namespace orv::test {

inline void reset_modules() {
    gks_reset_all_for_tests();
    gks_text_reset_for_tests();
    GPH_reset_for_tests();
    CLR_reset_for_tests();
    RES_reset_for_tests();
    FLAG_reset_for_tests();
    MESS_reset_for_tests();
    FILE_reset_for_tests();
    UNIT_reset_for_tests();
    VAR_reset_for_tests();
    MAP_reset_for_tests();
    MAP_draw_reset_for_tests();
    CTY_reset_for_tests();
    GRD_reset_for_tests();
    GRD_file_reset_for_tests();
    CONT_reset_for_tests();
    OBJ_reset_for_tests();
    DATA_reset_for_tests();
    DATA_plt_reset_for_tests();
    RAW_plt_reset_for_tests();
    RAW_read_reset_for_tests();
    WX_reset_for_tests();
    VECT_reset_for_tests();
    PLT_reset_for_tests();
}
// What f writes to standard error, or to standard output.
template <typename F>
std::string stderr_of(F f) {
    ::testing::internal::CaptureStderr();
    f();
    return ::testing::internal::GetCapturedStderr();
}
template <typename F>
std::string stdout_of(F f) {
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// A latitude/longitude domain of nx x ny points `spacing` degrees apart
// around (40 N, 100 W).
inline Domain latlon_domain(int nx, int ny, float spacing = 1.0F) {
    Domain d;
    d.proj = kProjLatLon;
    d.clat = 40.0F;
    d.clon = -100.0F;
    d.dx = d.dy = spacing;
    d.nx = nx;
    d.ny = ny;
    return d;
}
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { reset_modules(); }
    void TearDown() override { reset_modules(); }
    orv::testing::ScratchDir dir_;
};

// The same with the recording workstation, opened by the test, closed at its end.
class RecorderTest : public ModuleTest {
protected:
    void TearDown() override {
        gclose_ws(1);
        g_recording = nullptr;
        ModuleTest::TearDown();
    }
    Recording drawn_;
};

}  // namespace orv::test
