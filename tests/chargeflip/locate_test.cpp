// The odometer, the operator choice, the averaged phases and the whole
// symmetry location on exactly computed structure factors.
#include "chargeflip/locate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "chargeflip/cf_state.h"
#include "chargeflip/coincidence.h"
#include "chargeflip/locate_work.h"
#include "fourier/fft.h"
#include "support/e2e.h"

using namespace quilmo;
using namespace cftest;

namespace {

TEST(NextCoo, RunsTheBoxFirstAxisFastestAndWrapsBack) {
    const int startc[3] = {0, 1, 0}, endc[3] = {1, 2, 0};
    const int axord[3] = {0, 1, 2};
    int coo[3] = {0, 1, 0};
    std::vector<std::vector<int>> seen = {{0, 1, 0}};
    while (nextcoo(3, startc, endc, coo, axord)) seen.push_back({coo[0], coo[1], coo[2]});
    const std::vector<std::vector<int>> want = {{0, 1, 0}, {1, 1, 0}, {0, 2, 0}, {1, 2, 0}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(std::vector<int>(coo, coo + 3), (std::vector<int>{0, 1, 0}));
    EXPECT_FALSE(nextcoo(0, startc, endc, coo, axord));
    const int reversed[2] = {1, 0};
    int c2[2] = {0, 1};
    ASSERT_TRUE(nextcoo(2, startc, endc, c2, reversed));
    EXPECT_EQ(c2[1], 2);  // the second axis moves first
    EXPECT_EQ(c2[0], 0);
}

TEST(ChooseOperators, TwofoldAlongTheThirdAxisFixesTheFirstTwoTogether) {
    RunState st;
    grid(st, 8, 8, 8);
    operators(st, {{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}}, {{-1, 0, 0, 0, -1, 0, 0, 0, 1}, {0, 0, 0}}});
    const CooPick pick = chooseoperators(st);
    for (int c : {1, 2}) {
        EXPECT_EQ(pick[c].symnr, 2);
        EXPECT_EQ(st.sdim - pick[c].invarnr, 2);
        EXPECT_FALSE(pick[c].invarc[1]);
        EXPECT_FALSE(pick[c].invarc[2]);
        EXPECT_TRUE(pick[c].invarc[3]);
    }
    EXPECT_EQ(pick[3].symnr, -1);
}

TEST(ChooseOperators, FixsymopsSharesAnOperatorAndLeavesZeroUnfixed) {
    RunState st;
    grid(st, 8, 8, 8);
    operators(st, p21());
    st.symfix = true;
    st.symfixlist = {0, 2, 2, 0};
    const CooPick pick = chooseoperators(st);
    EXPECT_EQ(pick[1].symnr, 2);
    EXPECT_EQ(pick[2].symnr, 2);
    EXPECT_EQ(st.sdim - pick[1].invarnr, 2);
    EXPECT_TRUE(pick[1].invarc[3]);
    EXPECT_FALSE(pick[1].invarc[2]);
    EXPECT_EQ(pick[3].symnr, -1);
}

// The structure of P4_2/n seen from an origin moved by `shift`, phases in
// sf and in both lists; averaging at that shift must give back the phases of
// the unshifted structure.
TEST(NewPhases, AveragingInP42nRestoresTheTruePhases) {
    const std::vector<PointAtom> atoms = {{0.11, 0.23, 0.37, 8}, {0.31, 0.07, 0.19, 6}};
    const double shift[3] = {0.125, 0.25, 0.375};
    const double none[3] = {0, 0, 0};
    for (bool average : {true, false}) {
        RunState st;
        grid(st, 16, 16, 16);
        operators(st, p42n());
        structure(st, atoms, p42n(), 3, shift);
        st.averagesym = average;
        LocateWork w;
        for (int i = 1; i <= 3; ++i) w.cooshift[i] = shift[i - 1];
        newphases(st, w);
        int changed = 0;
        for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
            const reftyp& e = st.memrefl(i);
            const int h[3] = {e.hklfg[0], e.hklfg[1], e.hklfg[2]};
            const std::complex<double> f = structure_factor(atoms, p42n(), h, none);
            if (std::abs(f) < 1e-6) continue;
            if (cycles_apart(phase(e.amem, e.bmem), std::arg(f)) > 1e-6) ++changed;
            EXPECT_NEAR(std::hypot(e.amem, e.bmem), std::abs(f), 1e-9);
        }
        EXPECT_EQ(changed, 0) << (average ? "averaged" : "shifted only");
    }
}

TEST(LocateSymmetry, FindsTheOriginOfAShiftedP21Structure) {
    const std::vector<PointAtom> atoms = {
        {0.11, 0.23, 0.37, 8}, {0.31, 0.07, 0.19, 6}, {0.42, 0.36, 0.08, 7}};
    const double shift[3] = {0.1875, 0.3, 0.0625};  // on the grid along x and z
    quilmo_test::TempDir dir;
    RunState st;
    std::ostringstream con;
    st.con = &con;
    st.logfile = (dir / "cf.QLlog").string();
    std::ofstream(st.logfile).close();
    grid(st, 16, 16, 16);
    operators(st, p21());
    fftinit(st);  // planning overwrites sf
    structure(st, atoms, p21(), 4, shift);
    st.averagesym = false;
    locatesymmetryrs(st);
    fftfree(st);
    // The density at the new origin has the screw axis: rho(-x, y+1/2, -z) = rho(x).
    double worst = 0, top = 0;
    for (int k = 0; k < 16; ++k)
        for (int j = 0; j < 16; ++j)
            for (int i = 0; i < 16; ++i) {
                const double v = st.rho(i + 16 * (j + 16 * k));
                const double w = st.rho((16 - i) % 16 + 16 * ((j + 8) % 16 + 16 * ((16 - k) % 16)));
                worst = std::max(worst, std::fabs(v - w));
                top = std::max(top, std::fabs(v));
            }
    EXPECT_LT(worst, 1e-9 * top);
    const std::string log = quilmo_test::slurp(st.logfile);
    EXPECT_NE(log.find("Coordinate   1 will be fixed with symop  2 with complexity  2"), std::string::npos);
    EXPECT_NE(log.find("Coordinate   2 cannot be fixed."), std::string::npos);
    EXPECT_NE(log.find("I have found following shift of origin:"), std::string::npos);
    // x and z are found up to the half cell P2_1 allows.
    auto has = [&](const char* a, const char* b) {
        return log.find(a) != std::string::npos || log.find(b) != std::string::npos;
    };
    EXPECT_TRUE(has("Coordinate  1 by  0.188", "Coordinate  1 by  0.688"));
    EXPECT_TRUE(has("Coordinate  3 by  0.063", "Coordinate  3 by  0.563"));
    EXPECT_NE(con.str().find("Symmetry search with symop  2 done"), std::string::npos);
}

}  // namespace
