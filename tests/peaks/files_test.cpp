// Compositions and the labels they give, the symmetry of the SHELX file,
// and the SHELX file itself as a refinement program reads it.
#include <gtest/gtest.h>

#include "gauss_map.h"
#include "peaks/composition.h"
#include "peaks/peakfiles.h"
#include "support/shelx_res.h"

using namespace quilmo;
using quilmo_test::GaussCrystal;
using quilmo_test::Op;

namespace {

const std::vector<double> kZero = {0, 0, 0};

TEST(Composition, FormulasAndWhatIsWrongWithThem) {
    struct Case {
        const char* text;
        std::vector<std::pair<int, double>> atoms;
        double z;
        const char* error;
    };
    const Case cases[] = {
        {"C12 H22 O11", {{6, 12}, {1, 22}, {8, 11}}, 0, ""},
        {"C12H22O11 Z 2", {{6, 12}, {1, 22}, {8, 11}}, 2, ""},
        {"Na Cl Z=4", {{11, 1}, {17, 1}}, 4, ""},
        {"Cl2 C1.5 Zn", {{17, 2}, {6, 1.5}, {30, 1}}, 0, ""},
        {"C12 Xx2", {}, 0, "unknown element Xx"},
        {"c12", {}, 0, "\"c\" does not start an element symbol"},
        {"C0", {}, 0, "the count of C must be positive"},
        {"C2 Z", {}, 0, "Z must be followed by the number of formula units per cell"},
        {"C2 Z 2 O", {}, 0, "nothing may follow the number of formula units"},
        {"  ", {}, 0, "no element given"},
    };
    for (const Case& c : cases) {
        Composition comp;
        std::string error;
        const bool ok = parse_composition(c.text, comp, error);
        EXPECT_EQ(ok, std::string(c.error).empty()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        if (!ok) continue;
        EXPECT_EQ(comp.atoms, c.atoms) << c.text;
        EXPECT_EQ(comp.z, c.z) << c.text;
    }
    Composition sucrose;
    std::string error;
    ASSERT_TRUE(parse_composition("C12 H22 O11", sucrose, error));
    EXPECT_EQ(formula_electrons(sucrose), 182);
    EXPECT_EQ(formula_units(sucrose, 364, 2), 2);
    EXPECT_EQ(formula_units(sucrose, 0, 4), 4);
    sucrose.z = 3;
    EXPECT_EQ(formula_units(sucrose, 364, 2), 3);
}

TEST(Composition, HeaviestElementsGoToTheHighestPeaksCountingCopies) {
    // P2_1/c: four copies on a general position, two on a centre.
    std::vector<Peak> peaks(7);
    const int copies[] = {2, 4, 4, 4, 2, 4, 4};
    for (std::size_t i = 0; i < peaks.size(); ++i) peaks[i].copies = copies[i];
    Composition c;
    std::string error;
    ASSERT_TRUE(parse_composition("Cu0.5 O2 C3 H8", c, error));
    // Per cell (Z = 4): 2 Cu, 8 O, 12 C, and H left alone.
    label_peaks(peaks, c, 4);
    std::vector<std::string> labels, elements;
    for (const Peak& p : peaks) labels.push_back(p.label), elements.push_back(p.element);
    EXPECT_EQ(labels, (std::vector<std::string>{"Cu1", "O1", "O2", "C1", "C2", "C3", "C4"}));
    label_peaks(peaks, c, 1);  // 0.5 Cu, 2 O, 3 C per cell
    labels.clear();
    for (const Peak& p : peaks) labels.push_back(p.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"Cu1", "O1", "C1", "Q1", "Q2", "Q3", "Q4"}));
    EXPECT_TRUE(peaks[3].element.empty());
}

std::vector<Op> ops(std::initializer_list<std::pair<std::vector<double>, std::vector<double>>> list) {
    std::vector<Op> out;
    for (const auto& [r, t] : list) out.push_back({r, t});
    return out;
}

const std::vector<double> kE = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const std::vector<double> kInv = {-1, 0, 0, 0, -1, 0, 0, 0, -1};
const std::vector<double> k2y = {-1, 0, 0, 0, 1, 0, 0, 0, -1};
const std::vector<double> kMy = {1, 0, 0, 0, -1, 0, 0, 0, 1};

TEST(ShelxSymmetry, LatticeTypeSignAndTheOperatorsLeftToName) {
    struct Case {
        const char* name;
        std::vector<double> cell;
        std::vector<int> nvox;
        std::vector<Op> ops;
        std::vector<std::vector<double>> centers;
        int latt;
        std::vector<std::string> symm;
    };
    std::vector<Op> m3m;
    const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& p : perms)
        for (int signs = 0; signs < 8; ++signs) {
            Op op{std::vector<double>(9, 0.0), kZero};
            for (int i = 0; i < 3; ++i)
                op.r[static_cast<std::size_t>(3 * i + p[i])] = (signs >> i & 1) ? -1 : 1;
            m3m.push_back(op);
        }
    const std::vector<double> mono = {7, 8, 9, 90, 100, 90};
    const Case cases[] = {
        {"P2_1", mono, {8, 8, 8}, ops({{kE, kZero}, {k2y, {0, 0.5, 0}}}), {}, -1, {"-X, 0.5+Y, -Z"}},
        {"P2_1/c",
         mono,
         {8, 8, 8},
         ops({{kE, kZero}, {k2y, {0, 0.5, 0.5}}, {kInv, kZero}, {kMy, {0, 0.5, 0.5}}}),
         {},
         1,
         {"-X, 0.5+Y, 0.5-Z"}},
        {"C2/c",
         mono,
         {8, 8, 8},
         ops({{kE, kZero}, {k2y, {0, 0, 0.5}}, {kInv, kZero}, {kMy, {0, 0, 0.5}}}),
         {{0, 0, 0}, {0.5, 0.5, 0}},
         7,
         {"-X, Y, 0.5-Z"}},
        // Centrosymmetric, but not through the origin: every operator named.
        {"P-1 with the centre at 1/4 1/4 1/4",
         mono,
         {8, 8, 8},
         ops({{kE, kZero}, {kInv, {0.5, 0.5, 0.5}}}),
         {},
         -1,
         {"0.5-X, 0.5-Y, 0.5-Z"}},
        {"R3, hexagonal axes",
         {10, 10, 12, 90, 90, 120},
         {12, 12, 12},
         ops({{kE, kZero}, {{0, -1, 0, 1, -1, 0, 0, 0, 1}, kZero}, {{-1, 1, 0, -1, 0, 0, 0, 0, 1}, kZero}}),
         {{0, 0, 0}, {2.0 / 3, 1.0 / 3, 1.0 / 3}, {1.0 / 3, 2.0 / 3, 2.0 / 3}},
         -3,
         {"-Y, X-Y, Z", "-X+Y, -X, Z"}},
    };
    for (const Case& c : cases) {
        GaussCrystal g(c.cell, c.nvox, c.ops, c.centers);
        ASSERT_EQ(g.errcd, 0) << c.name << g.con.str();
        const Frame f = frame_of(g.st);
        const ShelxSymmetry s = shelx_symmetry(f);
        EXPECT_EQ(s.latt, c.latt) << c.name;
        std::vector<std::string> symm;
        for (int q : s.symm) symm.push_back(triplet(f.ops[static_cast<std::size_t>(q)], true));
        EXPECT_EQ(symm, c.symm) << c.name;
    }
    GaussCrystal fm3m({5.64, 5.64, 5.64, 90, 90, 90}, {24, 24, 24}, m3m,
                      {{0, 0, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}, {0.5, 0.5, 0}});
    const ShelxSymmetry s = shelx_symmetry(frame_of(fm3m.st));
    EXPECT_EQ(s.latt, 4);
    EXPECT_EQ(s.symm.size(), 23u);
}

// A P2_1/c model: an atom on a general position, one on the inversion
// centre, a Q-peak.
struct SmallModel {
    GaussCrystal g{{7, 8, 9, 90, 100, 90},
                   {8, 8, 8},
                   ops({{kE, kZero}, {k2y, {0, 0.5, 0.5}}, {kInv, kZero}, {kMy, {0, 0.5, 0.5}}})};
    Frame f = frame_of(g.st);
    PeakTable t;
    ModelInfo m;
    SmallModel(const char* composition) {
        const double x[3][3] = {{0.1, 0.2, 0.3}, {0, 0, 0}, {0.4, 0.1, 0.2}};
        const int site[3] = {1, 2, 1};
        for (int i = 0; i < 3; ++i) {
            Peak p;
            p.x = {x[i][0], x[i][1], x[i][2]};
            p.site = site[i];
            p.copies = 4 / site[i];
            p.height = 3.0 - i;
            t.peaks.push_back(p);
        }
        m.title = "test crystal";
        m.name = "test";
        m.cell = {7, 8, 9, 90, 100, 90};
        std::string error;
        EXPECT_TRUE(parse_composition(composition, m.composition, error));
        m.units = 2;
        label_peaks(t.peaks, m.composition, m.units);
    }
};

TEST(ShelxFile, AsARefinementProgramReadsIt) {
    SmallModel model("O C H5");
    EXPECT_EQ(shelx_text(model.f, model.t, model.m),
              "TITL test crystal\n"
              "CELL 0.71073    7.0000    8.0000    9.0000   90.000  100.000   90.000\n"
              "ZERR 2    0.0000    0.0000    0.0000    0.000    0.000    0.000\n"
              "LATT 1\n"
              "SYMM -X, 0.5+Y, 0.5-Z\n"
              "SFAC O C H\n"
              "UNIT 2 2 10\n"
              "O1     1    0.100000    0.200000    0.300000    11.00000  0.05000\n"
              "C1     2    0.000000    0.000000    0.000000    10.50000  0.05000\n"
              "Q1     1    0.400000    0.100000    0.200000    11.00000  0.05000     1.00\n"
              "HKLF 4\n"
              "END\n");

    // Many elements: SFAC and UNIT go on over continuation lines.
    SmallModel many(
        "C H N O F P S Cl Br I Na K Mg Ca Fe Co Ni Cu Zn Se Mo Ru Rh Pd Ag Sn Sb Te Ba La Ce Pt Au Hg");
    const quilmo_test::ResFile r = quilmo_test::read_res(shelx_text(many.f, many.t, many.m));
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.sfac.size(), 34u);
    EXPECT_EQ(r.unit, std::vector<double>(34, 2.0));
    EXPECT_EQ(r.latt, 1);
    ASSERT_EQ(r.atoms.size(), 3u);
    EXPECT_EQ(r.atoms[0].label, "Hg1");
    EXPECT_EQ(r.sfac[static_cast<std::size_t>(r.atoms[1].sfac - 1)], "Au");
    EXPECT_EQ(r.atoms[2].label, "Pt1");
    EXPECT_DOUBLE_EQ(r.atoms[1].sof, 10.5);
    EXPECT_TRUE(r.hklf4 && r.end);
}

TEST(ModelCif, CellOperatorsAndSites) {
    SmallModel model("O C H5");
    const std::string cif = model_cif_text(model.f, model.t, model.m);
    for (const char* item :
         {"data_test\n", "_cell_length_b                   8.0000\n", "_cell_formula_units_Z            2\n",
          "_chemical_formula_sum            'O C H5'\n", "1 'x,y,z'\n", "2 '-x,y+1/2,-z+1/2'\n",
          "4 'x,-y+1/2,z+1/2'\n", "O1    O    0.100000   0.200000   0.300000 0.05 Uiso 1 4 1\n",
          "C1    C    0.000000   0.000000   0.000000 0.05 Uiso 1 2 2\n",
          "Q1    ?    0.400000   0.100000   0.200000 0.05 Uiso 1 4 1\n"})
        EXPECT_NE(cif.find(item), std::string::npos) << item << cif;
}

}  // namespace
