// The steps between reading and writing: French and Wilson's amplitudes,
// merging with phase shifts and absences, the grid, and the symmetry lines
// of every space-group setting read back by the program's own code.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "import/amplitudes.h"
#include "import/grid.h"
#include "import/merge.h"
#include "import/model.h"
#include "import/operators.h"
#include "import/program_check.h"
#include "input/reader.h"
#include "textio/lengths.h"
#include "textio/text.h"

namespace {

TEST(FrenchWilson, FiniteEstimatesForNegativeWeakAndStrongIntensities) {
    struct Case {
        double i, sigma, mean;
        bool centric;
    };
    const Case cases[] = {{-30, 10, 100, false}, {-30, 10, 100, true}, {0, 10, 100, false}, {5, 10, 100, true},
                          {-1e3, 1, 1e-3, false}, {1e8, 1, 1e8, false}, {1e8, 1e-6, 1e2, true}, {400, 10, 1e6, false}};
    for (const Case& c : cases) {
        const quilmo::Amplitude a = quilmo::french_wilson(c.i, c.sigma, c.mean, c.centric);
        EXPECT_TRUE(std::isfinite(a.f) && a.f > 0) << c.i << " " << c.sigma;
        EXPECT_TRUE(std::isfinite(a.sigma) && a.sigma > 0) << c.i << " " << c.sigma;
    }
    // A strong reflection keeps its amplitude and the propagated sigma.
    const auto strong = quilmo::french_wilson(400, 10, 1e6, false);
    EXPECT_NEAR(strong.f, 20, 0.01);
    EXPECT_NEAR(strong.sigma, 10 / (2 * 20.0), 0.005);
    // Weaker measurements give smaller amplitudes; a centric prior, whose
    // mass lies nearer zero, gives a smaller one than an acentric prior.
    const double f_neg = quilmo::french_wilson(-30, 10, 100, false).f, f_zero = quilmo::french_wilson(0, 10, 100, false).f;
    EXPECT_LT(f_neg, f_zero);
    EXPECT_LT(quilmo::french_wilson(0, 10, 100, true).f, f_zero);
    // Without information (sigma much larger than the mean) the prior's mean
    // amplitude is left: sqrt(pi mean)/2 for an acentric reflection.
    EXPECT_NEAR(quilmo::french_wilson(0, 1e6, 100, false).f, std::sqrt(M_PI * 100) / 2, 0.05);
}

// P2_1 with two atoms: equivalents and Friedel mates of one reflection,
// with the phases the model gives each of them, merge to the phase of the
// representative; a reflection 0 k 0 with k odd is an absence.
TEST(Merge, EquivalentsTakeTheirPhasesToTheRepresentativeAndAbsencesGo) {
    quilmo::Crystal c;
    c.cell = {7.78, 8.74, 10.9, 90, 103, 90};
    c.group = quilmo::group_from_list({quilmo::parse_operator("x,y,z", "t", 1), quilmo::parse_operator("-x,y+1/2,-z", "t", 2)}, "t", 1);
    c.model.sites.resize(2);
    c.model.sites[0].fract = {0.1, 0.2, 0.3};
    c.model.sites[0].element = gemmi::El::O;
    c.model.sites[1].fract = {0.37, 0.11, 0.81};
    c.model.sites[1].element = gemmi::El::C;
    const std::vector<gemmi::Miller> images = {{3, 2, 1}, {-3, 2, -1}, {-3, -2, -1}, {3, -2, 1}};
    std::vector<gemmi::Miller> all = images;
    all.push_back({0, 3, 0});
    const auto fc = quilmo::model_structure_factors(c, all);
    EXPECT_NEAR(std::abs(fc[4]), 0, 1e-9);  // the absence
    quilmo::ReflectionFile data;
    data.phased = true;
    const double values[] = {10, 12, 11, 13};
    for (std::size_t k = 0; k < images.size(); ++k)
        data.obs.push_back({images[k], values[k], k % 2 == 0 ? 1.0 : 2.0, std::arg(fc[k]) * 180 / M_PI, 0});
    data.obs.push_back({{0, 3, 0}, 50, 1, 0, 0});
    data.obs.push_back({{0, -3, 0}, 1, 1, 0, 0});
    const quilmo::ReciprocalSymmetry sym(c.group);
    const auto m = quilmo::merge(data, sym, gemmi::UnitCell(c.cell));
    ASSERT_EQ(m.unique.size(), 1u);
    const auto& u = m.unique[0];
    EXPECT_EQ(u.count, 4);
    EXPECT_NEAR(u.value, (10 + 12 / 4.0 + 11 + 13 / 4.0) / 2.5, 1e-12);
    EXPECT_NEAR(u.sigma, 1 / std::sqrt(2.5), 1e-12);
    const auto rep = quilmo::model_structure_factors(c, {u.h})[0];
    EXPECT_NEAR(std::remainder(u.phase - std::arg(rep) * 180 / M_PI, 360.0), 0, 1e-9);
    EXPECT_FALSE(u.centric);
    EXPECT_EQ(m.absences, 1);
    ASSERT_EQ(m.strong_absences.size(), 1u);
    EXPECT_EQ(m.multiple, 2);
    // R_int: |v - <v>| over both groups of more than one measurement.
    const double mean0 = u.value, mean1 = 25.5;
    EXPECT_NEAR(m.rint, (std::fabs(10 - mean0) + std::fabs(12 - mean0) + std::fabs(11 - mean0) + std::fabs(13 - mean0) +
                         2 * std::fabs(50 - mean1)) / (46 + 51),
                1e-12);
}

TEST(Grid, SizesFitTheSymmetryTheResolutionAndSmallPrimes) {
    struct Case {
        std::string hall;
        std::array<double, 6> cell;
        double step;
        std::array<int, 3> hmax, grid;
    };
    const Case cases[] = {
        {"P 2yb", {7.783, 8.7364, 10.9002, 90, 102.984, 90}, 0.2, {10, 11, 14}, {40, 48, 56}},
        {"P 2yb", {7.783, 8.7364, 10.9002, 90, 102.984, 90}, 0.25, {10, 11, 14}, {32, 36, 45}},
        {"-F 4 2 3", {5.64, 5.64, 5.64, 90, 90, 90}, 0.2, {8, 8, 8}, {30, 30, 30}},
        // 6_1: c in sixths (102 has the factor 17); a and b coupled by the sixfold axis.
        {"P 61", {10, 10, 30, 90, 90, 120}, 0.3, {5, 5, 20}, {35, 35, 108}},
        // R centering in thirds; high resolution forces more points.
        {"R 3", {10, 10, 20, 90, 90, 120}, 0.5, {30, 8, 10}, {63, 63, 42}},
        // I 41/a: quarter translations along c, the fourfold couples a and b.
        {"-I 4ad", {11, 11, 5.5, 90, 90, 90}, 0.25, {6, 6, 4}, {48, 48, 24}},
    };
    for (const Case& c : cases) {
        const gemmi::GroupOps g = gemmi::symops_from_hall(c.hall.c_str());
        EXPECT_EQ(quilmo::choose_grid(c.cell, c.step, c.hmax, quilmo::grid_rule(g)), c.grid) << c.hall;
    }
}

// Every setting of the table: its operators and centering vectors in the
// words of the keyword file read back by the program's reader to the same
// operators, and the program's group check accepts them on the grid the
// rule gives, in a cell of the right shape.
TEST(ProgramOperators, EverySettingReadsBackAndPassesTheProgramsGroupCheck) {
    const std::array<std::array<double, 6>, 3> cells = {
        {{10, 10, 10, 90, 90, 90}, {10, 10, 15, 90, 90, 120}, {10, 10, 10, 70, 70, 70}}};
    int settings = 0;
    for (const gemmi::SpaceGroup& sg : gemmi::spacegroup_tables::main) {
        const gemmi::GroupOps g = sg.operations();
        std::vector<std::string> ops, centers;
        for (const gemmi::Op& op : g.sym_ops) {
            ops.push_back(quilmo::program_operator(op));
            double r[9] = {}, t[3] = {};
            quilmo::symmetry(3, quilmo::fixed(ops.back(), quilmo::kLineLen), r, t);
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) EXPECT_EQ(r[i + 3 * j] * 24, op.rot[i][j]) << sg.hall << " " << ops.back();
                EXPECT_EQ(std::fmod(t[i] * 24 + 24, 24), (op.tran[i] + 24) % 24) << sg.hall << " " << ops.back();
            }
        }
        for (const gemmi::Op::Tran& c : g.cen_ops)
            if (c != gemmi::Op::Tran{0, 0, 0}) centers.push_back(quilmo::program_center(c));
        const std::array<double, 6>* cell = nullptr;
        for (const auto& c : cells)
            if (!cell && gemmi::UnitCell(c).is_compatible_with_groupops(g, 1e-6)) cell = &c;
        ASSERT_NE(cell, nullptr) << sg.hall;
        EXPECT_EQ(quilmo::program_symmetry_check(*cell, ops, centers, quilmo::grid_rule(g).divisor), "") << sg.hall;
        ++settings;
    }
    EXPECT_GT(settings, 500);
}

}  // namespace
