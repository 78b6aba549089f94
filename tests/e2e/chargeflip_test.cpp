// Charge-flipping runs of the real program: the sucrose sample is phased
// Charge-flipping runs of the real program: the sucrose sample is phased
// from normalised amplitudes and put at a permissible origin of P2_1, its
// peaks labelled by the composition are the published atoms, a seed repeats
// its run byte for byte on remembered measured plans, attempts that do not
// converge start again, CF+MEM reaches its aim with both algorithms on a map
// that holds the structure, input phases give a pinned R history, and inputs
// that cannot be flipped are refused.  The run summary tells the same story
// as the console and the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/e2e.h"
#include "support/point_atoms.h"
#include "support/shelx_res.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kData = std::string(QUILMO_TEST_DATA) + "/chargeflip/";

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    const auto p = s.find(from);
    if (p != std::string::npos) s.replace(p, from.size(), to);
    return s;
}

// The sample with seed 8, flipping E with restarts after 300 cycles, and
// the composition that labels its peaks.
std::string sucrose(const std::string& perform = "CF", const std::string& extra = "") {
    std::string in = replaced(slurp(kData + "sucrose_cf.Quilmo"), "randomseed 4711",
                              "randomseed 8\nnormalize local\ncfrestart 300\ncomposition C12 H22 O11\n" + extra);
    if (perform != "CF") in = replaced(in, "perform CF\n", "perform CF+MEM\ninitialdensity flat\n" + perform);
    return in;
}

struct Frac {
    double x, y, z;
};

// How many of the peaks lie within 0.3 A of an atom (or of its image under
// -x, y+1/2, -z), at the best permissible origin of P2_1 (x, z by 0 or 1/2,
// y free in 1/720 steps) and enantiomer.
int peaks_on_atoms(const std::vector<Frac>& peaks, const std::vector<Frac>& atoms) {
    const double a = 7.7830, b = 8.7364, c = 10.9002, beta = 102.984 * M_PI / 180;
    const double cb = std::cos(beta), sb = std::sin(beta);
    auto near = [&](Frac p, const std::vector<Frac>& at) {
        for (const Frac& q : at) {
            double d[3] = {p.x - q.x, p.y - q.y, p.z - q.z};
            for (double& x : d) x -= std::round(x);
            const double x = a * d[0] + c * cb * d[2], z = c * sb * d[2], y = b * d[1];
            if (x * x + y * y + z * z <= 0.09) return true;
        }
        return false;
    };
    int best = 0;
    for (int e : {1, -1})
        for (double sx : {0.0, 0.5})
            for (double sz : {0.0, 0.5})
                for (int iy = 0; iy < 720; ++iy) {
                    std::vector<Frac> moved;
                    for (const Frac& f : atoms) {
                        const Frac p{e * f.x + sx, e * f.y + iy / 720.0, e * f.z + sz};
                        moved.push_back(p);
                        moved.push_back({-p.x, p.y + 0.5, -p.z});
                    }
                    int hit = 0;
                    for (const Frac& p : peaks) hit += near(p, moved) ? 1 : 0;
                    best = std::max(best, hit);
                }
    return best;
}

// The atoms of a SHELX file that carry an element label (not Q-peaks).
std::vector<Frac> labelled_atoms(const quilmo_test::ResFile& res) {
    std::vector<Frac> labelled;
    for (const auto& a : res.atoms)
        if (a.label[0] != 'Q') labelled.push_back({a.x[0], a.x[1], a.x[2]});
    return labelled;
}

std::vector<Frac> sucrose_atoms() {
    std::vector<Frac> atoms;
    for (const std::string& l : lines_of(slurp(kData + "sucrose_atoms.txt"))) {
        if (l.empty() || l[0] == '#') continue;
        std::istringstream in(l);
        std::string label, element;
        Frac f{};
        in >> label >> element >> f.x >> f.y >> f.z;
        if (element != "H") atoms.push_back(f);
    }
    return atoms;
}

int count_prefix(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines_of(text)) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

// The observed amplitude of the listing's entry `row` and its new A, B.
std::array<double, 3> listing_entry(const std::string& out, const std::string& row) {
    for (const auto& l : lines_of(out))
        if (l.rfind(row, 0) == 0) {
            std::istringstream in(l.substr(8));
            int h, k, m;
            double a, b, an, bn;
            in >> h >> k >> m >> a >> b >> an >> bn;
            return {std::hypot(a, b), an, bn};
        }
    return {};
}

TEST(SucroseCF, FindsTheStructureAtAPermissibleOriginAndRepeatsByteForByte) {
    TempDir one, two;
    one.write("sucrose_cf.Quilmo", sucrose());
    two.write("sucrose_cf.Quilmo", sucrose());
    auto r1 = run_quilmo(one, {"sucrose_cf"});
    ASSERT_EQ(r1.status, 0) << r1.err;
    // The second run plans from what the first remembered.
    auto r2 = run_quilmo(two, {"sucrose_cf"});
    ASSERT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(one.read("sucrose_cf.asc"), two.read("sucrose_cf.asc"));
    EXPECT_EQ(one.read("sucrose_cf.res"), two.read("sucrose_cf.res"));

    // The composition labels the 23 highest peaks as C and O atoms, and at
    // least 21 of them lie on the published atoms.
    const auto atoms = sucrose_atoms();
    ASSERT_EQ(atoms.size(), 23u);
    const quilmo_test::ResFile res = quilmo_test::read_res(one.read("sucrose_cf.res"));
    EXPECT_EQ(res.error, "");
    EXPECT_EQ(res.latt, -1);
    EXPECT_EQ(res.symm, std::vector<std::string>{"-X, 0.5+Y, -Z"});
    EXPECT_EQ(res.sfac, (std::vector<std::string>{"C", "H", "O"}));
    EXPECT_EQ(res.unit, (std::vector<double>{24, 44, 22}));
    const std::vector<Frac> labelled = labelled_atoms(res);
    EXPECT_EQ(labelled.size(), 23u);
    const int found = peaks_on_atoms(labelled, atoms);
    EXPECT_GE(found, 21) << found << " of " << labelled.size();

    const std::string log = one.read("sucrose_cf.QLlog");
    EXPECT_EQ(count_prefix(log, "Normalised amplitudes E from <F**2/eps> in 21 shells of the  2199 reflections"), 1);
    EXPECT_EQ(count_prefix(log, "Delta =  1.20 sigma of the E map =    0.15274"), 1);
    EXPECT_EQ(count_prefix(log, "Searching for a proper delta:"), 0);
    EXPECT_EQ(count_prefix(log, "Coordinate   1 will be fixed with symop  2 with complexity  2"), 1);
    EXPECT_EQ(count_prefix(log, "Coordinate   2 cannot be fixed."), 1);
    EXPECT_EQ(count_prefix(log, "Coordinate   3 will be fixed with symop  2 with complexity  2"), 1);
    EXPECT_EQ(count_prefix(log, " I have found following shift of origin:"), 1);
    EXPECT_EQ(count_prefix(log, " Random seed:     8"), 1);
    const std::string out = one.read("sucrose_cf.QLout");
    EXPECT_EQ(count_prefix(out, "Structure factors phased by charge flipping:"), 1);
    EXPECT_EQ(count_prefix(out, "     1:    0   0   0"), 1);
    EXPECT_EQ(count_prefix(out, "  2200: "), 1);
    // The phases of E go with the observed amplitudes.
    for (const char* row : {"     2: ", "  1000: ", "  2200: "}) {
        const auto [f, a, b] = listing_entry(out, row);
        EXPECT_GT(f, 0) << row;
        EXPECT_NEAR(std::hypot(a, b), f, 1e-6) << row;
    }
    EXPECT_EQ(count_prefix(r1.out, "Symmetry search with symop  2 done"), 1);

    // The summary, read as a script would, against the console and the log.
    const auto sum = nlohmann::json::parse(one.read("sucrose_cf.QLsum.json"));
    EXPECT_EQ(sum.at("run_kind"), "CF");
    // The SHELX file holds the peaks of the summary: atoms first, then the
    // Q-peaks, each at its position.
    const auto& peaks = sum.at("peaks");
    ASSERT_EQ(peaks.size(), res.atoms.size());
    std::size_t next = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& p : peaks) {
            if (p.at("element").is_null() != (pass == 1)) continue;
            const auto& a = res.atoms[next++];
            EXPECT_EQ(a.label, p.at("label"));
            for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(a.x[k], p.at("frac")[k], 1e-6);
            if (pass == 1) {
                EXPECT_NEAR(a.height, p.at("height").get<double>(), 0.005);
            }
        }
    const auto& cf = sum.at("charge_flipping");
    const int attempts = cf.at("attempts");
    const std::string last =
        "CF attempt" + std::string(attempts < 10 ? "  " : " ") + std::to_string(attempts);
    EXPECT_EQ(count_prefix(r1.out, last + "  cycle"), cf.at("cycles"));
    char converged[80];
    std::snprintf(converged, sizeof converged, "Attempt%3d has converged after%6d cycles.", attempts,
                  cf.at("cycles").get<int>());
    EXPECT_EQ(count_prefix(log, converged), 1) << converged;
    EXPECT_EQ(count_prefix(r1.out, converged), 1) << converged;
    EXPECT_EQ(cf.at("converged"), true);
    const auto& cols = cf.at("table").at("columns");
    const auto& rows = cf.at("table").at("rows");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(count_prefix(r1.out, "CF attempt")));
    const auto col = [&](const char* name) {
        return static_cast<std::size_t>(std::find(cols.begin(), cols.end(), name) - cols.begin());
    };
    ASSERT_LT(col("R"), cols.size());
    ASSERT_LT(col("delta"), cols.size());
    EXPECT_EQ(rows.back().at(col("R")), cf.at("R"));
    EXPECT_EQ(rows.back().at(col("delta")), cf.at("delta"));
    EXPECT_GT(cf.at("delta").get<double>(), 0);
    const auto& shift = cf.at("origin_shift");
    ASSERT_EQ(shift.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "Coordinate%3d by %6.3f", i + 1, shift[i].get<double>());
        EXPECT_EQ(count_prefix(log, line), 1) << line;
    }
}

// Attempts of 30 cycles cannot converge: each one starts again from new
// random phases, up to three, and the same seed repeats them.
TEST(SucroseCF, AttemptsThatDoNotConvergeStartAgainUpToTheirNumber) {
    std::string in = replaced(sucrose(), "cfrestart 300", "cfrestart 30 3");
    TempDir one, two;
    one.write("s.Quilmo", in);
    two.write("s.Quilmo", in);
    auto r = run_quilmo(one, {"s"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(run_quilmo(two, {"s"}).status, 0);
    EXPECT_EQ(one.read("s.asc"), two.read("s.asc"));
    const std::string log = one.read("s.QLlog");
    const auto cycles = [](const std::string& text) {
        std::vector<std::string> out;
        for (const auto& l : lines_of(text))
            if (l.find("  R:") != std::string::npos || l.rfind("Attempt", 0) == 0) out.push_back(l);
        return out;
    };
    EXPECT_EQ(cycles(log), cycles(two.read("s.QLlog")));
    EXPECT_EQ(cycles(log).size(), 92u);
    for (int a : {1, 2}) {
        const std::string again = "Attempt  " + std::to_string(a) +
                                  " has not converged after    30 cycles; starting again from new random phases.";
        EXPECT_EQ(count_prefix(log, again), 1) << again;
        EXPECT_EQ(count_prefix(r.out, again), 1) << again;
        EXPECT_EQ(count_prefix(r.out, "CF attempt  " + std::to_string(a) + "  cycle"), 30);
    }
    EXPECT_EQ(count_prefix(log, "No attempt has converged:  3 attempts of    30 cycles."), 1);
    EXPECT_EQ(count_prefix(r.out, "CF attempt  3  cycle"), 30);
    EXPECT_EQ(count_prefix(r.out, "CF attempt  4"), 0);
    const auto cf = nlohmann::json::parse(one.read("s.QLsum.json")).at("charge_flipping");
    EXPECT_EQ(cf.at("attempts"), 3);
    EXPECT_EQ(cf.at("converged"), false);
    EXPECT_EQ(cf.at("table").at("rows").size(), 90u);
    // Each attempt has its own start: the first R values differ.
    std::vector<std::string> first;
    for (const auto& l : lines_of(log))
        if (l.rfind("    1  R:", 0) == 0) first.push_back(l);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[1], first[2]);
}

// CF+MEM ends at its aim with either algorithm, and its map holds the
// structure as the flipping's does.
TEST(SucroseCF, CFAndMEMReachTheAimWithBothAlgorithms) {
    struct Case {
        const char* algorithm;
        const char* f000;
        const char* charge;  // the F(000) handed over
    } cases[] = {
        {"algorithm S-S AUTO 1.0\n", "", nullptr},
        {"algorithm DUAL 1.0\n", "cff000 electrons\n", " Charge: 364"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("s.Quilmo", sucrose(c.algorithm, c.f000));
        auto r = run_quilmo(dir, {"s"});
        ASSERT_EQ(r.status, 0) << c.algorithm << r.err;
        const std::string log = dir.read("s.QLlog");
        EXPECT_EQ(count_prefix(log, " Charge: "), 1) << c.algorithm;
        if (c.charge) {
            EXPECT_EQ(count_prefix(log, c.charge), 1) << c.algorithm;
        }
        EXPECT_EQ(count_prefix(log, " Phase spread over the last"), 1) << c.algorithm;
        const auto sum = nlohmann::json::parse(dir.read("s.QLsum.json"));
        EXPECT_EQ(sum.at("end"), "normal") << c.algorithm;
        EXPECT_LE(sum.at("mem").at("constraint").get<double>(), 1.0) << c.algorithm;
        EXPECT_LT(sum.at("mem").at("cycles").get<int>(), 1000) << c.algorithm;
        // With F data only, R and RF are one number: both must be taken over
        // the observations the flipping handed over.
        std::string rall, rf;
        for (const auto& l : lines_of(log)) {
            if (l.rfind("R =", 0) == 0) rall = l.substr(3, 10);
            if (l.rfind("RF=", 0) == 0) rf = l.substr(3, 10);
        }
        EXPECT_FALSE(rall.empty()) << c.algorithm;
        EXPECT_EQ(rall, rf) << c.algorithm;
        EXPECT_EQ(count_prefix(dir.read("s.QLhst"), "Start of histogram"), 1) << c.algorithm;
        EXPECT_TRUE(dir.exists("s_diffour.m81")) << c.algorithm;
        const std::vector<Frac> labelled = labelled_atoms(quilmo_test::read_res(dir.read("s.res")));
        EXPECT_EQ(labelled.size(), 23u) << c.algorithm;
        EXPECT_GE(peaks_on_atoms(labelled, sucrose_atoms()), 21) << c.algorithm;
    }
}

// A small P1 crystal of point atoms: quick enough to pin a run.
std::string point_atoms(const std::string& extra) {
    const std::vector<quilmo_test::Atom> atoms = {
        {0.1, 0.2, 0.3, 8}, {0.35, 0.6, 0.15, 6}, {0.7, 0.4, 0.8, 7}};
    quilmo_test::PointAtomData data;
    data.voxels = 16;
    data.maxindex = 4;
    return quilmo_test::point_atom_input(atoms, "CF", "searchsymmetry no\noutputformat QLascii\n" + extra,
                                         data);
}

std::vector<std::string> r_lines(const std::string& log) {
    std::vector<std::string> out;
    for (const auto& l : lines_of(log))
        if (l.size() > 10 && l.substr(5, 5) == "  R: ") out.push_back(l);
    return out;
}

// Pinned R values of a run on plans made without timing: flipping F as the
// program always did.
TEST(PointAtomsCF, InputPhasesGiveAPinnedRepeatableStart) {
    const std::string in = point_atoms("delta 0.05 absolute\nrandomseed 0\nplancache no\n");
    TempDir one, two;
    one.write("p.Quilmo", in);
    two.write("p.Quilmo", in);
    auto r1 = run_quilmo(one, {"p", "5"});
    auto r2 = run_quilmo(two, {"p", "5"});
    ASSERT_EQ(r1.status, 0) << r1.err;
    const std::string log = one.read("p.QLlog");
    EXPECT_EQ(count_prefix(log, " Random seed:     0"), 1);
    EXPECT_EQ(count_prefix(log, " Phases from the input file will be used as initial phases"), 1);
    const auto rs = r_lines(log);
    ASSERT_EQ(rs.size(), 5u);
    EXPECT_EQ(rs, r_lines(two.read("p.QLlog")));
    EXPECT_EQ(one.read("p.asc"), two.read("p.asc"));
    EXPECT_EQ(rs[0], "    1  R: 58.195  Charge:   119.75(   66.72)");
    EXPECT_EQ(rs[1], "    2  R: 41.996  Charge:   166.52(   30.93)");
    EXPECT_EQ(rs[2], "    3  R: 33.838  Charge:   204.52(   24.69)");
}

TEST(PointAtomsCF, EndingsBeforeTheJudgement) {
    // An R limit above the first cycle's R ends after one cycle; a cycle
    // limit below 10 ends an automatic search without its judgement.
    TempDir dir;
    dir.write("p.Quilmo", point_atoms("delta AUTO\nrandomseed 3\nmaxrvalue 99.9\n"));
    auto r = run_quilmo(dir, {"p"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r_lines(dir.read("p.QLlog")).size(), 1u);

    TempDir short_run;
    short_run.write("p.Quilmo", point_atoms("delta AUTO\nrandomseed 3\n"));
    auto s = run_quilmo(short_run, {"p", "7"});
    ASSERT_EQ(s.status, 0) << s.err;
    const std::string log = short_run.read("p.QLlog");
    EXPECT_EQ(r_lines(log).size(), 7u);
    EXPECT_EQ(count_prefix(log, "Criterion for correct delta"), 0);
    EXPECT_TRUE(short_run.exists("p.asc"));
}

TEST(PointAtomsCF, InputsThatCannotBeFlippedAreRefused) {
    struct Case {
        std::string input, message;
    };
    const std::string base = point_atoms("delta AUTO\nrandomseed 3\n");
    const std::string fblock = base.substr(base.find("fbegin\n"));
    std::vector<Case> cases = {
        {base + "weakratio 1.5\n",
         "Error, the keyword weakratio must lie between 0 and 1!\nError reading keyword weakratio.\n"},
        {base + "weakratio -0.1\n",
         "Error, the keyword weakratio must lie between 0 and 1!\nError reading keyword weakratio.\n"},
        {replaced(base, fblock, "fbegin\n  0   0   0   99.0   0.0   0.1\nendf\n"),
         "Error, charge flipping needs reflections with non-zero amplitudes besides F(000) in the F "
         "block!\n"},
        {replaced(base, fblock,
                  "fbegin\n  1   0   0   0.0   0.0   0.1\n  0   1   0   0.0   0.0   0.1\nendf\n"),
         "Error, charge flipping needs reflections with non-zero amplitudes besides F(000) in the F "
         "block!\n"},
    };
    for (const char* word : {"normalize", "cff000"}) {
        const std::string name = word;
        const std::string values = name == "normalize" ? "none, wilson or local" : "electrons or found";
        cases.push_back({base + name + " E\n", "Error, the keyword " + name + " must be " + values +
                                                    "!\nError reading keyword " + name + ".\n"});
    }
    for (const char* line : {"cfrestart 0", "cfrestart 300 0", "cfrestart -5 2"})
        cases.push_back({base + line + "\n",
                         "Error, cfrestart needs a positive number of cycles and of attempts!\n"
                         "Error reading keyword cfrestart.\n"});
    cases.push_back({base + "cfrestart many\n", "Error reading keyword cfrestart.\n"});
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("p.Quilmo", c.input);
        auto r = run_quilmo(dir, {"p"});
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(dir.exists("p.asc"));
    }
    TempDir ok;
    ok.write("p.Quilmo", base + "weakratio 1\n");
    EXPECT_EQ(run_quilmo(ok, {"p", "3"}).status, 0);
}

}  // namespace
