#include <gtest/gtest.h>

#include <cmath>

#include "mem/iteration.h"

using namespace quilmo;

TEST(LambdaControl, GrowsTenPercentAndHalvesTheIncrementAfterADivergence) {
    LambdaControl c = start_control(1.0);
    EXPECT_EQ(judge_cycle(c, 1.0, 5.0, 6.0), Verdict::accepted);
    EXPECT_DOUBLE_EQ(c.lambda, 1.1);
    judge_cycle(c, 1.0, 4.0, 5.0);
    EXPECT_DOUBLE_EQ(c.lambda, 1.21);
    judge_cycle(c, 1.0, 3.0, 4.0);
    EXPECT_DOUBLE_EQ(c.lambda, 1.331);
    EXPECT_EQ(judge_cycle(c, 1.0, 3.5, 3.0), Verdict::diverged_repeat);
    EXPECT_DOUBLE_EQ(c.lambda, 0.99825);
    EXPECT_EQ(judge_cycle(c, 1.0, 2.0, 3.0), Verdict::accepted);
    EXPECT_DOUBLE_EQ(c.lambda, 0.99825 * 1.05);
    EXPECT_DOUBLE_EQ(c.lbdincrement, 0.05);
    judge_cycle(c, 1.0, 1.0, 2.0);  // the halving holds for good
    EXPECT_DOUBLE_EQ(c.lambda, 0.99825 * 1.05 * 1.05);
}

TEST(LambdaControl, NegativeInputFixesLambdaAndDivergenceEnds) {
    LambdaControl c = start_control(-0.01);
    EXPECT_EQ(c.lambda, 0.01);
    EXPECT_EQ(judge_cycle(c, 1.0, 2.0, 3.0), Verdict::accepted);
    EXPECT_EQ(c.lambda, 0.01);
    EXPECT_EQ(judge_cycle(c, 1.0, 4.0, 3.0), Verdict::diverged_stop);
    EXPECT_EQ(c.lambda, 0.01);
    EXPECT_EQ(judge_cycle(c, 1.0 / 200, 2.0, 3.0), Verdict::charge_kept);
    EXPECT_EQ(c.lambda, 0.01);
}

TEST(LambdaControl, ChargeWarningComesBeforeTheDivergenceCheck) {
    // Charge grown 200-fold: lambda / (1 + log10 200), even though the
    // constraint improved.
    LambdaControl c = start_control(2.0);
    EXPECT_EQ(judge_cycle(c, 1.0 / 200, 1.0, 3.0), Verdict::charge_repeat);
    EXPECT_DOUBLE_EQ(c.lambda, 2.0 / (1 + std::log10(200.0)));
    // Within 101.1 nothing is said.
    EXPECT_EQ(judge_cycle(c, 1.0 / 101, 1.0, 3.0), Verdict::accepted);
}

TEST(LambdaControl, ShrinkingChargeKeepsLambdaPositive) {
    LambdaControl c = start_control(2.0);
    EXPECT_EQ(judge_cycle(c, 200.0, 1.0, 3.0), Verdict::charge_repeat);
    EXPECT_DOUBLE_EQ(c.lambda, 2.0 / (1 + std::log10(200.0)));
}

TEST(LambdaControl, OnlyADensityWithItsOwnStatisticsMayEndTheRun) {
    EXPECT_TRUE(reached_aim(Verdict::accepted, 0.9, 1.0));
    EXPECT_TRUE(reached_aim(Verdict::charge_kept, 1.0, 1.0));
    EXPECT_FALSE(reached_aim(Verdict::accepted, 1.1, 1.0));
    // A rejected cycle that met the aim: its density was replaced by the
    // backup, which has not met it.
    EXPECT_FALSE(reached_aim(Verdict::charge_repeat, 0.5, 1.0));
    EXPECT_FALSE(reached_aim(Verdict::diverged_repeat, 0.5, 1.0));
}
