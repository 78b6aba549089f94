#include "reflections/weights.h"

#include <gtest/gtest.h>

#include "reflections/crystal.h"
#include "textio/stop.h"

using namespace quilmo;
using namespace quilmo_test;

namespace {

RunState cubic() {
    RunState st;
    make_grid(st, {8, 8, 8}, 10.0);
    return st;
}

std::vector<double> weights(const RunState& st) {
    std::vector<double> w;
    for (int r = 1; r <= st.totalfge(); ++r) w.push_back(st.refl(r).modwg);
    return w;
}

}  // namespace

TEST(Vlen, CubicCellAndOrigin) {
    RunState st = cubic();
    double h100[8] = {1, 0, 0}, h000[8] = {};
    EXPECT_DOUBLE_EQ(vlen(st, h100), 0.1);
    EXPECT_DOUBLE_EQ(vlen(st, h000), 0.0);
}

TEST(Vlen, SatelliteAddsItsQVector) {
    RunState st;
    make_grid(st, {4, 4, 4, 4}, 10.0, 3);
    st.qvec(3, 1) = 0.3;
    double h[8] = {0, 0, 1, -1};
    EXPECT_NEAR(vlen(st, h), 0.07, 1e-15);
}

TEST(ConstraintWeights, BlankKeyGivesOneToEveryConstraint) {
    RunState st = cubic();
    std::vector<FRefl> f;
    for (int i = 0; i < 10; ++i) f.push_back({{i, 0, 0}, 1.0 + i, 0, 1});
    set_refl(st, f, {{5.0, 1, {{0, 1, 0}, {0, 2, 0}}}, {7.0, 1, {{0, 3, 0}, {0, 1, 1}}}});
    calcmodwg(st);
    EXPECT_EQ(weights(st), std::vector<double>(14, 1.0));
}

TEST(ConstraintWeights, AmplitudePowerNormalisedByTheMean) {
    RunState st = cubic();
    set_refl(st, {{{0, 0, 0}, 1, 0, 1}, {{1, 0, 0}, 0, 2, 1}, {{2, 0, 0}, -3, 0, 1}});
    st.modwgkey = fixed("F", 132);
    st.power = 1;
    calcmodwg(st);
    EXPECT_EQ(weights(st), (std::vector<double>{0.5, 1.0, 1.5}));
}

TEST(ConstraintWeights, ZeroRawWeightOfAGroupMemberBecomesOne) {
    RunState st = cubic();
    set_refl(st, {{{0, 0, 0}, 2, 0, 1}}, {{3.0, 1, {{1, 0, 0}, {0, 1, 0}}}});
    st.modwgkey = fixed("F", 132);
    st.power = 2;
    calcmodwg(st);
    // Raw 4, 9, 0; mean over the single F-constraint 13.
    EXPECT_NEAR(st.refl(1).modwg, 4.0 / 13, 1e-15);
    EXPECT_NEAR(st.refl(2).modwg, 9.0 / 13, 1e-15);
    EXPECT_EQ(st.refl(3).modwg, 1.0);
}

TEST(ConstraintWeights, NegativeAmplitudePowerWithZeroAmplitudeStopsTheRun) {
    RunState st = cubic();
    set_refl(st, {{{0, 0, 0}, 2, 0, 1}}, {{3.0, 1, {{1, 0, 0}, {0, 1, 0}}}});
    st.modwgkey = fixed("F", 132);
    st.power = -1;
    try {
        calcmodwg(st);
        FAIL() << "no stop";
    } catch (const RunStop& s) {
        EXPECT_NE(s.message().find("negative power"), std::string::npos);
    }
    // Without zero amplitudes a negative power is fine.
    set_refl(st, {{{0, 0, 0}, 2, 0, 1}, {{1, 0, 0}, 4, 0, 1}});
    calcmodwg(st);
    EXPECT_NEAR(st.refl(1).modwg, 0.5 / 0.375, 1e-14);
    EXPECT_NEAR(st.refl(2).modwg, 0.25 / 0.375, 1e-14);
}

TEST(ConstraintWeights, ResolutionPower) {
    RunState st = cubic();
    set_refl(st, {{{0, 0, 0}, 1, 0, 1}, {{1, 0, 0}, 1, 0, 1}});
    st.modwgkey = fixed("H", 132);
    st.power = 2;
    calcmodwg(st);
    EXPECT_NEAR(st.refl(1).modwg, 1.0, 1e-12);
    EXPECT_NEAR(st.refl(2).modwg, 1.0, 1e-12);

    // Power 0.5: 000 takes 1/a* (nint(0.5) = 1), (2,0,0) takes 1/0.2^0.5.
    set_refl(st, {{{0, 0, 0}, 1, 0, 1}, {{2, 0, 0}, 1, 0, 1}});
    st.power = 0.5;
    calcmodwg(st);
    const double w0 = 10.0, w1 = 1 / std::sqrt(0.2), m = (w0 + w1) / 2;
    EXPECT_NEAR(st.refl(1).modwg, w0 / m, 1e-12);
    EXPECT_NEAR(st.refl(2).modwg, w1 / m, 1e-12);

    st.power = -2;
    calcmodwg(st);
    EXPECT_EQ(weights(st), (std::vector<double>{1.0, 1.0}));
}

// Blocks in the order extra, fbegin, gbegin: the weights follow the
// sections, not the first totalfg places of the table.
TEST(ConstraintWeights, ExtraBlockFirstKeepsItsZeroWeight) {
    RunState st = cubic();
    set_refl(st, {{{0, 0, 0}, 1, 0, 1}, {{1, 0, 0}, 3, 0, 1}}, {{5.0, 1, {{0, 1, 0}, {0, 0, 1}}}},
             {{{2, 2, 2}, 9, 0, 1}}, "EFG");
    st.modwgkey = fixed("F", 132);
    st.power = 1;
    calcmodwg(st);
    // Raw F 1, 3, G 5, 0: mean 9/2.
    EXPECT_EQ(st.refl(1).modwg, 0.0);
    EXPECT_NEAR(st.refl(2).modwg, 2.0 / 9, 1e-15);
    EXPECT_NEAR(st.refl(3).modwg, 6.0 / 9, 1e-15);
    EXPECT_NEAR(st.refl(4).modwg, 10.0 / 9, 1e-15);
    EXPECT_EQ(st.refl(5).modwg, 1.0);
}
