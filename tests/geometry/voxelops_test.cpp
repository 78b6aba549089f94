#include <gtest/gtest.h>

#include "geometry/symmetry.h"
#include "support/crystal.h"
#include "textio/stop.h"

using namespace quilmo;
using quilmo_test::Op;

namespace {

const std::vector<double> kE = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const std::vector<double> kSwap = {0, 1, 0, 1, 0, 0, 0, 0, 1};
const std::vector<double> kZero = {0, 0, 0};

struct Ops {
    RunState st;
    std::ostringstream con;
    Ops(const std::vector<Op>& ops, std::vector<int> nvox, int tests = 0,
        std::vector<std::vector<double>> centers = {}) {
        quilmo_test::make_crystal(st, con, {10, 10, 10, 90, 90, 90}, nvox);
        quilmo_test::set_symmetry(st, ops, centers, tests);
    }
};

std::vector<std::string> failure(const char* what, const char* number) {
    return {"", "Routine DiscreteSym:", what, "       voxelnumber is not an integer!",
            std::string("       Symmetry operation #: ") + number, ""};
}

}  // namespace

TEST(Expandsym, CenteringTranslationsAddedAndReduced) {
    const std::vector<double> k2 = {-1, 0, 0, 0, 1, 0, 0, 0, -1}, kI = {-1, 0, 0, 0, -1, 0, 0, 0, -1},
                           km = {1, 0, 0, 0, -1, 0, 0, 0, 1};
    Ops o({{kE, kZero}, {k2, {0, 0.75, 0}}, {kI, kZero}, {km, {0, 0.75, 0}}, {kSwap, kZero}}, {16, 16, 16}, 1,
          {{0, 0, 0}, {0.5, 0.5, 0}});
    expandsym(o.st);
    EXPECT_EQ(o.st.nsym, 8);
    EXPECT_EQ(o.st.rmat(2, 2, 8), -1.0);
    EXPECT_EQ(o.st.tvec(1, 6), 0.5);
    EXPECT_EQ(o.st.tvec(2, 6), 0.25);  // 0.75 + 0.5 reduced
    EXPECT_EQ(o.st.tvec(2, 5), 0.5);
    EXPECT_EQ(o.st.rmat(1, 2, 9), 1.0);  // the test operator stays behind the list
}

TEST(Discretesym, TestOperatorTranslationOffTheGrid) {
    Ops bad({{kE, kZero}, {kE, {1.0 / 3, 0, 0}}}, {32, 32, 48}, 1);
    EXPECT_THROW(discretesym(bad.st), RunStop);
    EXPECT_EQ(quilmo_test::console_lines(bad.con), failure("Error: Translationvector multiplied by", "  2."));

    Ops good({{kE, kZero}, {kE, {0, 0, 1.0 / 3}}}, {32, 32, 48}, 1);
    discretesym(good.st);
    EXPECT_EQ(good.st.tveci(3, 2), 16);
    EXPECT_TRUE(good.con.str().empty());
}

TEST(Discretesym, AxisSwapInVoxelUnits) {
    Ops square({{kE, kZero}, {kSwap, kZero}}, {20, 20, 10}, 1);
    discretesym(square.st);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(square.st.rmati(i, j, 2), kSwap[static_cast<std::size_t>((i - 1) * 3 + j - 1)]);

    Ops oblong({{kE, kZero}, {kSwap, kZero}}, {20, 10, 10}, 1);
    EXPECT_THROW(discretesym(oblong.st), RunStop);
    EXPECT_EQ(quilmo_test::console_lines(oblong.con), failure("Error: Translationmatrix divided by", "  2."));
}
