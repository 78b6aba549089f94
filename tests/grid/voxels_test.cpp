#include <gtest/gtest.h>

#include "grid/voxels.h"
#include "support/crystal.h"

using namespace quilmo;

namespace {

struct Grid {
    RunState st;
    std::ostringstream con;
    explicit Grid(std::vector<int> nvox) {
        quilmo_test::make_crystal(st, con, {10, 10, 10, 90, 90, 90}, nvox, 3,
                                  std::vector<std::vector<double>>(nvox.size() - 3, {0, 0, 0.5}));
    }
};

}  // namespace

TEST(Arraylocation, NegativeAndOversizedIndicesFold) {
    Grid g({10, 10, 10});
    EXPECT_EQ(arraylocation(g.st, Coord8{-1, 0, 0}, 2), 18);
    EXPECT_EQ(arraylocation(g.st, Coord8{10, 0, 0}, 1), 0);
    EXPECT_EQ(arraylocation(g.st, Coord8{-25, 31, -10}, 1), 5 + 10);
    std::array<int, 9> hklfg{-1, -1, -1, 0, 0, 0, 0, 0, 7};  // entry 8 (G group) is no index
    EXPECT_EQ(arraylocation(g.st, hklfg, 2), 2 * 999);
}

TEST(Arraylocation, SuperspaceStrides) {
    Grid g({10, 10, 10, 8});
    EXPECT_EQ(arraylocation(g.st, Coord8{1, 2, 3, 4}, 1), 4321);
    EXPECT_EQ(coordinates(g.st, 4321, 1), (Coord8{1, 2, 3, 4}));
}

TEST(Coordinates, InverseOfArraylocation) {
    Grid g({10, 6, 4});
    EXPECT_EQ(coordinates(g.st, 18, 2), (Coord8{9, 0, 0}));
    for (int p = 0; p < g.st.nvoxtot; ++p) {
        Coord8 c = coordinates(g.st, 2 * p, 2);
        EXPECT_EQ(arraylocation(g.st, c, 2), 2 * p);
        EXPECT_EQ(c[3], 0);
    }
}

TEST(Remap, BringsComponentsIntoTheGrid) {
    Grid g({10, 10, 10});
    Coord8 x{13, -3, 9, 5};  // entry 4 lies beyond sdim and stays
    remap(g.st, x);
    EXPECT_EQ(x, (Coord8{3, 7, 9, 5}));
    // One period below the grid is raised by whole periods only as far as
    // the rule goes; arraylocation completes the reduction.
    Coord8 y{-10, -11, 0};
    remap(g.st, y);
    EXPECT_EQ(y[0], -10);
    EXPECT_EQ(y[1], -11);
    EXPECT_EQ(arraylocation(g.st, y, 1), 90);
}

TEST(Symop, VoxelUnitOperatorWithTranslation) {
    Grid g({8, 8, 4});
    g.st.rmati.allocate(3, 3, 1);
    g.st.tveci.allocate(3, 1);
    g.st.rmati(1, 2, 1) = -1;  // x' = -y + 4, y' = x, z' = z + 2
    g.st.rmati(2, 1, 1) = 1;
    g.st.rmati(3, 3, 1) = 1;
    g.st.tveci(1, 1) = 4;
    g.st.tveci(3, 1) = 2;
    Coord8 out = symop(g.st, 1, Coord8{1, 7, 3, 9});
    EXPECT_EQ(out, (Coord8{-3, 1, 5, 0}));
}

TEST(Expandrho, TwoChannelsGiveTheirDifference) {
    Grid g({4, 1, 1});
    g.st.norb = 3;
    g.st.nchan = 2;
    g.st.rhotab.allocate(1, 7);
    int tab[] = {1, 0, 2, 1, 3, 1, 2};
    for (int k = 0; k < 7; ++k) g.st.rhotab(k + 1) = tab[k];
    g.st.au.allocate(1, 6);
    const double au[] = {0.2, 0.4, 0.6};
    for (int i = 1; i <= 3; ++i) {
        g.st.au(i) = au[i - 1];
        g.st.au(i + 3) = 0.5;
    }
    g.st.rho.allocate(0, 3);
    g.st.rho.fill(99);
    expandrho(g.st);
    EXPECT_NEAR(g.st.rho(0), -0.3, 1e-15);
    EXPECT_NEAR(g.st.rho(1), -0.1, 1e-15);
    EXPECT_NEAR(g.st.rho(3), -0.1, 1e-15);
    EXPECT_NEAR(g.st.rho(2), 0.1, 1e-15);

    g.st.nchan = 1;
    g.st.sf.allocate(g.st.sdim, &g.st.nvox(1));
    std::fill(g.st.sf.density(), g.st.sf.density() + 4, 99.0);
    expandsf(g.st);
    EXPECT_EQ(std::vector<double>(g.st.sf.density(), g.st.sf.density() + 4),
              (std::vector<double>{0.2, 0.4, 0.6, 0.4}));
}
