// Every module the plot and grid tests touch, back to its start, and a
// fixture that starts and ends each test so; the headers come with it.
#pragma once

#include <gtest/gtest.h>

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
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"
#include "plot/raw_plt.hpp"
#include "plot/raw_read.hpp"
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
    PLT_reset_for_tests();
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { reset_modules(); }
    void TearDown() override { reset_modules(); }
    orv::testing::ScratchDir dir_;
};

}  // namespace orv::test
