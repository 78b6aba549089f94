// The Newton refinement of a searched position on analytic measures whose
// behaviour is known in advance.
#include "chargeflip/refine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/e2e.h"

using namespace quilmo;

namespace {

struct Refined {
    bool succ;
    double x[8];
    std::vector<std::string> lines;
};

// Grid of 10 steps along each axis; u = x·10 is the position in grid steps.
Refined refine(const ShiftMeasure& m, std::vector<int> srch, std::initializer_list<double> start) {
    FArray<int> nvox(1, 3);
    nvox.fill(10);
    std::ostringstream out;
    TextOut log(out);
    Refined r{};
    std::copy(start.begin(), start.end(), r.x);
    r.succ = refinesympos(m, nvox, 3, srch, r.x, log, "(3f8.3,2X,f7.4)");
    log.close();
    r.lines = quilmo_test::lines_of(out.str());
    return r;
}

TEST(RefineSymPos, NewtonReachesTheMinimumOfAParabola) {
    auto m = [](const double* x) { return std::pow(x[0] * 10 - 0.1, 2) + 3 * std::pow(x[2] * 10 + 0.05, 2); };
    Refined r = refine(m, {1, 3}, {0, 0, 0});
    EXPECT_TRUE(r.succ);
    EXPECT_NEAR(r.x[0] * 10, 0.1, 1e-6);
    EXPECT_NEAR(r.x[2] * 10, -0.05, 1e-6);
    EXPECT_EQ(r.x[1], 0.0);  // not searched, never moved
    EXPECT_LE(r.lines.size(), 3u);
}

TEST(RefineSymPos, AStartAtTheMinimumTakesOneLoggedStep) {
    auto m = [](const double* x) { return std::pow(x[0] * 10 - 0.3, 2); };
    Refined r = refine(m, {1}, {0.03, 0, 0});
    EXPECT_TRUE(r.succ);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0], "   0.300   0.000   0.000   0.0000");
}

TEST(RefineSymPos, ALongNewtonStepIsCutToAFifthOfAGridStep) {
    auto m = [](const double* x) { return std::pow(x[0] * 10 - 0.5, 2); };
    Refined r = refine(m, {1}, {0, 0, 0});
    EXPECT_TRUE(r.succ);
    ASSERT_GE(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0].substr(0, 8), "   0.200");
    EXPECT_EQ(r.lines[1].substr(0, 8), "   0.400");
    EXPECT_NEAR(r.x[0] * 10, 0.5, 1e-6);
}

TEST(RefineSymPos, ZeroCurvatureIsSingularAndLogsNothing) {
    auto m = [](const double* x) { return std::pow(x[0] * 10 - 0.2, 2); };  // flat along the third axis
    Refined r = refine(m, {1, 3}, {0, 0, 0.05});
    EXPECT_FALSE(r.succ);
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(r.x[2], 0.05);
}

TEST(RefineSymPos, ASlowNewtonGivesUpAfterFortySteps) {
    // (u - 1.5)^10: every Newton step covers a ninth of the rest, so after
    // 40 steps the step is still longer than 0.0005 grid steps.  The scale
    // keeps the curvature far from what counts as singular.
    auto m = [](const double* x) { return 1e20 * std::pow(x[0] * 10 - 1.5, 10); };
    Refined r = refine(m, {1}, {0, 0, 0});
    EXPECT_FALSE(r.succ);
    EXPECT_EQ(r.lines.size(), 40u);
    EXPECT_LT(r.x[0] * 10, 1.5);
}

TEST(RefineSymPos, WanderingMoreThanTwoGridStepsFailsAfterTheStep) {
    // exp(-exp(u)) for u < 0: Newton heads for u -> -infinity with step
    // lengths 1/(1 - e^u) that shrink by less each time, so no damping
    // sets in; ten cut steps of 0.2 take it to two grid steps (rounding
    // decides whether the tenth or the eleventh is beyond).
    auto m = [](const double* x) { return std::exp(-std::exp(x[0] * 10)); };
    Refined r = refine(m, {1}, {-0.05, 0, 0});
    EXPECT_FALSE(r.succ);
    EXPECT_GE(r.lines.size(), 10u);
    EXPECT_LE(r.lines.size(), 11u);
    EXPECT_LE(r.x[0] * 10, -2.5 + 1e-9);  // the failing step was applied
}

}  // namespace
