#include "core/flag.hpp"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace orv {
namespace {

class FlagTest : public ::testing::Test {
protected:
    void SetUp() override { FLAG_reset_for_tests(); }
    void TearDown() override { FLAG_reset_for_tests(); }
};

TEST_F(FlagTest, SlotsOutsideTheTable) {
    EXPECT_EQ((std::vector<std::int64_t>{FLAG_get(30), FLAG_set(30, 5), FLAG_setl(30, 5), FLAG_get(-1), FLAG_set(-1, 5),
                                         FLAG_getl(99), FLAG_set(29, 5), FLAG_get(29)}),
              (std::vector<std::int64_t>{0, -1, -1, 0, -1, 0, 0, 5}));
}

TEST_F(FlagTest, PlotSwitchAggregatesCountTheirMembers) {
    for (int i = 0; i < kPlotSwitches; ++i) EXPECT_EQ(FLAG_getplot(i), 1U);
    FLAG_setplot(kPlotAll, 0);
    for (int i = 0; i < kPlotSwitches; ++i) EXPECT_EQ(FLAG_getplot(i), 0U) << i;
    FLAG_setplot(kPlotTextUR, 1);
    EXPECT_EQ(FLAG_getplot(kPlotText), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 2U);
    FLAG_setplot(kPlotText, 1);
    EXPECT_EQ((std::vector{FLAG_getplot(kPlotText), FLAG_getplot(kPlotTextLL), FLAG_getplot(kPlotAll)}),
              (std::vector{6U, 1U, 12U}));
    FLAG_setplot(kPlotAll, 1);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 6U + 6U + 5U);
    FLAG_setplot(13, 0);  // beyond the switches: nothing changes
    EXPECT_EQ((std::vector{FLAG_getplot(13), FLAG_getplot(-1), FLAG_getplot(kPlotMap)}), (std::vector{0U, 0U, 1U}));
    FLAG_resetplot(0);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 0U);
}
}  // namespace
}  // namespace orv
