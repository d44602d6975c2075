#include "core/flag.hpp"
#include <gtest/gtest.h>

namespace orv {
namespace {

class FlagTest : public ::testing::Test {
protected:
    void SetUp() override { FLAG_reset_for_tests(); }
    void TearDown() override { FLAG_reset_for_tests(); }
};

TEST_F(FlagTest, SlotsOutsideTheTable) {
    EXPECT_EQ(FLAG_get(30), 0);
    EXPECT_EQ(FLAG_set(30, 5), -1);
    EXPECT_EQ(FLAG_setl(30, 5), -1);
    EXPECT_EQ(FLAG_get(-1), 0);
    EXPECT_EQ(FLAG_set(-1, 5), -1);
    EXPECT_EQ(FLAG_getl(99), 0);
    EXPECT_EQ(FLAG_set(29, 5), 0);
    EXPECT_EQ(FLAG_get(29), 5);
}

TEST_F(FlagTest, SlotsHoldSixtyFourBitsAndGetGivesTheLowHalf) {
    EXPECT_EQ(FLAG_get(6), -9999);
    const std::int64_t big = (std::int64_t{1} << 40) + 7;
    FLAG_setl(6, big);
    EXPECT_EQ(FLAG_getl(6), big);
    EXPECT_EQ(FLAG_get(6), 7);
    FLAG_reset(3);
    EXPECT_EQ(FLAG_get(0), 3);
    EXPECT_EQ(FLAG_get(29), 3);
    FLAG_resetl(big);
    EXPECT_EQ(FLAG_getl(17), big);
}

TEST_F(FlagTest, BatchAndHelpNeedPositiveSlots) {
    EXPECT_EQ(FLAG_batch(), 0);
    EXPECT_EQ(FLAG_help(), 0);
    FLAG_set_batch(1);
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(FLAG_get(kFlagBatch), 1);
    FLAG_set_batch(0);
    EXPECT_EQ(FLAG_batch(), 0);
    FLAG_set(kFlagHelp, 2);
    EXPECT_EQ(FLAG_help(), 1);
}

TEST_F(FlagTest, PlotSwitchAggregatesCountTheirMembers) {
    for (int i = 0; i < kPlotSwitches; ++i) EXPECT_EQ(FLAG_getplot(i), 1U);
    FLAG_setplot(kPlotAll, 0);
    for (int i = 0; i < kPlotSwitches; ++i) EXPECT_EQ(FLAG_getplot(i), 0U) << i;
    FLAG_setplot(kPlotTextUR, 1);
    EXPECT_EQ(FLAG_getplot(kPlotText), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 2U);
    FLAG_setplot(kPlotText, 1);
    EXPECT_EQ(FLAG_getplot(kPlotText), 6U);
    EXPECT_EQ(FLAG_getplot(kPlotTextLL), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 12U);
    FLAG_setplot(kPlotAll, 1);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 6U + 6U + 5U);
    FLAG_setplot(13, 0);  // beyond the switches: nothing changes
    EXPECT_EQ(FLAG_getplot(13), 0U);
    EXPECT_EQ(FLAG_getplot(-1), 0U);
    EXPECT_EQ(FLAG_getplot(kPlotMap), 1U);
    FLAG_resetplot(0);
    EXPECT_EQ(FLAG_getplot(kPlotAll), 0U);
}
}  // namespace
}  // namespace orv
