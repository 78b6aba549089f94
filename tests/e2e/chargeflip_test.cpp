// Charge-flipping runs of the real program: the sucrose sample is phased
// from amplitudes alone and put at a permissible origin of P2_1, and its
// peaks labelled by the composition are the published atoms; a seed
// repeats its run byte for byte, CF+MEM runs through to the difference map,
// input phases give a pinned R history, and inputs that cannot be flipped
// are refused.  The run summary tells the same story as the console and
// the log.
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

// The sample with a seed that finds the structure within about 900 cycles.
std::string sucrose(const std::string& perform = "CF") {
    std::string in = replaced(slurp(kData + "sucrose_cf.Quilmo"), "randomseed 4711", "randomseed 8") +
                     "composition C12 H22 O11\n";
    if (perform != "CF")
        in = replaced(in, "perform CF\n",
                      "perform " + perform + "\ninitialdensity flat\nalgorithm S-S AUTO 1.0\n");
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

TEST(SucroseCF, FindsTheStructureAtAPermissibleOriginAndRepeatsByteForByte) {
    TempDir one, two;
    one.write("sucrose_cf.Quilmo", sucrose());
    two.write("sucrose_cf.Quilmo", sucrose());
    auto r1 = run_quilmo(one, {"sucrose_cf"});
    ASSERT_EQ(r1.status, 0) << r1.err;
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
    std::vector<Frac> labelled;
    for (const auto& a : res.atoms)
        if (a.label[0] != 'Q') labelled.push_back({a.x[0], a.x[1], a.x[2]});
    EXPECT_EQ(labelled.size(), 23u);
    const int found = peaks_on_atoms(labelled, atoms);
    EXPECT_GE(found, 21) << found << " of " << labelled.size();

    const std::string log = one.read("sucrose_cf.QLlog");
    EXPECT_EQ(count_prefix(log, "Coordinate   1 will be fixed with symop  2 with complexity  2"), 1);
    EXPECT_EQ(count_prefix(log, "Coordinate   2 cannot be fixed."), 1);
    EXPECT_EQ(count_prefix(log, "Coordinate   3 will be fixed with symop  2 with complexity  2"), 1);
    EXPECT_EQ(count_prefix(log, " I have found following shift of origin:"), 1);
    EXPECT_EQ(count_prefix(log, "Coordinate  2 by  0.000"), 1);
    EXPECT_EQ(count_prefix(log, "Criterion for correct delta fulfilled, continuing iteration."), 1);
    EXPECT_EQ(count_prefix(log, " Random seed:     8"), 1);
    const std::string out = one.read("sucrose_cf.QLout");
    EXPECT_EQ(count_prefix(out, "Structure factors phased by charge flipping:"), 1);
    EXPECT_EQ(count_prefix(out, "     1:    0   0   0"), 1);
    EXPECT_EQ(count_prefix(out, "  2200: "), 1);
    // One progress line per cycle and one per finished search.
    EXPECT_GT(count_prefix(r1.out, "CF attempt  7  cycle"), 100);
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
    EXPECT_LT(cf.at("R").get<double>(), 0.3);
    const auto& shift = cf.at("origin_shift");
    ASSERT_EQ(shift.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "Coordinate%3d by %6.3f", i + 1, shift[i].get<double>());
        EXPECT_EQ(count_prefix(log, line), 1) << line;
    }
}

TEST(SucroseCF, CFAndMEMRunsOnToTheHistogramAndTheDifferenceMap) {
    TempDir dir;
    dir.write("s.Quilmo", sucrose("CF+MEM"));
    auto r = run_quilmo(dir, {"s", "900"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = dir.read("s.QLlog");
    EXPECT_EQ(count_prefix(log, " Charge: "), 1);
    EXPECT_EQ(count_prefix(log, "Cycle:        900"), 1);
    // With F data only, R and RF are one number: both must be taken over
    // the observations the flipping handed over.
    std::string rall, rf;
    for (const auto& l : lines_of(log)) {
        if (l.rfind("R =", 0) == 0) rall = l.substr(3, 10);
        if (l.rfind("RF=", 0) == 0) rf = l.substr(3, 10);
    }
    EXPECT_FALSE(rall.empty());
    EXPECT_EQ(rall, rf);
    EXPECT_EQ(count_prefix(dir.read("s.QLhst"), "Start of histogram"), 1);
    EXPECT_EQ(lines_of(dir.read("s.asc")).size(), 4u + 51840 / 6);
    EXPECT_TRUE(dir.exists("s_diffour.m81"));
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

TEST(PointAtomsCF, InputPhasesGiveAPinnedRepeatableStart) {
    const std::string in = point_atoms("delta 0.05 absolute\nrandomseed 0\n");
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
    const Case cases[] = {
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
