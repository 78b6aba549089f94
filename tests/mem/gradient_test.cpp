#include "mem/gradient.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mem/fixture.h"
#include "textio/stop.h"
#include "support/sf.h"

using namespace quilmo;
using memtest::entry;

namespace {

// A 4x1x1 grid whose expanded list holds the given F entries at positions
// 2, 4, ... of sf.
void with_memrefl(RunState& st, std::initializer_list<reftyp> fs) {
    memtest::tiny_grid(st, 4, 1, 1, 4.0);
    memtest::f_only(st, fs);
    st.memrefl.allocate(1, static_cast<long>(fs.size()));
    int i = 1;
    for (const reftyp& e : fs) {
        st.memrefl(i) = e;
        st.memrefl(i).sfloc = 2 * (i - 1);
        ++i;
    }
    st.msec.f.start = 1;
    st.msec.f.end = st.msec.prif.end = static_cast<int>(fs.size());
    quilmo_test::scribble_sf(st, 99.0);  // whatever was there must go
}

}  // namespace

TEST(FillFGCon, OrderTwoWritesDifferenceOverSigmaSquared) {
    RunState st;
    with_memrefl(st, {entry(10, 0, 10, 0, 1), entry(3, 1, 4, -1, 2)});
    fillfgcon(st);
    EXPECT_DOUBLE_EQ(quilmo_test::sf_part(st, 2), 1.0 / 4.0);
    EXPECT_DOUBLE_EQ(quilmo_test::sf_part(st, 3), -2.0 / 4.0);
    EXPECT_EQ(quilmo_test::sf_part(st, 0), 0.0);
    EXPECT_EQ(quilmo_test::sf_part(st, 4), 0.0);
    EXPECT_EQ(quilmo_test::sf_part(st, 7), 0.0);
}

TEST(FillFGCon, OrderFourCarriesSquaredDifferenceAndMultiplicity) {
    // |dF|^2 = 2, weight 1/4, mult 2: c = 2 * 2 * (1/16) / 2 = 1/8.
    RunState st;
    with_memrefl(st, {entry(10, 0, 10, 0, 1), entry(0, 0, 1, 1, 2, 2)});
    st.actcon = 4;
    fillfgcon(st);
    EXPECT_DOUBLE_EQ(quilmo_test::sf_part(st, 2), 0.125);
    EXPECT_DOUBLE_EQ(quilmo_test::sf_part(st, 3), 0.125);
}

TEST(FillFGCon, PerfectFitClearsTheWholeArray) {
    RunState st;
    with_memrefl(st, {entry(10, 0, 10, 0, 1), entry(3, 1, 3, 1, 2)});
    fillfgcon(st);
    for (long k = 0; k <= st.lstel; ++k) EXPECT_EQ(quilmo_test::sf_part(st, k), 0.0) << k;
}

TEST(FillFGCon, OddOrderStops) {
    RunState st;
    with_memrefl(st, {entry(10, 0, 10, 0, 1)});
    st.actcon = 3;
    try {
        fillfgcon(st);
        FAIL() << "no stop";
    } catch (const RunStop& s) {
        EXPECT_EQ(s.message(), "Only even ActCon possible!");
    }
}

TEST(FillFGCon, GroupMembersGetTheGroupFactorTimesTheirOwnValue) {
    RunState st;
    with_memrefl(st, {entry(10, 0, 10, 0, 1)});
    // refl: F(000), group 1 of one member with Gobs 2, sigma 1; gcalc 3.
    st.refl.allocate(1, 2);
    st.refl(1) = entry(10, 0, 10, 0, 1);
    st.refl(2) = entry(0, 0, 3, 0, 1, 2);
    st.refl(2).f = 2;
    st.sec.g.start = st.sec.g.end = 2;
    st.ggroups = 1;
    st.gdiff.allocate(1, 1);
    st.gdiff(1) = 1;
    st.gcalc.allocate(1, 1);
    st.gcalc(1) = 3;
    st.sumgm.allocate(1, 1);
    st.sumgm(1) = 2;
    // Expanded group: two entries at positions 4 and 6.
    st.memrefl.allocate(1, 3);
    st.memrefl(1) = entry(10, 0, 10, 0, 1);
    st.memrefl(2) = entry(0, 0, 3, 0, 1);
    st.memrefl(3) = entry(0, 0, 0, 3, 1);
    st.memrefl(2).sfloc = 4;
    st.memrefl(3).sfloc = 6;
    st.memrefl(2).hklfg[8] = st.memrefl(3).hklfg[8] = 1;
    st.msec.g.start = 2;
    st.msec.g.end = 3;
    fillfgcon(st);
    // pfac = 1 * 1 * modwg 1 * dG 1 * weight 1 / (sumgm 2 * gcalc 3) = 1/6.
    EXPECT_DOUBLE_EQ(quilmo_test::sf_part(st, 4), 3.0 / 6.0);
    EXPECT_EQ(quilmo_test::sf_part(st, 5), 0.0);
    EXPECT_DOUBLE_EQ(quilmo_test::sf_part(st, 7), 3.0 / 6.0);
    // A group without calculated value contributes nothing.
    st.gcalc(1) = 0;
    fillfgcon(st);
    EXPECT_EQ(quilmo_test::sf_part(st, 4), 0.0);
}

// The starting lambda, computed the plain way, for comparison.
static double plain_startlambda(const std::vector<double>& g, const std::vector<double>& m,
                                const std::vector<double>& rau, double charge) {
    double lmax = 1e99;
    for (double x : g) lmax = std::min(lmax, 707.0 / std::max(std::fabs(x), 1e-6));
    double sum = 0;
    for (std::size_t i = 0; i < g.size(); ++i) sum += m[i] * rau[i] * std::exp(-lmax * g[i]);
    double rhonorm = charge / sum;
    double lambda = 0;
    if (std::fabs(std::log(rhonorm)) > kChargeLimit) lambda = lmax / (1 + std::log10(1 / rhonorm));
    return lambda / 10;
}

TEST(StartLambda, LargestGradientFixesLambdaMax) {
    // Gradients small enough that the trial charge stays within the limits:
    // lambda is lambdamax / 10 (it used to stay 0 and the density never moved).
    std::vector<double> g{7.07, -0.001, 0.0}, m{1, 1, 1}, rau{1, 1, 1};
    // lambdamax = 100: exp(-707) + exp(0.1) + 1; charge chosen to match that.
    double sum = std::exp(-707.0) + std::exp(0.1) + 1.0;
    double lambda = startlambda(g.data(), m.data(), rau.data(), 3, sum * 2.0, 1.0);
    EXPECT_NEAR(lambda, 10.0, 1e-9);
}

TEST(StartLambda, SameValueAsThePlainSumWhenItIsFinite) {
    std::vector<double> g{-2.0, 0.5, 1.0, -0.25}, m{1, 2, 2, 4}, rau{0.5, 0.25, 1.0, 2.0};
    double lambda = startlambda(g.data(), m.data(), rau.data(), 4, 10.0, 1.0);
    EXPECT_EQ(lambda, plain_startlambda(g, m, rau, 10.0));
    EXPECT_GT(lambda, 0.0);
}

TEST(StartLambda, OverflowingSumStillGivesTheLogarithmicValue) {
    // Two orbits at exp(707) * 10 each: the plain sum is infinite and the
    // plain rule gives lambda 0.
    std::vector<double> g{-7.07, -7.07, 1.0}, m{10, 10, 1}, rau{1, 1, 1};
    const double lmax = 707.0 / 7.07;
    EXPECT_TRUE(std::isinf(10 * std::exp(lmax * 7.07) + 10 * std::exp(lmax * 7.07)));
    EXPECT_EQ(plain_startlambda(g, m, rau, 100.0), 0.0);
    double lambda = startlambda(g.data(), m.data(), rau.data(), 3, 100.0, 1.0);
    // ln sum = 707 + ln 20 (the third term is negligible); 1/rhonorm = sum/100.
    double log10inv = (707.0 + std::log(20.0) - std::log(100.0)) / std::log(10.0);
    EXPECT_NEAR(lambda, lmax / (1 + log10inv) / 10, 1e-12 * lambda);
}

TEST(StartLambda, ShrinkingChargeKeepsLambdaPositive) {
    // Every exponent at -707: the trial charge is far below the electron
    // count, and the plain rule gives a negative lambda.
    std::vector<double> g{7.07, 7.07}, m{1, 1}, rau{1000, 1000};
    EXPECT_LT(plain_startlambda(g, m, rau, 100.0), 0.0);
    double lambda = startlambda(g.data(), m.data(), rau.data(), 2, 100.0, 1.0);
    double rhonorm = 100.0 / (2000.0 * std::exp(-707.0));
    EXPECT_DOUBLE_EQ(lambda, 100.0 / (1 + std::fabs(std::log10(1 / rhonorm))) / 10);
    // One step further the factor itself overflows; lambda stays finite and positive.
    rau = {1, 1};
    lambda = startlambda(g.data(), m.data(), rau.data(), 2, 100.0, 1.0);
    double log10inv = -(std::log(100.0) - (std::log(2.0) - 707.0)) / std::log(10.0);
    EXPECT_NEAR(lambda, 100.0 / (1 + std::fabs(log10inv)) / 10, 1e-12);
}
