#include <gtest/gtest.h>

#include "geometry/symmetry.h"
#include "support/crystal.h"

using namespace quilmo;
using quilmo_test::Op;

namespace {

const std::vector<double> kE = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const std::vector<double> kInv = {-1, 0, 0, 0, -1, 0, 0, 0, -1};
const std::vector<double> kMx = {-1, 0, 0, 0, 1, 0, 0, 0, 1};
const std::vector<double> kMy = {1, 0, 0, 0, -1, 0, 0, 0, 1};
const std::vector<double> k2z = {-1, 0, 0, 0, -1, 0, 0, 0, 1};
const std::vector<double> k3z = {0, -1, 0, 1, -1, 0, 0, 0, 1};  // -y, x-y, z
const std::vector<double> kZero = {0, 0, 0};

struct Group {
    RunState st;
    std::ostringstream con;
    int errcd = 0;
    int run(const std::vector<Op>& ops, std::vector<std::vector<double>> centers = {},
            std::vector<double> cell = {10, 10, 10, 90, 90, 90}, std::vector<int> nvox = {32, 32, 32}) {
        quilmo_test::make_crystal(st, con, cell, nvox);
        quilmo_test::set_symmetry(st, ops, centers);
        completesymmetry(st, errcd);
        return errcd;
    }
    std::vector<std::string> lines() const { return quilmo_test::console_lines(con); }
};

}  // namespace

TEST(Completesymmetry, IdentityAloneIsAGroup) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}}), 0);
    EXPECT_TRUE(g.con.str().empty());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(g.st.tveci(i, 1), 0);
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(g.st.rmati(i, j, 1), i == j ? 1 : 0);
    }
}

TEST(Completesymmetry, ZeroCenterFirstAndCompleteList) {
    Group g;
    ASSERT_EQ(g.run({{kE, kZero}, {kInv, kZero}}, {{0.5, 0.5, 0.5}, {0, 0, 0}}), 0);
    EXPECT_EQ(g.st.center(1, 1), 0.0);
    EXPECT_EQ(g.st.center(1, 2), 0.5);
    EXPECT_EQ(g.st.nsym, 2);  // counted again only by expandsym
    EXPECT_EQ(g.st.rmat(1, 1, 3), 1.0);
    EXPECT_EQ(g.st.rmat(1, 1, 4), -1.0);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(g.st.tvec(i, 3), 0.5);
        EXPECT_EQ(g.st.tvec(i, 4), 0.5);
        EXPECT_EQ(g.st.tveci(i, 3), 16);
    }
}

TEST(Completesymmetry, CenterReducedIntoUnitCell) {
    Group g;
    ASSERT_EQ(g.run({{kE, kZero}}, {{0, 0, 0}, {1.5, 0, 0}}), 0);
    EXPECT_EQ(g.st.center(1, 2), 0.5);
}

TEST(Completesymmetry, IdentityMovedToFirstPlace) {
    Group g;
    ASSERT_EQ(g.run({{kInv, kZero}, {kE, kZero}}), 0);
    EXPECT_EQ(g.st.rmat(1, 1, 1), 1.0);
    EXPECT_EQ(g.st.rmat(1, 1, 2), -1.0);
}

TEST(Completesymmetry, PrimitiveTranslationsOutsideUnitCellAccepted) {
    // The same 2_1 screw written with -1/2 and with +3/2 along the axis.
    for (double t : {-0.5, 1.5}) {
        Group g;
        EXPECT_EQ(g.run({{kE, kZero}, {k2z, {0, 0, t}}}), 0) << t;
        EXPECT_TRUE(g.con.str().empty()) << g.con.str();
        EXPECT_EQ(g.st.tvec(3, 2), 0.5);
    }
    Group a;  // x1+3/2 -x2 -x3
    EXPECT_EQ(a.run({{kE, kZero}, {{1, 0, 0, 0, -1, 0, 0, 0, -1}, {1.5, 0, 0}}}), 0) << a.con.str();
    Group c;  // the same operators in a centred group were always accepted
    EXPECT_EQ(c.run({{kE, kZero}, {k2z, {0, 0, -0.5}}}, {{0, 0, 0}, {0.5, 0.5, 0}}), 0) << c.con.str();
}

TEST(Completesymmetry, BodyCenteringOffTheGrid) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}, {kInv, {0.5, 0.5, 0.5}}}, {{0, 0, 0}, {0.5, 0.5, 0.5}}, {10, 10, 10, 90, 90, 90},
                    {32, 32, 31}),
              100);
    EXPECT_EQ(g.lines(), (std::vector<std::string>{
                             "Error, the translational part of the symmetry operator number  2 is not consistent with "
                             "the voxel division.",
                             "Error, the centering vector number  2 is not consistent with the voxel division."}));
}

TEST(Completesymmetry, TranslationallyEquivalentOperators) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}, {kE, {0.5, 0.5, 0.5}}}, {{0, 0, 0}, {0.5, 0.5, 0.5}}), 100);
    EXPECT_EQ(g.lines(), (std::vector<std::string>{
                             "Error, the symmetry operators  1 and  2 are translationally equivalent.",
                             "SymOp  1 = SymOp  2 + Center  2."}));
}

TEST(Completesymmetry, IdenticalOperators) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}, {kMx, kZero}, {kMx, kZero}}), 100);
    EXPECT_EQ(g.lines(), std::vector<std::string>{"Error, the symmetry operators  2 and  3 are identical!"});
}

TEST(Completesymmetry, EquivalentCenteringVectors) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}}, {{0, 0, 0}, {0.5, 0.5, 0}, {1.5, 0.5, 0}}), 100);
    EXPECT_EQ(g.lines(), std::vector<std::string>{"Error, the centering vectors  2 and  3 are equivalent."});
}

TEST(Completesymmetry, ThreefoldNeedsHexagonalMetric) {
    const std::vector<double> k3z2 = {-1, 1, 0, -1, 0, 0, 0, 0, 1};  // y-x, -x, z
    const std::vector<Op> p3 = {{kE, kZero}, {k3z, kZero}, {k3z2, kZero}};
    Group hex;
    EXPECT_EQ(hex.run(p3, {}, {5, 5, 10, 90, 90, 120}, {30, 30, 10}), 0) << hex.con.str();
    Group ortho;
    EXPECT_EQ(ortho.run(p3, {}, {5, 5, 10, 90, 90, 90}, {30, 30, 10}), 100);
    const std::string second = " or is incompatible with the cell parameters.(Error indicator: R^T*G/=G*R^-1)";
    EXPECT_EQ(ortho.lines(),
              (std::vector<std::string>{
                  "Error, the rotation part of the symmetry operator number  2 is not properly defined", second,
                  "Error, the rotation part of the symmetry operator number  3 is not properly defined", second}));
}

TEST(Completesymmetry, SingularRotation) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}, {{1, 0, 0, 0, 1, 0, 0, 0, 0}, kZero}}), 100);
    EXPECT_EQ(g.lines(),
              std::vector<std::string>{"Error, the rotation part of the symmetry operator number  2 is a singular matrix!"});
}

TEST(Completesymmetry, RotationOffTheGrid) {
    const std::vector<double> k4 = {0, -1, 0, 1, 0, 0, 0, 0, 1}, k4m = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}, {k4, kZero}, {k2z, kZero}, {k4m, kZero}}, {}, {10, 10, 10, 90, 90, 90},
                    {20, 10, 10}),
              100);
    EXPECT_EQ(g.lines(),
              (std::vector<std::string>{
                  "Error, the rotational part of the symmetry operator number  2 is not consistent with the voxel division.",
                  "Error, the rotational part of the symmetry operator number  4 is not consistent with the voxel division."}));
}

TEST(Completesymmetry, IncompleteCenteringVectors) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}}, {{0, 0, 0}, {1.0 / 3, 0, 0}}, {10, 10, 10, 90, 90, 90}, {30, 30, 30}), 100);
    EXPECT_EQ(g.lines(), std::vector<std::string>{"Error, the list of centering vectors is incomplete! Sum of vectors  2 "
                                                  "and  2 was not found in the list."});
}

TEST(Completesymmetry, IncompleteOperatorList) {
    Group g;
    EXPECT_EQ(g.run({{kE, kZero}, {kMx, kZero}, {kMy, kZero}}), 100);
    EXPECT_EQ(g.lines(),
              (std::vector<std::string>{
                  "Error, the list of operators is incomplete! Product of operators  2 and  3 was not found in the list.",
                  "Error, the list of operators is incomplete! Product of operators  3 and  2 was not found in the list."}));
}

TEST(Prodop, TranslationBroughtIntoRangeAndEqualopComparesAsIs) {
    const double e[4] = {1, 0, 0, 1};
    const double t1[2] = {0.4999995, 0.25}, t2[2] = {0.5, 0.25};
    double r[4], t[2];
    prodop(e, t1, e, t2, r, t, 2);
    EXPECT_NEAR(t[0], -0.0000005, 1e-15);
    EXPECT_EQ(t[1], 0.5);
    const double a[2] = {0.9999995, 0.5}, b[2] = {-0.0000005, 0.5};
    EXPECT_FALSE(equalop(e, a, e, b, 2));
    const double c[2] = {0.5 + 9.99e-6, 0.5}, d[2] = {0.5 + 1.01e-5, 0.5};
    EXPECT_TRUE(equalop(e, c, e, b + 1, 1));
    EXPECT_FALSE(equalop(e, d, e, b + 1, 1));
}
