// Preparation of a prior density: the flat density and the corrections.
#include <gtest/gtest.h>

#include <sstream>

#include "density/prior.h"
#include "textio/stop.h"

namespace quilmo {
namespace {

RunState three_voxels(double a, double b, double c) {
    RunState st;
    st.nvoxtot = 3;
    st.lstrhoel = 2;
    st.rho.allocate(0, 2);
    st.rho(0) = a;
    st.rho(1) = b;
    st.rho(2) = c;
    st.charge = 6.0;
    st.epv = 2.0;
    return st;
}

TEST(RhoCorrection, NoneKeepsTheDensityAsRead) {
    RunState st = three_voxels(-0.2, 0.1, 0.3);
    st.rhomin = -0.2;
    rhocorrection(st, "none");
    EXPECT_EQ(st.rho(0), -0.2);
    EXPECT_EQ(st.rho(2), 0.3);
}

TEST(RhoCorrection, CutRaisesLowValuesToTheMinimumMagnitudeThenScales) {
    RunState st = three_voxels(-0.2, 0.1, 0.3);
    st.rhomin = -0.2;
    rhocorrection(st, "cut");
    // 0.2, 0.2, 0.3 scaled to 6 electrons.
    EXPECT_NEAR(st.rho(0), 0.2 * 6 / 0.7, 1e-12);
    EXPECT_NEAR(st.rho(1), 0.2 * 6 / 0.7, 1e-12);
    EXPECT_NEAR(st.rho(2), 0.3 * 6 / 0.7, 1e-12);
}

TEST(RhoCorrection, RaiseShiftsValuesAndRecordedExtremes) {
    RunState st = three_voxels(-0.2, 0.1, 0.3);
    st.rhomin = -0.2;
    st.rhomax = 0.3;
    rhocorrection(st, "raise");
    EXPECT_NEAR(st.rhomin, 0.1, 1e-12);
    EXPECT_NEAR(st.rhomax, 0.6, 1e-12);
    double sum = st.rho(0) + st.rho(1) + st.rho(2);
    EXPECT_NEAR(sum, 6.0, 1e-12);
    EXPECT_NEAR(st.rho(0) / st.rho(1), 0.1 / 0.4, 1e-12);
}

TEST(RhoCorrection, FlatReplacesNonPositiveValuesOnlyWhenTheRecordedMinimumIsNegative) {
    RunState st = three_voxels(-0.2, 0.0, 0.3);
    st.rhomin = -0.2;
    rhocorrection(st, "flat");
    EXPECT_NEAR(st.rho(0), st.rho(1), 1e-12);
    EXPECT_NEAR(st.rho(0) + st.rho(1) + st.rho(2), 6.0, 1e-12);

    // The recorded minimum is judged, not a new scan: with 0 recorded only
    // the scaling happens.
    RunState fresh = three_voxels(-1.0, 1.0, 3.0);
    rhocorrection(fresh, "flat");
    EXPECT_NEAR(fresh.rho(0), -2.0, 1e-12);
}

TEST(RhoCorrection, UnknownTypeStopsWithItsFullTenCharacters) {
    RunState st = three_voxels(1, 1, 1);
    std::ostringstream out;
    st.con = &out;
    EXPECT_THROW(rhocorrection(st, "Cut"), RunStop);
    EXPECT_EQ(out.str(), "\nError: Wrong correction type defined: Cut       !\n");
}

TEST(FlatDensity, EveryVoxelGetsTheElectronsPerVoxel) {
    RunState st = three_voxels(0, 0, 0);
    flatdensity(st);
    for (int v = 0; v <= 2; ++v) EXPECT_EQ(st.rho(v), 2.0);
}

}  // namespace
}  // namespace quilmo
