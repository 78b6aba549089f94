// The readers of quilmo-import on files written the way real ones are: a
// .res with everything a reader must pass over, fixed-column .hkl lines, and
// CIFs with uncertainties, id columns, symbols instead of operators and
// reflection loops with A and B.
#include <gtest/gtest.h>

#include <cmath>

#include "import/cif.h"
#include "import/elements.h"
#include "import/hkl.h"
#include "import/model.h"
#include "import/shelx.h"
#include "textio/stop.h"

namespace {

using quilmo::Crystal;

TEST(ShelxReader, ResFileWithEverythingAReaderMustPassOver) {
    const std::string res =
        "TITL test in I2/m ! not a comment in a title\n"
        "CELL 0.71073  10.0 12.0 8.0 90 100 90\n"
        "ZERR 4 0.001 0.001 0.001 0 0.01 0\n"
        "LATT 2\n"
        "SYMM 0.5-X, Y, -Z   ! a comment\n"
        "SFAC C N\n"
        "SFAC Fe 11.7695 4.7611 7.3573 0.3072 3.5222 15.3535 2.3045 76.8805 1.0369 =\n"
        "  0.3463 0.8444 0.0 0.0 55.85\n"
        "UNIT 16 8 4\n"
        "REM  Q1 1 0.1 0.2 0.3 11 0.05 is a remark\n"
        "L.S. 10\nPLAN 20\nWGHT 0.1 0.2\n"
        "FVAR 0.5 0.3\n"
        "FE1 3 10.25 0.25 10.0 10.5 0.02\n"
        "C1  1 0.1 0.2 0.3 21.0 0.011 0.012 0.013 =\n"
        "   0.001 0.002 0.003\n"
        "AFIX 43\n"
        "H1  1 0.15 0.25 0.35 -21.0 -1.2\n"
        "AFIX 0\n"
        "N1  2 0.4 0.5 0.6 11 0.03\n"
        "Q1  1 0.5 0.5 0.5 11 0.05 1.23\n"
        "Q2  1 0.6 0.5 0.5 11 0.05 1.01\n"
        "HKLF 4 1 0 1 0 1 0 0 0 0 -1\n"
        "END\n"
        "C9 1 not read after END\n";
    const Crystal c = quilmo::read_shelx(res, "t.res");
    EXPECT_EQ(c.title, " test in I2/m ! not a comment in a title");
    EXPECT_DOUBLE_EQ(c.wavelength, 0.71073);
    EXPECT_DOUBLE_EQ(c.cell[4], 100);
    EXPECT_EQ(c.cell_source.line, 2);
    // I-centred and centrosymmetric: 1, 2-fold, their inversions; 2 lattice points.
    EXPECT_EQ(c.group.sym_ops.size(), 4u);
    EXPECT_EQ(c.group.cen_ops.size(), 2u);
    EXPECT_TRUE(c.group.is_centrosymmetric());
    EXPECT_EQ(c.group.sym_ops[1].triplet(), "-x+1/2,y,-z");
    // The long form's f(0) = a1 + a2 + a3 + a4 + c counts for iron.
    EXPECT_EQ(quilmo::composition_text(c.composition, false), "C16 N8 Fe4");
    EXPECT_EQ(quilmo::composition_text(c.composition, true), "C4 N2 Fe");
    EXPECT_DOUBLE_EQ(c.composition.z, 4);
    EXPECT_NEAR(c.composition.electrons, 16 * 6 + 8 * 7 + 4 * 25.9904, 1e-9);
    // Atoms: no Q-peaks, fixed values, free variables, riding hydrogen.
    ASSERT_EQ(c.model.sites.size(), 4u);
    const auto& fe = c.model.sites[0];
    EXPECT_EQ(fe.label, "FE1");
    EXPECT_EQ(fe.element.name(), std::string("Fe"));
    EXPECT_DOUBLE_EQ(fe.fract.x, 0.25);
    EXPECT_DOUBLE_EQ(fe.fract.z, 0.0);
    EXPECT_DOUBLE_EQ(fe.occ, 0.5);
    const auto& c1 = c.model.sites[1];
    EXPECT_DOUBLE_EQ(c1.occ, 0.3);
    EXPECT_DOUBLE_EQ(c1.aniso.u23, 0.001);
    EXPECT_DOUBLE_EQ(c1.aniso.u12, 0.003);
    const double ueq = quilmo::u_equivalent(c1.aniso, c.cell);
    EXPECT_NEAR(c1.u_iso, ueq, 1e-12);
    const auto& h1 = c.model.sites[2];
    EXPECT_NEAR(h1.occ, 0.7, 1e-12);
    EXPECT_NEAR(h1.u_iso, 1.2 * ueq, 1e-12);
    EXPECT_EQ(c.hklf, 4);
    EXPECT_EQ(c.hklf_matrix, (std::array<double, 9>{0, 1, 0, 1, 0, 0, 0, 0, -1}));
}

TEST(HklReader, FixedColumnsImpliedDecimalsBatchesAndTheEndLine) {
    const std::string hkl =
        "   1   2   3  100.50    2.50   1\n"
        "  -1  -2  -3     123     250   2\n"   // no decimal point: 1.23 and 2.50
        "  10 -10   0  -12.00    4.00\n"
        "   2   0   0   50.00    0.00\n"       // sigma 0: left out
        "   3   0   0   50.00   -1.00\n"       // negative sigma: left out
        "   0   0   0    0.00    0.00\n"
        "   4   0   0   99.00    1.00\n";      // after the end
    const auto r = quilmo::read_hkl(hkl, "t.hkl", 4, 2.0, {1, 0, 0, 0, 1, 0, 1, 0, 1});
    EXPECT_TRUE(r.intensities);
    EXPECT_EQ(r.read, 5);
    EXPECT_EQ(r.rejected, 2);
    ASSERT_EQ(r.obs.size(), 3u);
    EXPECT_EQ(r.obs[0].h, (gemmi::Miller{1, 2, 4}));
    EXPECT_DOUBLE_EQ(r.obs[0].value, 201);
    EXPECT_DOUBLE_EQ(r.obs[1].value, 2.46);
    EXPECT_DOUBLE_EQ(r.obs[1].sigma, 5);
    EXPECT_EQ(r.obs[2].h, (gemmi::Miller{10, -10, 10}));
    EXPECT_EQ(r.obs[2].line, 3);
    EXPECT_FALSE(quilmo::read_hkl(hkl, "t.hkl", 3).intensities);
}

TEST(CifReader, ModelWithUncertaintiesIdColumnsAndAnisotropicAtoms) {
    const std::string cif =
        "data_global\n_journal_year 2020\n"
        "data_x\n"
        "_cell_length_a 7.7830(9)\n_cell_length_b 8.7364(11)\n_cell_length_c 10.9002(11)\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 102.984(11)\n_cell_angle_gamma 90\n"
        "_chemical_formula_sum 'C12 H22 O11'\n_cell_formula_units_Z 2\n"
        "loop_\n_space_group_symop_id\n_space_group_symop_operation_xyz\n1 'x, y, z'\n2 '-x, y+1/2, -z'\n"
        "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
        "_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n_atom_site_B_iso_or_equiv\n"
        "O1 O -0.1317(2) 0.9354(2) 0.8772(1) . .\n"
        "C1 C -0.2057(3) 0.7821(3) 0.8594(2) ? 1.5\n"
        "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\n_atom_site_aniso_U_22\n_atom_site_aniso_U_33\n"
        "_atom_site_aniso_U_12\n_atom_site_aniso_U_13\n_atom_site_aniso_U_23\n"
        "O1 0.020(1) 0.018(1) 0.021(1) 0.001(1) 0.004(1) -0.002(1)\n";
    const Crystal c = quilmo::read_cif_crystal(cif, "t.cif");
    EXPECT_EQ(c.title, "x");
    EXPECT_DOUBLE_EQ(c.cell[1], 8.7364);
    EXPECT_DOUBLE_EQ(c.cell[4], 102.984);
    EXPECT_EQ(c.group.order(), 2);
    EXPECT_EQ(c.group_source.line, 15);
    EXPECT_DOUBLE_EQ(c.composition.electrons, 364);
    EXPECT_EQ(quilmo::composition_text(c.composition, true), "C12 H22 O11");
    ASSERT_EQ(c.model.sites.size(), 2u);
    EXPECT_DOUBLE_EQ(c.model.sites[0].aniso.u23, -0.002);
    EXPECT_NEAR(c.model.sites[0].u_iso, quilmo::u_equivalent(c.model.sites[0].aniso, c.cell), 1e-15);
    EXPECT_NEAR(c.model.sites[1].u_iso, 1.5 / (8 * M_PI * M_PI), 1e-15);
    EXPECT_TRUE(c.chemical_occupancies);
}

TEST(CifReader, SymmetryFromHallOrHermannMauguinSymbolOrTableNumber) {
    struct Case {
        std::string items;
        int order, centering;
        bool centro;
    };
    const std::string cell = "data_x\n_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 5\n"
                             "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
    const Case cases[] = {
        {"_space_group_name_Hall '-F 4 2 3'\n", 192, 4, true},
        {"_symmetry_space_group_name_H-M 'P 21 21 21'\n", 4, 1, false},
        {"_space_group_name_H-M_alt 'I 41/a m d'\n", 32, 2, true},
        {"_space_group_IT_number 14\n", 4, 1, true},
    };
    for (const Case& k : cases) {
        const Crystal c = quilmo::read_cif_crystal(cell + k.items, "t.cif");
        EXPECT_EQ(c.group.order(), k.order) << k.items;
        EXPECT_EQ(static_cast<int>(c.group.cen_ops.size()), k.centering) << k.items;
        EXPECT_EQ(c.group.is_centrosymmetric(), k.centro) << k.items;
        EXPECT_EQ(c.group_source.line, 8) << k.items;
    }
}

TEST(CifReader, ReflectionLoopWithAAndBAndValuesNotGiven) {
    const std::string cif =
        "data_r\n_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n"
        "loop_\n_refln_index_h\n_refln_index_k\n_refln_index_l\n_refln_F_meas\n_refln_F_sigma\n"
        "_refln_A_calc\n_refln_B_calc\n"
        "1 0 0 10.0 0.5 0 -3.0\n"
        "0 0 0 99 1 99 0\n"
        "0 1 1 ? 0.5 1 1\n"
        ";\n2\n;\n 1 1 4.0 0.2 -2.0 0\n";
    Crystal head;
    const auto r = quilmo::read_cif_reflections(cif, "t.cif", head);
    EXPECT_TRUE(head.cell_source.given());
    EXPECT_FALSE(head.group_source.given());
    EXPECT_FALSE(r.intensities);
    EXPECT_TRUE(r.phased);
    EXPECT_EQ(r.read, 3);
    EXPECT_EQ(r.rejected, 1);
    ASSERT_EQ(r.obs.size(), 2u);
    EXPECT_DOUBLE_EQ(r.obs[0].phase, -90);
    EXPECT_EQ(r.obs[1].h, (gemmi::Miller{2, 1, 1}));
    EXPECT_DOUBLE_EQ(r.obs[1].phase, 180);
    // A bad value names its own line, found past the text field.
    try {
        quilmo::read_cif_reflections(cif + "3 3 3 x 1 0 0\n", "t.cif", head);
        FAIL();
    } catch (const quilmo::RunStop& s) {
        EXPECT_EQ(s.message(), "t.cif, line 23: 'x' is not a number (_refln_F_meas)");
    }
}

}  // namespace
