#include <gtest/gtest.h>

#include <cmath>

#include "geometry/metric.h"
#include "support/crystal.h"

using namespace quilmo;
using quilmo_test::make_crystal;

namespace {

struct Cell {
    RunState st;
    std::ostringstream con;
    int errcd = -1;
    void make(std::vector<double> cell, int sdim = 3, std::vector<std::vector<double>> q = {}) {
        errcd = make_crystal(st, con, cell, std::vector<int>(static_cast<std::size_t>(sdim), 4), 3, q);
    }
};

}  // namespace

TEST(Allfromcell, CubicCell) {
    Cell c;
    c.make({10, 10, 10, 90, 90, 90});
    ASSERT_EQ(c.errcd, 0);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(c.st.g(i, j), i == j ? 100 : 0, 1e-12);
    EXPECT_NEAR(c.st.cell(7), 1000, 1e-9);
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(c.st.rcell(i), 0.1, 1e-15);
    for (int i = 4; i <= 6; ++i) EXPECT_NEAR(c.st.rcell(i), 90, 1e-12);
    EXPECT_NEAR(c.st.rcell(7), 0.001, 1e-15);
    EXPECT_EQ(c.st.gs(2, 2), c.st.g(2, 2));
    EXPECT_EQ(c.st.gsi(1, 1), c.st.gi(1, 1));
    EXPECT_TRUE(c.con.str().empty());
}

TEST(Allfromcell, HexagonalCell) {
    Cell c;
    c.make({5, 5, 10, 90, 90, 120});
    ASSERT_EQ(c.errcd, 0);
    EXPECT_NEAR(c.st.g(1, 2), -12.5, 1e-12);
    EXPECT_NEAR(c.st.g(2, 1), -12.5, 1e-12);
    EXPECT_NEAR(c.st.cell(7), 216.5063509461097, 1e-10);
    EXPECT_NEAR(c.st.rcell(1), 0.23094010767585027, 1e-14);
    EXPECT_NEAR(c.st.rcell(2), 0.23094010767585027, 1e-14);
    EXPECT_NEAR(c.st.rcell(3), 0.1, 1e-14);
    EXPECT_NEAR(c.st.rcell(6), 60, 1e-10);
}

TEST(Allfromcell, AnglesTakenInAlphaBetaGammaOrder) {
    Cell c;
    c.make({4, 5, 6, 80, 95, 110});
    ASSERT_EQ(c.errcd, 0);
    const double deg = 0.017453292519943295;
    EXPECT_NEAR(c.st.g(2, 3), 30 * std::cos(80 * deg), 1e-12);
    EXPECT_NEAR(c.st.g(1, 3), 24 * std::cos(95 * deg), 1e-12);
    EXPECT_NEAR(c.st.g(1, 2), 20 * std::cos(110 * deg), 1e-12);
}

TEST(Allfromcell, SuperspaceMetricFromQVector) {
    Cell c;
    c.make({10, 10, 10, 90, 90, 90}, 4, {{0, 0, 0.3}});
    ASSERT_EQ(c.errcd, 0);
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(c.st.gsi(i, i), 0.01, 1e-15);
    EXPECT_NEAR(c.st.gsi(3, 4), 0.003, 1e-15);
    EXPECT_NEAR(c.st.gsi(4, 3), 0.003, 1e-15);
    EXPECT_NEAR(c.st.gsi(4, 4), 1.0009, 1e-14);
    EXPECT_NEAR(c.st.gs(3, 3), 100.09, 1e-9);
    EXPECT_NEAR(c.st.gs(3, 4), -0.3, 1e-12);
    EXPECT_NEAR(c.st.gs(4, 4), 1, 1e-12);
    EXPECT_NEAR(c.st.cell(7), 1000, 1e-9);
}

TEST(Allfromcell, ZeroVolumeCellIsRefused) {
    Cell c;
    c.make({10, 10, 10, 90, 90, 0});
    EXPECT_NE(c.errcd, 0);
    EXPECT_EQ(c.con.str(),
              "Error, the cell parameters define a cell with zero volume. Please correct the parameters.\n");
}

TEST(Allfromcell, AnglesOfNoRealCellAreRefused) {
    Cell c;
    c.make({10, 10, 10, 170, 170, 170});
    EXPECT_NE(c.errcd, 0);
    EXPECT_NE(c.con.str().find("Error, the cell angles do not describe a real cell"), std::string::npos);
}

TEST(Allfromcell, TinyReciprocalMetricFailsSuperspaceInversion) {
    // A 400 A cell has reciprocal metric elements below the inversion
    // threshold: the superspace metric counts as singular.
    Cell c;
    c.make({400, 400, 400, 90, 90, 90}, 4, {{0, 0, 0.3}});
    EXPECT_EQ(c.errcd, 1);
    EXPECT_EQ(c.con.str(),
              "Error, the q-vectors define a superspace cell with zero volume. Please check the input file.\n");
}

TEST(Multsc, SatelliteIndicesFoldedThroughQVectors) {
    Cell c;
    c.make({10, 10, 10, 90, 90, 90}, 4, {{0, 0, 0.3}});
    double h[4] = {1, 0, 1, 2};  // folds to (1, 0, 1.6)
    EXPECT_NEAR(multsc(c.st, h, h, 4, true), 0.01 + 0.0256, 1e-15);
}

TEST(Allfromcell, FourDimensionalAngleOrders) {
    RunState st;
    std::ostringstream con;
    const double ang[6] = {80, 85, 95, 100, 92, 88};
    ASSERT_EQ(quilmo_test::make_crystal(st, con, {1, 1, 1, 1, ang[0], ang[1], ang[2], ang[3], ang[4], ang[5]},
                                        {4, 4, 4, 4}, 4),
              0);
    const double deg = 0.017453292519943295;
    // Direct order: (3,4), (2,4), (2,3), (1,4), (1,3), (1,2).
    const int direct[6][2] = {{3, 4}, {2, 4}, {2, 3}, {1, 4}, {1, 3}, {1, 2}};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(st.g(direct[k][0], direct[k][1]), std::cos(ang[k] * deg), 1e-14) << k;
    // Reciprocal order: (3,4), (2,4), (1,4), (2,3), (1,3), (1,2).
    const int recip[6][2] = {{3, 4}, {2, 4}, {1, 4}, {2, 3}, {1, 3}, {1, 2}};
    for (int k = 0; k < 6; ++k) {
        const int i = recip[k][0], j = recip[k][1];
        const double c = st.gi(i, j) / std::sqrt(st.gi(i, i) * st.gi(j, j));
        EXPECT_NEAR(st.rcell(5 + k), std::acos(c) / deg, 1e-10) << k;
    }
    EXPECT_EQ(st.rcell(11), 1 / st.cell(11));
}
