// Prior structure factors (P-constraints) added by the expansion.
#include <gtest/gtest.h>

#include <cmath>

#include "grid/voxels.h"
#include "reflections/expansion.h"
#include "reflections/weights.h"

using namespace quilmo;
using namespace quilmo_test;

namespace {

// Structure factors of the density au, as the expansion sees them.
std::vector<double> transform(RunState& st) {
    expandsf(st);
    fft(st, 1);
    return st.sf.vec();
}

double length(const RunState& st, const reftyp& e) {
    double v[8] = {};
    for (int i = 0; i < st.sdim; ++i) v[i] = e.hklfg[static_cast<std::size_t>(i)];
    return vlen(st, v);
}

}  // namespace

TEST(PriorStructureFactors, FillTheShellAroundTheConstraints) {
    Expansion x({8, 8, 8}, {}, false);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 0, 0}, 3, 1, 1}}, {{50, 2, {{0, 1, 0}, {0, 0, 1}}}});
    x.density(0.0, 0.15);  // |h| <= 3 in a cell of 10 A
    const std::vector<double> sf = transform(x.st);
    EXPECT_FALSE(x.stops());

    // Every grid point within the shell except the F positions (with the
    // Friedel mate of (1,0,0)) and the G positions.
    std::set<int> expected;
    for (int h = -4; h < 4; ++h)
        for (int k = -4; k < 4; ++k)
            for (int l = -4; l < 4; ++l)
                if (h * h + k * k + l * l <= 9) expected.insert(arraylocation(x.st, std::array<int, 9>{h, k, l}, 2));
    for (int loc : {0, 2, 14, 16, 128}) expected.erase(loc);

    auto p = x.section(x.st.msec.prif.start, x.st.msec.prif.end);
    EXPECT_EQ(positions(p), expected);
    EXPECT_TRUE(sorted_by_position(p));
    EXPECT_EQ(x.st.msec.prif.start, x.st.msec.f.end + 1);
    EXPECT_EQ(x.st.msec.g.start, x.st.msec.prif.end + 1);
    EXPECT_EQ(x.st.mtotalfpg(), 3 + static_cast<int>(expected.size()) + 2);
    for (const reftyp& e : p) {
        EXPECT_DOUBLE_EQ(e.a, sf[static_cast<std::size_t>(e.sfloc)]);
        EXPECT_DOUBLE_EQ(e.b, sf[static_cast<std::size_t>(e.sfloc) + 1]);
        EXPECT_DOUBLE_EQ(e.weight, 1 / (0.005 * 0.005));
        EXPECT_EQ(e.sigma, 0.005);
        EXPECT_EQ(e.modwg, 1);
        EXPECT_EQ(e.mult, 1);
        EXPECT_LE(length(x.st, e), 0.3 + 1e-12);
    }

    // refl rebuilt as F, P, G.
    EXPECT_EQ(x.st.totalprif(), static_cast<int>(expected.size()));
    EXPECT_EQ(x.st.sec.prif.start, 3);
    EXPECT_EQ(x.st.sec.prif.end, 2 + x.st.totalprif());
    EXPECT_EQ(x.st.sec.g.start, x.st.sec.prif.end + 1);
    EXPECT_EQ(x.st.refl(x.st.sec.g.start).a, 50);
    EXPECT_EQ(x.st.totalfpg(), 2 + x.st.totalprif() + 2);
    auto log = x.files.log();
    EXPECT_EQ(after(log, "Structure factors added from prior:"), "");
    EXPECT_TRUE(has_line(log, "Start P:          3"));
    EXPECT_TRUE(has_line(log, "     #     h   k   l...     A/Gobs             B             F         Sigma Group m    "
                              "Arraylocation Weight"));
    EXPECT_EQ(x.files.con.str(), std::string(" ").append(std::to_string(x.st.totalprif())).append(" 2 2\n"));
}

TEST(PriorStructureFactors, ResolutionShellLowerLimit) {
    Expansion x({8, 8, 8}, {}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}});
    x.density(0.1, 0.15);
    EXPECT_FALSE(x.stops());
    ASSERT_GT(x.st.mtotalprif(), 0);
    for (const reftyp& e : x.section(x.st.msec.prif.start, x.st.msec.prif.end)) {
        EXPECT_GE(length(x.st, e), 0.2 - 1e-12);
        EXPECT_LE(length(x.st, e), 0.3 + 1e-12);
    }
}

TEST(PriorStructureFactors, OrbitsCarryShiftedPhases) {
    Expansion x({8, 8, 8}, {kScrew}, false);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}});
    x.density(0.0, 0.2);
    const std::vector<double> sf = transform(x.st);
    EXPECT_FALSE(x.stops());
    auto p = x.section(x.st.msec.prif.start, x.st.msec.prif.end);
    ASSERT_FALSE(p.empty());
    int two = 0;
    for (const reftyp& e : p) {
        // The density has the screw symmetry, so every image's shifted value
        // is the transform at the image's own position.
        EXPECT_NEAR(e.a, sf[static_cast<std::size_t>(e.sfloc)], 1e-9);
        EXPECT_NEAR(e.b, sf[static_cast<std::size_t>(e.sfloc) + 1], 1e-9);
        two += e.mult == 2;
    }
    EXPECT_GT(two, 0);
    EXPECT_LT(x.st.totalprif(), x.st.mtotalprif());
}

TEST(PriorStructureFactors, SatelliteLimitInSuperspace) {
    for (int maxsat : {0, 1}) {
        Expansion x({4, 4, 4, 4}, {}, true);
        x.st.rdim = 3;
        x.st.qvec.allocate(3, 1);
        x.st.qvec(3, 1) = 0.3;
        set_refl(x.st, {{{0, 0, 0, 0}, 100, 0, 1}});
        x.density(0.0, 1.0);
        x.st.maxprisat = maxsat;
        EXPECT_FALSE(x.stops());
        std::set<int> sats;
        for (const reftyp& e : x.section(x.st.msec.prif.start, x.st.msec.prif.end)) sats.insert(e.hklfg[3]);
        EXPECT_EQ(sats, (maxsat == 0 ? std::set<int>{0} : std::set<int>{-1, 0, 1}));
    }
}

TEST(PriorStructureFactors, IndicesFoldAtHalfTheGrid) {
    Expansion x({32, 1, 1}, {}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}});
    x.density(0.0, 10.0);
    EXPECT_FALSE(x.stops());
    std::set<int> h;
    for (const reftyp& e : x.section(x.st.msec.prif.start, x.st.msec.prif.end)) {
        h.insert(e.hklfg[0]);
        // An axis of one voxel has only the index 0.
        EXPECT_EQ(e.hklfg[1], 0);
        EXPECT_EQ(e.hklfg[2], 0);
    }
    EXPECT_EQ(h.size(), 31u);
    EXPECT_EQ(*h.begin(), -16);
    EXPECT_EQ(*h.rbegin(), 15);
}

TEST(PriorStructureFactors, InputListRebuiltWithFFirst) {
    Expansion x({8, 8, 8}, {}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 0, 0}, 3, 0, 1}}, {{50, 2, {{0, 1, 0}}}}, {{{2, 2, 2}, 9, 1, 1}},
             "EGF");
    x.density(0.0, 0.1);
    EXPECT_FALSE(x.stops());
    EXPECT_EQ(x.st.sec.f.start, 1);
    EXPECT_EQ(x.st.refl(1).a, 100);
    EXPECT_EQ(x.st.refl(2).a, 3);
    EXPECT_EQ(x.st.refl(x.st.sec.g.start).a, 50);
    EXPECT_EQ(x.st.refl(x.st.sec.extra.start).a, 9);
    EXPECT_EQ(x.st.sec.extra.end, x.st.totalprif() + 4);
    for (int r = x.st.sec.prif.start; r <= x.st.sec.prif.end; ++r) EXPECT_EQ(x.st.refl(r).modwg, 1);
}

TEST(PriorStructureFactors, NoneInTheShell) {
    Expansion x({8, 8, 8}, {}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}});
    x.density(0.0, 0.0);
    EXPECT_FALSE(x.stops());
    EXPECT_EQ(x.st.totalprif(), 0);
    EXPECT_EQ(x.st.msec.g.start, x.st.msec.prif.end + 1);
    EXPECT_TRUE(has_line(x.files.log(), " No reflections added!"));
}
