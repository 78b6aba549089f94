#include "mem/rfactor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mem/fixture.h"

using namespace quilmo;
using memtest::entry;

namespace {

// F(000) and one reflection whose calculated amplitude misses by 2 sigma.
void two_sigma_miss(RunState& st) {
    memtest::f_only(st, {entry(10, 0, 10, 0, 1), entry(3, 0, 1, 0, 1)});
    rfactorinit(st);
    rfactor(st);
}

}  // namespace

TEST(RFactor, TwoSigmaMissGivesNormalisedMoments) {
    RunState st;
    two_sigma_miss(st);
    EXPECT_DOUBLE_EQ(st.fcon[1], 2.0);
    EXPECT_DOUBLE_EQ(st.fcon[2], 4.0);
    EXPECT_DOUBLE_EQ(st.fcon[3], 8.0);
    EXPECT_DOUBLE_EQ(st.fcon[4], 16.0 / 3.0);
    EXPECT_DOUBLE_EQ(st.fcon[8], 256.0 / 105.0);
    EXPECT_DOUBLE_EQ(st.fgcon, 4.0);
    EXPECT_DOUBLE_EQ(st.fpgcon, 4.0);
    EXPECT_DOUBLE_EQ(st.rf, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(st.rwf, 2.0 / 3.0);
    // No G: the G figures are 0 and the totals are the F figures.
    EXPECT_EQ(st.rg, 0.0);
    EXPECT_EQ(st.rwg, 0.0);
    EXPECT_DOUBLE_EQ(st.r, st.rf);
    EXPECT_DOUBLE_EQ(st.rw, st.rwf);
    st.actcon = 4;
    rfactor(st);
    EXPECT_DOUBLE_EQ(st.fgcon, 16.0 / 3.0);
}

TEST(RFactor, FZeroNeverContributes) {
    RunState st, moved;
    two_sigma_miss(st);
    two_sigma_miss(moved);
    moved.refl(1).amem = 3;
    moved.refl(1).bmem = 4;
    moved.refl(1).fmem = 5;
    rfactor(moved);
    EXPECT_EQ(moved.rf, st.rf);
    EXPECT_EQ(moved.rwf, st.rwf);
    EXPECT_EQ(moved.fcon, st.fcon);
    EXPECT_EQ(moved.sumfcal, st.sumfcal);
    EXPECT_EQ(moved.sumfobs, 3.0);
}

TEST(RFactor, ExactFitGivesZeros) {
    RunState st;
    memtest::f_only(st, {entry(10, 0, 10, 0, 1), entry(3, -1, 3, -1, 0.5), entry(0, 2, 0, 2, 1)});
    rfactorinit(st);
    rfactor(st);
    EXPECT_EQ(st.rf, 0.0);
    EXPECT_EQ(st.rwf, 0.0);
    EXPECT_EQ(st.fgcon, 0.0);
    for (int k = 1; k <= 8; ++k) EXPECT_EQ(st.fcon[static_cast<std::size_t>(k)], 0.0);
}

TEST(RFactor, FZeroAloneReportsZerosNotNaN) {
    RunState st;
    memtest::f_only(st, {entry(10, 0, 9, 0, 1)});
    rfactorinit(st);
    rfactor(st);
    EXPECT_EQ(st.rf, 0.0);
    EXPECT_EQ(st.rwf, 0.0);
    EXPECT_EQ(st.r, 0.0);
    EXPECT_EQ(st.rw, 0.0);
    EXPECT_EQ(st.fgcon, 0.0);
    EXPECT_EQ(st.fcon[2], 0.0);
}

TEST(RFactor, GroupValueIsMultiplicityWeightedRms) {
    RunState st;
    // F(000), then one group of two members with multiplicities 2 and 6.
    st.refl.allocate(1, 3);
    st.refl(1) = entry(10, 0, 10, 0, 1);
    st.refl(2) = entry(0, 0, 3, 0, 0.5, 2);
    st.refl(2).f = 2;  // the group's observed value on its first member
    st.refl(3) = entry(0, 0, 1, 0, 0.5, 6);
    st.refl(3).f = 0;
    st.refl(3).weight = 0;
    st.sec.f.start = st.sec.f.end = 1;
    st.sec.prif.start = 2;
    st.sec.prif.end = 1;
    st.sec.g.start = 2;
    st.sec.g.end = 3;
    st.ggroups = 1;
    st.gdiff.allocate(1, 1);
    st.gdiff(1) = 2;
    rfactorinit(st);
    rfactor(st);
    const double gc = std::sqrt(3.0);
    EXPECT_DOUBLE_EQ(st.gcalc(1), gc);
    EXPECT_DOUBLE_EQ(st.sumgobs, 2.0);
    EXPECT_DOUBLE_EQ(st.rg, (2.0 - gc) / 2.0);
    // Signed residual: odd orders keep the sign of Gobs - Gcalc.
    EXPECT_DOUBLE_EQ(st.gcon[1], (2.0 - gc) / 0.5 / 2.0);
    EXPECT_DOUBLE_EQ(st.gcon[2], std::pow((2.0 - gc) / 0.5, 2) / 2.0);
    EXPECT_DOUBLE_EQ(st.fgcon, st.gcon[2]);
}

TEST(Entropy, PriorDensityHasZeroEntropy) {
    RunState st;
    memtest::tiny_grid(st, 2, 2, 2, 8.0);
    st.au(3) = 0.5;
    st.rau(3) = 0.5;
    entropy(st);
    EXPECT_EQ(st.s, 0.0);
}

TEST(Entropy, SumsBothChannelsWithMultiplicities) {
    RunState st;
    memtest::tiny_grid(st, 2, 1, 1, 2.0);
    // Orbit 1 of two voxels, orbit 2 of none besides: rhotab = 2,0,1.
    st.norb = 1;
    st.rhotab.allocate(1, 3);
    st.rhotab(1) = 2;
    st.rhotab(2) = 0;
    st.rhotab(3) = 1;
    st.nchan = 2;
    st.au.allocate(1, 2);
    st.rau.allocate(1, 2);
    st.au(1) = 2;
    st.rau(1) = 1;
    st.au(2) = 0.5;
    st.rau(2) = 1;
    entropy(st);
    EXPECT_DOUBLE_EQ(st.s, -2 * 2 * std::log(2.0) - 2 * 0.5 * std::log(0.5));
}
