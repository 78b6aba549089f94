// quilmo-import on the files a refinement leaves behind, and quilmo on what
// it writes: the sample figures, the symmetry as the hand-written inputs
// give it, maximum entropy from an .fcf and charge flipping from an .hkl
// that find the structure, model phases that match the refinement's, and
// broken files that end with one message and write nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "input/reader.h"
#include "support/e2e.h"
#include "support/map_peaks.h"
#include "textio/lengths.h"
#include "textio/text.h"

using quilmo_test::lines_of;
using quilmo_test::run_import;
using quilmo_test::run_quilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kData = std::string(QUILMO_TEST_DATA) + "/";
const std::string kImport = kData + "import/";

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    const auto p = s.find(from);
    if (p != std::string::npos) s.replace(p, from.size(), to);
    return s;
}

// The lines of a keyword file between `begin` and `end`.
std::vector<std::string> block(const std::string& text, const std::string& begin, const std::string& end) {
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& l : lines_of(text)) {
        if (l == end) in = false;
        if (in) out.push_back(l);
        if (l == begin) in = true;
    }
    return out;
}

// Operators and centering vectors as the program reads them, translations
// in 24ths reduced into [0, 1), as a set.
using OpKey = std::array<long, 12>;
std::set<OpKey> operator_set(const std::string& text) {
    std::set<OpKey> ops;
    for (const std::string& l : block(text, "symmetry", "endsymmetry")) {
        double r[9] = {}, t[3] = {};
        quilmo::symmetry(3, quilmo::fixed(l, quilmo::kLineLen), r, t);
        OpKey k{};
        for (int i = 0; i < 9; ++i) k[static_cast<std::size_t>(i)] = std::lround(r[i]);
        for (int i = 0; i < 3; ++i) k[static_cast<std::size_t>(9 + i)] = ((std::lround(t[i] * 24) % 24) + 24) % 24;
        ops.insert(k);
    }
    return ops;
}

std::set<std::array<long, 3>> center_set(const std::string& text) {
    std::set<std::array<long, 3>> c{{0, 0, 0}};
    for (const std::string& l : block(text, "centers", "endcenters")) {
        double v[3] = {};
        quilmo::centervec(quilmo::fixed(l, quilmo::kLineLen), 3, v);
        c.insert({(std::lround(v[0] * 24) % 24 + 24) % 24, (std::lround(v[1] * 24) % 24 + 24) % 24,
                  (std::lround(v[2] * 24) % 24 + 24) % 24});
    }
    return c;
}

// The F block: h k l -> (A, B).
std::map<std::array<int, 3>, std::pair<double, double>> fblock(const std::string& text) {
    std::map<std::array<int, 3>, std::pair<double, double>> f;
    for (const std::string& l : block(text, "fbegin", "endf")) {
        std::istringstream in(l);
        std::array<int, 3> h{};
        double a = 0, b = 0;
        in >> h[0] >> h[1] >> h[2] >> a >> b;
        f[h] = {a, b};
    }
    return f;
}

bool has_line(const std::string& text, const std::string& line) {
    for (const std::string& l : lines_of(text))
        if (l == line) return true;
    return false;
}

const std::vector<quilmo_test::FracOp> kP21 = {{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}},
                                               {{-1, 0, 0, 0, 1, 0, 0, 0, -1}, {0, 0.5, 0}}};

TEST(ImportSamples, FiguresOfBothSamplesAndTheSymmetryOfTheHandWrittenInputs) {
    struct Sample {
        std::string name, unique, dmin, electrons, handwritten;
    };
    const Sample samples[] = {
        {"sucrose", "1769", "0.7693 A", "364 per cell", kData + "mem/sucrose_mem.Quilmo"},
        {"nacl", "35", "0.6306 A", "112 per cell", kImport + "nacl_mem.Quilmo"},
    };
    for (const Sample& s : samples) {
        TempDir dir;
        const auto r = run_import(dir, {"cf", "--hkl", kImport + s.name + ".hkl", "--cell-from", kImport + s.name + ".ins",
                                        "-o", s.name});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(has_line(r.out, "Unique                  " + s.unique)) << r.out;
        EXPECT_TRUE(has_line(r.out, "d_min                   " + s.dmin)) << r.out;
        EXPECT_NE(r.out.find("Electrons               " + s.electrons), std::string::npos) << r.out;
        const std::string mine = dir.read(s.name + ".Quilmo"), theirs = slurp(s.handwritten);
        EXPECT_EQ(operator_set(mine), operator_set(theirs)) << s.name;
        EXPECT_EQ(center_set(mine), center_set(theirs)) << s.name;
        EXPECT_EQ(block(mine, "symmetry", "endsymmetry").front(), "  x1 x2 x3");
        EXPECT_TRUE(has_line(mine, theirs.find("centro yes") != std::string::npos ? "centro yes" : "centro no"));
        // F(000) = electrons stands first.
        std::istringstream f000(block(mine, "fbegin", "endf").front());
        int h = 1, k = 1, l = 1;
        double a = 0;
        f000 >> h >> k >> l >> a;
        EXPECT_EQ(h * h + k * k + l * l, 0);
        EXPECT_EQ(std::to_string(std::lround(a)) + " per cell", s.electrons);
    }
}

TEST(ImportMem, FcfToMaximumEntropyReachesTheAimWithPeaksOnTheAtoms) {
    const auto atoms = quilmo_test::heavy_atoms(slurp(kData + "chargeflip/sucrose_atoms.txt"));
    ASSERT_EQ(atoms.size(), 23u);
    for (const std::string algorithm : {"DUAL", "S-S"}) {
        TempDir dir;
        const auto imp = run_import(dir, {"mem", "--fcf", kImport + "sucrose.fcf", "--model", kImport + "sucrose.cif",
                                          "-o", "s", "--format", "QLascii", "--algorithm", algorithm});
        ASSERT_EQ(imp.status, 0) << imp.err;
        const auto run = run_quilmo(dir, {"s"});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto sum = nlohmann::json::parse(dir.read("s.QLsum.json"));
        const auto& mem = sum.at("mem");
        EXPECT_EQ(mem.at("algorithm"), algorithm);
        EXPECT_EQ(mem.at("end"), "normal");
        EXPECT_LE(mem.at("constraint").get<double>(), 1.0 + 1e-3) << algorithm;
        EXPECT_LT(mem.at("R").get<double>(), 0.03) << algorithm;
        const auto map = quilmo_test::read_ascii_map(dir.read("s.asc"));
        const auto peaks = quilmo_test::unique_maxima(map, kP21, 23);
        ASSERT_EQ(peaks.size(), 23u);
        for (const auto& p : peaks) {
            double d = 1e9;
            for (const auto& a : atoms) d = std::min(d, quilmo_test::image_distance(map.cell, kP21, p.x, a));
            EXPECT_LE(d, 0.15) << algorithm << " peak of height " << p.height;
        }
    }
}

TEST(ImportMem, PhasesFromTheModelAgreeWithTheRefinementsToOneDegree) {
    TempDir dir;
    const auto r = run_import(dir, {"mem", "--hkl", kImport + "sucrose.hkl", "--model", kImport + "sucrose.cif", "-o", "s"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto f = fblock(dir.read("s.Quilmo"));
    // The .fcf's rows: h k l Fo^2 sigma Fc phi(calc).
    std::vector<std::pair<std::array<int, 3>, std::pair<double, double>>> calc;
    double fmax = 0;
    for (const std::string& l : lines_of(slurp(kImport + "sucrose.fcf"))) {
        std::istringstream in(l);
        std::array<int, 3> h{};
        double i = 0, s = 0, fc = 0, phi = 0;
        if (!(in >> h[0] >> h[1] >> h[2] >> i >> s >> fc >> phi)) continue;
        calc.push_back({h, {fc, phi}});
        fmax = std::max(fmax, fc);
    }
    ASSERT_EQ(calc.size(), 1769u);
    int compared = 0;
    for (const auto& [h, c] : calc) {
        if (c.first < 0.1 * fmax) continue;
        const auto it = f.find(h);
        ASSERT_NE(it, f.end()) << h[0] << " " << h[1] << " " << h[2];
        const double phi = std::atan2(it->second.second, it->second.first) * 180 / M_PI;
        EXPECT_LE(std::fabs(std::remainder(phi - c.second, 360.0)), 1.0) << h[0] << " " << h[1] << " " << h[2];
        ++compared;
    }
    EXPECT_GT(compared, 500);
}

TEST(ImportCF, HklAndInsGiveAMapThatHoldsTheStructure) {
    TempDir dir;
    const auto imp = run_import(dir, {"cf", "--hkl", kImport + "sucrose.hkl", "--cell-from", kImport + "sucrose.ins", "-o",
                                      "s", "--seed", "1", "--format", "QLascii"});
    ASSERT_EQ(imp.status, 0) << imp.err;
    for (const char* line : {"randomseed 1", "normalize local", "cfrestart 300"})
        EXPECT_TRUE(has_line(dir.read("s.Quilmo"), line)) << line;
    const auto run = run_quilmo(dir, {"s"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto atoms = quilmo_test::heavy_atoms(slurp(kData + "chargeflip/sucrose_atoms.txt"));
    const int found = quilmo_test::p21_atoms_on_peaks(quilmo_test::read_ascii_map(dir.read("s.asc")), atoms);
    EXPECT_GE(found * 10, static_cast<int>(atoms.size()) * 8) << found << " of " << atoms.size();

    // The solution's SHELX file is a model the importer reads back: its
    // labelled atoms phase the measured data with R1 of a first model.
    const auto back = run_import(dir, {"mem", "--hkl", kImport + "sucrose.hkl", "--model", "s.res", "-o", "back"});
    ASSERT_EQ(back.status, 0) << back.err;
    const auto at = back.out.find("R1 = ");
    ASSERT_NE(at, std::string::npos) << back.out;
    EXPECT_LT(std::stod(back.out.substr(at + 5)), 0.3) << back.out;
}

// The Wilson scale puts the amplitudes on the absolute scale, so the
// maximum-entropy part of CF+MEM takes F(000) = electrons and reaches its
// aim (DUAL, the importer's default).
TEST(ImportCF, CfPlusMemFromAnHklEndsAtItsAim) {
    TempDir dir;
    const auto imp = run_import(dir, {"cf+mem", "--hkl", kImport + "sucrose.hkl", "--cell-from",
                                      kImport + "sucrose.ins", "-o", "s", "--seed", "2", "--format", "QLascii"});
    ASSERT_EQ(imp.status, 0) << imp.err;
    EXPECT_TRUE(has_line(dir.read("s.Quilmo"), "cff000 electrons"));
    const auto run = run_quilmo(dir, {"s"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const auto sum = nlohmann::json::parse(dir.read("s.QLsum.json"));
    EXPECT_EQ(sum.at("mem").at("end"), "normal");
    EXPECT_LE(sum.at("mem").at("constraint").get<double>(), sum.at("mem").at("aim").get<double>());
}

TEST(ImportErrors, BrokenFilesEndWithOneMessageAndWriteNothing) {
    const std::string ins = slurp(kImport + "sucrose.ins"), hkl = slurp(kImport + "sucrose.hkl");
    const std::string fcf = slurp(kImport + "sucrose.fcf"), cif = slurp(kImport + "sucrose.cif");
    const std::vector<std::string> cf = {"cf", "--hkl", "s.hkl", "--cell-from", "s.ins", "-o", "out"};
    const std::vector<std::string> mem = {"mem", "--fcf", "s.fcf", "--model", "s.cif", "-o", "out"};
    struct Case {
        std::string what;
        std::map<std::string, std::string> files;
        std::vector<std::string> args;
        std::string message;  // the start of the one line on the error output
    };
    const Case cases[] = {
        {"number", {{"s.hkl", replaced(hkl, "  -9  -4  -1    1.12", "  -9  -4  -1    1.x2")}, {"s.ins", ins}}, cf,
         "STOP s.hkl, line 11: '1.x2' is not a number (I)"},
        {"no cell", {{"s.hkl", hkl}, {"s.ins", "TITL x\nSFAC C\nUNIT 4\nHKLF 4\n"}}, cf, "STOP s.ins: no CELL instruction"},
        {"element", {{"s.hkl", hkl}, {"s.ins", replaced(ins, "SFAC C H O", "SFAC C H Xx")}}, cf,
         "STOP s.ins, line 6: unknown element 'Xx'"},
        {"operator", {{"s.hkl", hkl}, {"s.ins", replaced(ins, "SYMM -X,Y+1/2,-Z", "SYMM -X,Q,-Z")}}, cf,
         "STOP s.ins, line 5: '-X,Q,-Z' is not a symmetry operator"},
        {"not a group",
         {{"s.hkl", hkl},
          {"s.ins", replaced(replaced(ins, "SYMM -X,Y+1/2,-Z", "SYMM -X,-Y,Z\nSYMM X,-Y,Z"), "102.984", "90.000")}},
         cf,
         "STOP s.ins, line 4: the symmetry operators do not form a group for this cell: Error, the list of operators "
         "is incomplete! Product of operators  2 and  3 was not found in the list."},
        {"no reflections", {{"s.hkl", "   0   0   0    0.00    0.00\n"}, {"s.ins", ins}}, cf,
         "STOP s.hkl: no reflections"},
        {"no phases", {{"s.hkl", hkl}, {"s.ins", ins}}, {"mem", "--hkl", "s.hkl", "--cell-from", "s.ins", "-o", "out"},
         "STOP s.hkl: a MEM run needs phases"},
        {"loop value", {{"s.fcf", replaced(fcf, "  -9   0   2        5.13", "  -9   0   2        abc")}, {"s.cif", cif}},
         mem, "STOP s.fcf, line 36: 'abc' is not a number (_refln_F_squared_meas)"},
        {"cif syntax", {{"s.fcf", fcf}, {"s.cif", replaced(cif, "'C12 H22 O11'", "'C12 H22 O11")}}, mem,
         "STOP s.cif, line 2: not a CIF"},
        {"cif group",
         {{"s.fcf", fcf}, {"s.cif", replaced(cif, " '-x,y+1/2,-z'", " '-x,y+1/2,-z'\n 'x+1/2,y,z+1/2'")}},
         mem, "STOP s.cif, line 16: the symmetry operators do not close into a group: '-x+1/2,y+1/2,-z+1/2' is missing"},
        {"cif element", {{"s.fcf", fcf}, {"s.cif", replaced(cif, "'C12 H22 O11'", "'C12 H22 Q11'")}}, mem,
         "STOP s.cif, line 2: unknown element 'Q'"},
        {"no electrons", {{"s.fcf", fcf}}, {"mem", "--fcf", "s.fcf", "-o", "out"},
         "STOP s.fcf: the electrons per cell are not known"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const auto& [name, text] : c.files) dir.write(name, text);
        const auto r = run_import(dir, c.args);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.what << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
        std::size_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.path().filename().string()[0] != '.';
        EXPECT_EQ(files, c.files.size()) << c.what << ": a file was written";
    }
}

TEST(ImportFiles, AnExistingKeywordFileIsReplacedOnlyWithForce) {
    TempDir dir;
    dir.write("s.Quilmo", "mine\n");
    const std::vector<std::string> args = {"cf", "--hkl", kImport + "nacl.hkl", "--cell-from", kImport + "nacl.ins", "-o", "s"};
    const auto r = run_import(dir, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "STOP s.Quilmo exists already; give --force to overwrite it\n");
    EXPECT_EQ(dir.read("s.Quilmo"), "mine\n");
    std::vector<std::string> forced = args;
    forced.push_back("--force");
    ASSERT_EQ(run_import(dir, forced).status, 0);
    EXPECT_TRUE(has_line(dir.read("s.Quilmo"), "perform CF"));
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.path().filename().string()[0] != '.';
    EXPECT_EQ(files, 1u);
}

TEST(ImportFiles, CellsThatDifferBetweenTwoFilesGiveAWarningInBothPlaces) {
    TempDir dir;
    dir.write("m.cif", replaced(slurp(kImport + "sucrose.cif"), "_cell_length_a 7.7830", "_cell_length_a 7.7930"));
    const auto r = run_import(dir, {"mem", "--fcf", kImport + "sucrose.fcf", "--model", "m.cif", "-o", "s"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string warning = "the cells of m.cif and " + kImport + "sucrose.fcf differ by more than 0.1 %";
    EXPECT_EQ(r.out.rfind("Warning: " + warning, 0), 0u) << r.out;
    EXPECT_NE(dir.read("s.Quilmo").find("# warning: the cells of m.cif and"), std::string::npos);
    EXPECT_TRUE(has_line(dir.read("s.Quilmo"), "cell 7.7930 8.7364 10.9002 90.000 102.984 90.000"));
}

}  // namespace
