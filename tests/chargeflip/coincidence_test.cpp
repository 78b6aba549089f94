// The phase function, the half-cycle reduction and the two coincidence
// measures on exactly computed structure factors.
#include "chargeflip/coincidence.h"

#include <gtest/gtest.h>

#include <numbers>

#include "chargeflip/cf_state.h"

using namespace quilmo;
using namespace cftest;

namespace {

constexpr double kPi = std::numbers::pi;

const std::vector<PointAtom> kAtoms = {{0.11, 0.23, 0.37, 8}, {0.31, 0.07, 0.19, 6}, {0.42, 0.36, 0.08, 7}};

TEST(Phase, EdgesAndQuadrants) {
    struct Case {
        double a, b, phi;
    } cases[] = {
        {0, 0, 0},       {-1, 0, kPi},           {0, -1, -kPi / 2}, {0, 1, kPi / 2},
        {1, 1, kPi / 4}, {-1, -1, -3 * kPi / 4}, {5e-7, 5e-7, 0},   {1e-6, 0, 0},
    };
    for (const Case& c : cases) EXPECT_NEAR(phase(c.a, c.b), c.phi, 1e-12) << c.a << " " << c.b;
}

TEST(Phase, HalfCycleReductionKeepsHalvesAndFoldsTheRest) {
    struct Case {
        double p, r;
    } cases[] = {{0.5, 0.5},    {-0.5, -0.5}, {1.5, 0.5},   {-2.5, -0.5}, {0.75, -0.25},
                 {-0.75, 0.25}, {3.2, 0.2},   {-3.2, -0.2}, {2.0, 0.0},   {0.0, 0.0}};
    for (const Case& c : cases) EXPECT_NEAR(halfcycle(c.p), c.r, 1e-12) << c.p;
}

class Measures : public ::testing::Test {
protected:
    void SetUp() override {
        grid(st, 12, 12, 12);
        operators(st, p21());
        const double zero[3] = {0, 0, 0};
        structure(st, kAtoms, p21(), 3, zero);
    }
    RunState st;
};

TEST_F(Measures, IdentityAndTheTrueOperatorGiveZero) {
    const double s[8] = {};
    EXPECT_NEAR(coincidencers(st, 1, s), 0.0, 1e-9);
    EXPECT_NEAR(coincidencers(st, 2, s), 0.0, 1e-9);
    EXPECT_NEAR(coincidenceshift(st, s, 1), 0.0, 1e-9);
}

TEST_F(Measures, AShiftedOriginIsSeenAndTheTableAgreesWithTheDirectForm) {
    const double wrong[8] = {0.1, 0.0, 0.25};
    const double right[8] = {0.5, 0.3, 0.5};  // P2_1 allows x and z by 1/2, any y
    EXPECT_GT(coincidencers(st, 2, wrong), 1.0);
    EXPECT_NEAR(coincidencers(st, 2, right), 0.0, 1e-9);
    CoincidenceTable t;
    t.symmetry(st, 2);
    EXPECT_EQ(t(wrong), coincidencers(st, 2, wrong));
    t.shift(st, -1);
    EXPECT_EQ(t(wrong), coincidenceshift(st, wrong, -1));
}

TEST_F(Measures, AmplitudeScaleDoesNotChangeEitherMeasure) {
    const double s[8] = {0.13, 0.2, 0.41};
    const double sym = coincidencers(st, 2, s), shift = coincidenceshift(st, s, -1);
    for (int i = st.sec.f.start; i <= st.sec.f.end; ++i) {
        st.refl(i).f *= 7.5;
        st.refl(i).amem *= 7.5;
        st.refl(i).bmem *= 7.5;
    }
    for (quilmo::cplx& v : st.sf.sparse().value) v *= 3.0;
    EXPECT_NEAR(coincidencers(st, 2, s), sym, 1e-9 * sym);
    EXPECT_NEAR(coincidenceshift(st, s, -1), shift, 1e-9 * shift);
}

TEST_F(Measures, HalfACycleContributesAQuarterOfTheWeight) {
    // Only 000 and one reflection h = (1,0,0): its phase half a cycle away
    // from the one in sf.
    st.sec.f.end = 2;
    reftyp& e = st.refl(2);
    e.hklfg = {1, 0, 0};
    e.f = 2;
    e.amem = 2;
    e.bmem = 0;
    st.refl(1).f = 4;
    e.sfloc = arraylocation(st, e.hklfg, 2);
    quilmo::resync_sf(st);
    quilmo::TransformArray::Sparse& sf = quilmo::clear_sf(st);
    sf.value[static_cast<std::size_t>(st.sf.sparse_index(0))] = 4;
    sf.value[static_cast<std::size_t>(st.sf.sparse_index(e.sfloc))] = -2;
    const double s[8] = {};
    // sum = 2²·(1/2)² = 1; sumden = 4² + 2² = 20; two entries.
    EXPECT_NEAR(coincidenceshift(st, s, 1), 1.0 * 100000 / (20 * 2), 1e-9);
}

}  // namespace
