// Normalised amplitudes: epsilon factors with and without centering, and the
// mean-intensity curves of a Wilson fit and of local shells.
#include "chargeflip/normalize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chargeflip/cf_state.h"

using namespace quilmo;

namespace {

TEST(Epsilon, OperatorsThatLeaveTheIndicesAloneCenteringIncluded) {
    RunState p21;
    cftest::grid(p21, 4, 4, 4);
    cftest::operators(p21, cftest::p21());
    // C2 (unique axis b) after the expansion by its centering (1/2, 1/2, 0).
    std::vector<cftest::Op> c2 = cftest::p21();
    c2[1].t[1] = 0;
    for (int j = 0; j < 2; ++j) {
        cftest::Op o = c2[static_cast<std::size_t>(j)];
        o.t[0] += 0.5;
        o.t[1] += 0.5;
        c2.push_back(o);
    }
    RunState centred;
    cftest::grid(centred, 4, 4, 4);
    cftest::operators(centred, c2);
    struct Case {
        std::array<int, 9> h;
        int p21, c2;
    } cases[] = {
        {{0, 3, 0}, 2, 4},   // on the twofold axis
        {{2, 0, 1}, 1, 2},   // h0l: mapped onto -h, which is another reflection
        {{1, 2, 3}, 1, 2},
        {{0, 0, 0}, 2, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(epsilon(p21, c.h), c.p21) << c.h[0] << c.h[1] << c.h[2];
        EXPECT_EQ(epsilon(centred, c.h), c.c2) << c.h[0] << c.h[1] << c.h[2];
    }
}

// s² from 0 to 2 in 1000 steps with a given intensity law.
std::vector<std::pair<double, double>> points(double (*law)(double), int n = 1000) {
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i < n; ++i) {
        const double s2 = 2.0 * (i + 0.5) / n;
        p.emplace_back(s2, law(s2));
    }
    return p;
}

TEST(IntensityCurve, WilsonFitFindsScaleAndB) {
    // <I> = 100 exp(-B s²/2) with B = 3 A².
    const IntensityCurve c = wilson_curve(points([](double s2) { return 100 * std::exp(-1.5 * s2); }));
    EXPECT_TRUE(c.s2.empty());
    EXPECT_NEAR(-2 * c.slope, 3.0, 0.01);
    EXPECT_NEAR(std::exp(c.lnk), 100.0, 1.0);
    EXPECT_NEAR(c(1.2), 100 * std::exp(-1.8), 0.5);
}

TEST(IntensityCurve, LocalShellsFollowWhatNoStraightLineFits) {
    // A step at s² = 1 that a Wilson line would smear over the whole range.
    const auto step = points([](double s2) { return s2 < 1 ? 100.0 : 10.0; });
    const IntensityCurve c = local_curve(step);
    ASSERT_EQ(c.s2.size(), 10u);  // 1000 reflections in shells of 100
    EXPECT_NEAR(c(0.3), 100.0, 1e-9);
    EXPECT_NEAR(c(1.7), 10.0, 1e-9);
    EXPECT_LT(c(0.95), 100.0);  // smoothed across the step
    EXPECT_GT(c(0.95), 10.0);
    EXPECT_EQ(c(-1.0), c(c.s2.front()));  // held beyond the ends
    EXPECT_EQ(c(9.0), c(c.s2.back()));
    EXPECT_EQ(local_curve(points([](double) { return 1.0; }, 20000)).s2.size(),
              static_cast<std::size_t>(kMaxShells));
    EXPECT_EQ(local_curve(points([](double) { return 1.0; }, 60)).s2.size(), 1u);
    // Shells of zero intensity still give a finite, positive curve.
    const IntensityCurve z = local_curve(points([](double s2) { return s2 < 1.5 ? 4.0 : 0.0; }));
    EXPECT_GT(z(1.9), 0.0);
    EXPECT_TRUE(std::isfinite(std::log(z(1.9))));
}

}  // namespace
