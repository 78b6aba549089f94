#include <gtest/gtest.h>

#include <vector>

#include "geometry/metric.h"

using namespace quilmo;

namespace {

// Column-major storage from rows written out as one reads them.
std::vector<double> rows(int n, std::initializer_list<double> v) {
    std::vector<double> r(v), c(r.size());
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) c[static_cast<std::size_t>(i + n * j)] = r[static_cast<std::size_t>(i * n + j)];
    return c;
}

}  // namespace

TEST(Ludcmp, RowBelowSinglePrecisionThresholdIsSingular) {
    // 1.5e-5 as a double lies just above the single-precision threshold.
    auto ok = rows(2, {1.5e-5, 0, 0, 1});
    auto tiny = rows(2, {1.4999e-5, 0, 0, 1});
    int indx[2], d = 0, code = -1;
    ludcmp(ok.data(), 2, indx, d, code);
    EXPECT_EQ(code, 0);
    ludcmp(tiny.data(), 2, indx, d, code);
    EXPECT_EQ(code, 1);
}

TEST(Ludcmp, SmallPivotIsSingularWithoutSubstitution) {
    auto a = rows(2, {1, 1, 1, 1 + 1e-6});
    std::vector<double> inv(4);
    int rc = 0;
    invert(a.data(), inv.data(), 2, rc);
    EXPECT_EQ(rc, 1);
}

TEST(Ludcmp, LaterRowWinsAPivotTie) {
    // Both rows have scaled value 1 in column 1: row 2 becomes the pivot.
    auto a = rows(2, {2, 1, 2, 1.5});
    int indx[2], d = 0, code = -1;
    ludcmp(a.data(), 2, indx, d, code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(indx[0], 2);
    EXPECT_EQ(d, -1);
}

TEST(Invert, InverseOfRegularMatrixAndInputKept) {
    auto a = rows(3, {4, 3, 0, 3, 4, -1, 0, -1, 4});
    const auto keep = a;
    std::vector<double> inv(9), prod(9);
    int rc = 1;
    invert(a.data(), inv.data(), 3, rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(a, keep);
    multm(a.data(), inv.data(), prod.data(), 3, 3, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(prod[static_cast<std::size_t>(i + 3 * j)], i == j ? 1 : 0, 1e-12);
}

TEST(Lubksb, RightHandSideWithLeadingZeros) {
    auto a = rows(3, {2, 0, 1, 1, 3, 0, 0, 1, 4});
    int indx[3], d = 0, code = -1;
    ludcmp(a.data(), 3, indx, d, code);
    ASSERT_EQ(code, 0);
    double b[3] = {0, 0, 25};  // x = (-1, 2, 6)/... solve and check by substitution
    lubksb(a.data(), 3, indx, b);
    auto m = rows(3, {2, 0, 1, 1, 3, 0, 0, 1, 4});
    for (int i = 0; i < 3; ++i) {
        double s = 0;
        for (int j = 0; j < 3; ++j) s += m[static_cast<std::size_t>(i + 3 * j)] * b[j];
        EXPECT_NEAR(s, i == 2 ? 25 : 0, 1e-12);
    }
}

TEST(Determinant, OneByOneIsItsElementOrZeroBelowEps) {
    double a = -3.5, tiny = 1e-7;
    EXPECT_EQ(determinant(&a, 1, 1e-6), -3.5);
    EXPECT_EQ(determinant(&tiny, 1, 1e-6), 0.0);
}

TEST(Determinant, SignFollowsRowAndColumnSwaps) {
    auto perm = rows(3, {0, 1, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_DOUBLE_EQ(determinant(perm.data(), 3, 1e-6), -1.0);
    auto m = rows(3, {1, 2, 3, 0, 1, 4, 5, 6, 0});
    EXPECT_NEAR(determinant(m.data(), 3, 1e-6), 1.0, 1e-12);
    auto sing = rows(3, {1, 2, 3, 2, 4, 6, 1, 0, 1});
    EXPECT_EQ(determinant(sing.data(), 3, 1e-6), 0.0);
}

TEST(Tsrgt, FullPivotingRecordsPivotPositions) {
    auto m = rows(2, {1, 2, 9, 3});
    std::vector<double> c(4);
    int it = 0, kp[2] = {}, lp[2] = {};
    tsrgt(1e-6, 2, m.data(), it, c.data(), kp, lp);
    EXPECT_EQ(it, 1);
    EXPECT_EQ(lp[0], 2);  // the 9 stands in row 2, column 1
    EXPECT_EQ(kp[0], 1);
    EXPECT_EQ(c[0], 9.0);
}

TEST(Multm, RectangularProduct) {
    // a 2x3, b 3x1 (a vector)
    std::vector<double> a = {1, 4, 2, 5, 3, 6}, b = {1, 0, -1}, c(2);
    multm(a.data(), b.data(), c.data(), 2, 3, 1);
    EXPECT_EQ(c[0], -2.0);
    EXPECT_EQ(c[1], -2.0);
}
