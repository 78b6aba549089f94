#include "reflections/transfer.h"

#include <gtest/gtest.h>

#include "fourier/fft.h"
#include "grid/voxels.h"
#include "reflections/crystal.h"
#include "support/sf.h"

using namespace quilmo;
using namespace quilmo_test;

TEST(IndexSort, GivesAscendingPermutation) {
    FArray<int> keys(1, 9), perm(1, 9);
    const int v[] = {40, 2, 18, 7, 7, -3, 100, 0, 5};
    for (int i = 1; i <= 9; ++i) keys(i) = v[i - 1];
    indexx(9, keys, perm);
    std::vector<int> order;
    for (int i = 1; i <= 9; ++i) order.push_back(perm(i));
    EXPECT_EQ(order, (std::vector<int>{6, 8, 2, 9, 4, 5, 3, 1, 7}));
}

namespace {

reftyp at(int sfloc, int group = 0, double a = 0) {
    reftyp e;
    e.sfloc = sfloc;
    e.hklfg[0] = sfloc / 2;
    e.hklfg[8] = group;
    e.mult = sfloc;
    e.a = a;
    return e;
}

}  // namespace

TEST(IndexArray, SortsSectionsAndGroupsByPosition) {
    RunState st;
    const std::vector<reftyp> list = {at(40, 0, 1), at(2, 0, 2), at(18, 0, 3),       // F
                                      at(8, 0, 4), at(6, 0, 5),                       // P
                                      at(30, 1, 50), at(10, 1), at(20, 1), at(4, 2, 9), at(2, 2)};  // G
    st.memrefl.allocate(1, 10);
    std::copy(list.begin(), list.end(), st.memrefl.data());
    st.msec.f.start = 1, st.msec.f.end = 3;
    st.msec.prif.start = 4, st.msec.prif.end = 5;
    st.msec.g.start = 6, st.msec.g.end = 10;
    st.ggroups = 2;
    st.mngroup.allocate(1, 2);
    st.mngroup(1) = 3, st.mngroup(2) = 2;
    indexarray(st);

    std::vector<int> locs;
    for (int i = 1; i <= 10; ++i) locs.push_back(st.memrefl(i).sfloc);
    EXPECT_EQ(locs, (std::vector<int>{2, 18, 40, 6, 8, 10, 20, 30, 2, 4}));
    // F and P move whole records.
    EXPECT_EQ(st.memrefl(1).a, 2);
    EXPECT_EQ(st.memrefl(3).a, 1);
    EXPECT_EQ(st.memrefl(4).a, 5);
    // G groups move only indices, mult and position: the group value stays
    // in the group's first slot.
    EXPECT_EQ(st.memrefl(6).a, 50);
    EXPECT_EQ(st.memrefl(6).hklfg[0], 5);
    EXPECT_EQ(st.memrefl(6).mult, 10);
    EXPECT_EQ(st.memrefl(8).a, 0);
    EXPECT_EQ(st.memrefl(9).a, 9);
    EXPECT_EQ(st.memrefl(9).hklfg[0], 1);
}

TEST(Transfers, ScaleByRegularizationFactorAndLeaveSfAlone) {
    RunState st;
    make_grid(st, {4, 4, 4});
    fftinit(st);
    for (long i = 0; i < st.nvoxtot; ++i) st.sf.density(i) = static_cast<double>(i % 7) - 3;
    fft(st, 1);

    // Blocks in the order extra, F, G: the extra entry must stay untouched.
    set_refl(st, {{{0, 0, 0}}, {{1, 2, 3}}}, {{1.0, 1, {{0, 1, 1}}}}, {{{3, 3, 3}}}, "EFG");
    const std::vector<double> before = sf_parts(st);
    for (int r = 1; r <= st.totalfge(); ++r) st.refl(r).rf = 1;
    st.refl(3).rf = 0.5;
    st.sec.prif.start = st.sec.f.end + 1, st.sec.prif.end = st.sec.f.end;
    sf2refl(st);
    EXPECT_EQ(st.refl(1).amem, 0);
    EXPECT_EQ(st.refl(1).fmem, 0);
    for (int r = 2; r <= 4; ++r) {
        const reftyp& e = st.refl(r);
        const double re = before[static_cast<std::size_t>(e.sfloc)], im = before[static_cast<std::size_t>(e.sfloc) + 1];
        EXPECT_DOUBLE_EQ(e.amem, re * e.rf);
        EXPECT_DOUBLE_EQ(e.bmem, im * e.rf);
        EXPECT_DOUBLE_EQ(e.fmem, std::sqrt(re * re + im * im) * e.rf);
    }

    st.memrefl.allocate(1, 2);
    st.memrefl(1) = st.refl(3);
    st.memrefl(2) = st.refl(4);
    st.msec.f = {1, 2};  // two entries in all
    sf2memrefl(st);
    EXPECT_DOUBLE_EQ(st.memrefl(1).amem, before[static_cast<std::size_t>(st.memrefl(1).sfloc)] * 0.5);
    EXPECT_DOUBLE_EQ(st.memrefl(2).bmem, before[static_cast<std::size_t>(st.memrefl(2).sfloc) + 1]);
    EXPECT_EQ(sf_parts(st), before);
}
