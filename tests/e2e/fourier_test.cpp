// A whole Fourier run: structure factors of point atoms in, a density map out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "density/files.h"
#include "support/e2e.h"
#include "support/point_atoms.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::TempDir;
using quilmo_test::Atom;
using quilmo_test::point_atom_input;

namespace {

const std::vector<Atom> kAtoms = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};

TEST(FourierRun, DensityPeaksOnTheAtomsAndSumsToF000) {
    TempDir dir;
    dir.write("atoms.Quilmo", point_atom_input(kAtoms, "fourier", "algorithm S-S\ninitialdensity flat\noutputformat QLascii\n"));
    auto r = run_quilmo(dir, {"atoms"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_TRUE(dir.exists("atoms.asc"));

    // Read the map back as a prior density would be read.
    quilmo::RunState st;
    std::ostringstream con;
    st.con = &con;
    st.sdim = st.rdim = 3;
    st.nvox.allocate(1, 3);
    st.nvox.fill(20);
    st.nvoxtot = 8000;
    st.lstrhoel = 7999;
    st.rho.allocate(0, 7999);
    st.ncellpar = 6;
    st.cellcon = 7;
    st.cell.allocate(1, 7);
    for (int i = 1; i <= 3; ++i) st.cell(i) = 10;
    for (int i = 4; i <= 6; ++i) st.cell(i) = 90;
    st.cell(7) = 1000;
    ASSERT_EQ(quilmo::readql(st, quilmo::fixed((dir / "atoms.asc").string(), 264)), quilmo::FileResult::Ok) << con.str();

    double sum = 0;
    for (int v = 0; v < 8000; ++v) sum += st.rho(v);
    EXPECT_NEAR(sum, 14.0, 1e-9);

    // The two largest local maxima stand on the atoms, the heavier one first.
    auto at = [&](int x, int y, int z) {
        return st.rho(((x + 20) % 20) + 20 * (((y + 20) % 20) + 20 * ((z + 20) % 20)));
    };
    auto is_peak = [&](int x, int y, int z) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz)
                    if ((dx || dy || dz) && at(x + dx, y + dy, z + dz) >= at(x, y, z)) return false;
        return true;
    };
    EXPECT_TRUE(is_peak(2, 4, 6));
    EXPECT_TRUE(is_peak(10, 12, 14));
    double heavy = at(10, 12, 14), light = at(2, 4, 6);
    EXPECT_GT(heavy, light);
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 20; ++y)
            for (int z = 0; z < 20; ++z) {
                bool atom = (x == 2 && y == 4 && z == 6) || (x == 10 && y == 12 && z == 14);
                if (!atom) {
                    EXPECT_LT(at(x, y, z), light) << x << " " << y << " " << z;
                }
            }

    // The log and the listing collect the run's reports.
    EXPECT_NE(dir.read("atoms.QLlog").find("Electron density written to file atoms.asc"),
              std::string::npos);
    EXPECT_FALSE(dir.read("atoms.QLout").empty());
}

TEST(FourierRun, ASecondRunNeverOverwritesTheFirstMap) {
    TempDir dir;
    dir.write("atoms.Quilmo", point_atom_input(kAtoms, "fourier", "algorithm S-S\ninitialdensity flat\noutputformat QLascii\n"));
    ASSERT_EQ(run_quilmo(dir, {"atoms"}).status, 0);
    std::string first = dir.read("atoms.asc");
    auto r = run_quilmo(dir, {"atoms"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(dir.read("atoms.asc"), first);
    EXPECT_TRUE(dir.exists("qlmap00.asc"));
    // Both runs' reports are in the log, the second after the first.
    std::string log = dir.read("atoms.QLlog");
    size_t one = log.find("Electron density written to file atoms.asc");
    size_t two = log.find("Electron density written to file qlmap00.asc");
    ASSERT_NE(one, std::string::npos);
    ASSERT_NE(two, std::string::npos);
    EXPECT_LT(one, two);
}

}  // namespace
