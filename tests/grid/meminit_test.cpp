#include "grid/startdensity.h"
#include "sequence/meminit.h"

#include <gtest/gtest.h>

#include "grid/voxels.h"
#include "reflections/expansion.h"
#include "reflections/transfer.h"
#include "reflections/weights.h"

using namespace quilmo;
using namespace quilmo_test;

namespace {

// P-1 on a 4x4x4 grid with a starting density whose representative voxels
// hold given values.
struct Start {
    RunState st;
    Start() {
        make_grid(st, {4, 4, 4}, 8.0);
        set_ops(st, {identity_op(3), kInversion}, true);
        build_rhotab(st);
        for (int v = 0; v < st.nvoxtot; ++v) st.rho(v) = 0.01 * v - 0.3;
    }
    double rep(int j) const {
        long t = 1;
        for (int i = 1; i < j; ++i) t += st.rhotab(t) + 1;
        return st.rho(st.rhotab(t + 1));
    }
};

}  // namespace

TEST(StartDensity, OneChannelTakesTheRepresentative) {
    Start s;
    s.st.algorithm = 2;
    startdensity(s.st);
    ASSERT_EQ(s.st.au.size(), s.st.norb);
    for (int j = 1; j <= s.st.norb; ++j) EXPECT_EQ(s.st.au(j), s.rep(j));
    EXPECT_EQ(s.st.rau.vec(), s.st.au.vec());
    EXPECT_FALSE(s.st.bau.allocated());
}

TEST(StartDensity, TwoChannelsStayPositiveAndRestoreTheDensity) {
    Start s;
    s.st.nchan = 2;
    s.st.algorithm = 1;
    startdensity(s.st);
    const double c = 0.05 * s.st.capvx;
    ASSERT_EQ(s.st.au.size(), 2 * s.st.norb);
    EXPECT_EQ(s.st.bau.size(), 2 * s.st.norb);
    for (int j = 1; j <= s.st.norb; ++j) {
        const double v = s.rep(j);
        EXPECT_GT(s.st.au(j), 0);
        EXPECT_GT(s.st.au(j + s.st.norb), 0);
        EXPECT_DOUBLE_EQ(s.st.au(j), v >= 0 ? v + c : c);
        EXPECT_DOUBLE_EQ(s.st.au(j + s.st.norb), v >= 0 ? c : c - v);
    }
    EXPECT_EQ(s.st.au(1), c);  // voxel 0 holds -0.3
    EXPECT_EQ(s.st.au(1 + s.st.norb), c + 0.3);
    expandrho(s.st);
    for (int v = 0; v < s.st.nvoxtot; ++v) {
        // Every voxel takes its orbit's representative value.
        Coord8 c8 = coordinates(s.st, v, 1);
        for (int& k : c8) k = -k;
        const int mate = arraylocation(s.st, c8, 1);
        EXPECT_NEAR(s.st.rho(v), 0.01 * std::min(v, mate) - 0.3, 1e-12);
    }
}

TEST(GroupMultiplicities, SumOverEachGroupsMembers) {
    RunState st;
    make_grid(st, {8, 8, 8});
    set_refl(st, {{{0, 0, 0}, 1, 0, 1}},
             {{5, 1, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {3, 1, {{1, 1, 0}, {0, 1, 1}}}}, {}, "GF");
    const int mult[] = {2, 4, 4, 6, 6};
    for (int r = 1; r <= 5; ++r) st.refl(r).mult = mult[r - 1];
    groupmultiplicities(st);
    EXPECT_EQ(st.sumgm(1), 10);
    EXPECT_EQ(st.sumgm(2), 12);
}

// The set-up after the orbit table: weights, expansion with prior structure
// factors, and the regularization factors of both lists.
TEST(GridSetup, ListsReadyForTheIteration) {
    Expansion x({8, 8, 8}, {kScrew}, false);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 1, 0}, 3, 1, 1}}, {{50, 2, {{1, 0, 1}, {0, 1, 1}}}},
             {{{2, 2, 2}, 9, 1, 1}});
    x.density(0.0, 0.12);
    expandrho(x.st);  // a starting density with the screw symmetry
    startdensity(x.st);
    calcmodwg(x.st);
    expandrefl(x.st);
    noregularization(x.st);
    groupmultiplicities(x.st);

    EXPECT_EQ(x.st.normcon, 1);
    for (int r = 1; r <= x.st.totalfpg(); ++r) EXPECT_EQ(x.st.refl(r).rf, 1) << r;
    EXPECT_EQ(x.st.refl(x.st.sec.extra.start).rf, 0);
    for (int i = 1; i <= x.st.mtotalfpg(); ++i) EXPECT_EQ(x.st.memrefl(i).rf, 1);
    EXPECT_EQ(x.st.sumgm(1), 4);
    EXPECT_GT(x.st.mtotalprif(), 0);

    expandsf(x.st);
    fft(x.st, 1);
    sf2memrefl(x.st);
    for (int i = 1; i <= x.st.mtotalfpg(); ++i) {
        const reftyp& e = x.st.memrefl(i);
        EXPECT_EQ(e.amem, x.st.sf(e.sfloc));
        EXPECT_EQ(e.bmem, x.st.sf(e.sfloc + 1));
    }
}

// The whole set-up, orbit table included, for one and two channels.
TEST(GridSetup, MeminitFromTheInputState) {
    for (int nchan : {1, 2}) {
        Expansion x({4, 4, 4}, {kInversion}, true);
        x.st.symfile = fixed((x.files.dir / "t.QLsymtb").string(), 264);
        x.st.nchan = nchan;
        x.st.algorithm = 1;
        set_refl(x.st, {{{0, 0, 0}, 64, 0, 1}, {{1, 0, 0}, 3, 0, 1}},
                 {{5, 1, {{1, 1, 0}, {0, 1, 1}}}, {7, 1, {{2, 0, 0}}}});
        for (int v = 0; v < x.st.nvoxtot; ++v) x.st.rho(v) = v % 2 ? 1.5 : -0.5;
        fftinit(x.st);
        meminit(x.st);

        EXPECT_EQ(x.st.norb, 36);
        EXPECT_EQ(x.st.au.size(), nchan * x.st.norb);
        EXPECT_EQ(x.st.rau.vec(), x.st.au.vec());
        EXPECT_EQ(x.st.bau.size(), nchan * x.st.norb);
        expandrho(x.st);
        for (int v = 0; v < x.st.nvoxtot; ++v) EXPECT_NEAR(x.st.rho(v), v % 2 ? 1.5 : -0.5, 1e-12);

        EXPECT_EQ(x.st.mtotalf(), 3);
        // On a grid of 4, (-2,0,0) is the position of (2,0,0): mult 1.
        EXPECT_EQ(x.st.mtotalg(), 5);
        EXPECT_EQ(x.st.sumgm(1), 4);
        EXPECT_EQ(x.st.sumgm(2), 1);
        for (int i = 1; i <= x.st.mtotalfpg(); ++i) {
            EXPECT_EQ(x.st.memrefl(i).rf, 1);
            EXPECT_EQ(x.st.memrefl(i).modwg, 1);
        }
        EXPECT_TRUE(has_line(x.files.log(), "Voxels in asymmetric unit:              36"));
    }
}
