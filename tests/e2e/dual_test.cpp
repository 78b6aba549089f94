// Whole runs of algorithm DUAL: every file of a maximum-entropy run, the
// refusal of what it cannot solve, and the sucrose sample against the
// Sakata-Sato iteration.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/e2e.h"
#include "support/point_atoms.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

int count_prefix(const std::string& text, const std::string& prefix) {
    auto lines = lines_of(text);
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
}

// The value after `prefix` on the last line that starts with it.
double last_value(const std::string& text, const std::string& prefix) {
    double v = -1e300;
    for (const auto& l : lines_of(text))
        if (l.rfind(prefix, 0) == 0) v = std::stod(l.substr(prefix.size()));
    return v;
}

std::string atoms_input(const std::string& algorithm, const std::string& more = "") {
    const std::vector<quilmo_test::Atom> atoms = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};
    return quilmo_test::point_atom_input(
        atoms, "MEM", "initialdensity flat\nalgorithm " + algorithm + "\noutputformat QLascii\n" + more,
        {16, 2, 1.0});
}

TEST(DualRun, WritesEveryFileOfAMaximumEntropyRun) {
    TempDir dir;
    dir.write("atoms.Quilmo", atoms_input("DUAL", "memcheck 10\n"));
    auto r = run_quilmo(dir, {"atoms"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const int n = count_prefix(r.out, " Evaluation");
    ASSERT_GT(n, 1);
    const std::string log = dir.read("atoms.QLlog");
    EXPECT_EQ(count_prefix(log, "Algorithm type is set to DUAL"), 1);
    EXPECT_EQ(count_prefix(log, "DUAL: the aim is reached after " + std::to_string(n) + " evaluations."), 1);
    const std::string out = dir.read("atoms.QLout");
    EXPECT_EQ(count_prefix(out, " After " + std::string(10 - std::to_string(n).size(), ' ') +
                                    std::to_string(n) + " Cycles of iteration"),
              1);
    EXPECT_LE(last_value(out, "F-Constraint "), 1.0);
    EXPECT_LT(last_value(out, "Test 1-cos(grad S, grad C): "), 1e-3);
    EXPECT_GT(last_value(out, "Lambda (DUAL): "), 0);
    EXPECT_TRUE(dir.exists("atoms.asc"));
    EXPECT_TRUE(dir.exists("atoms_diffour.m81"));
    EXPECT_EQ(count_prefix(dir.read("atoms.QLhst"), "Start of histogram"), 1);
    EXPECT_EQ(count_prefix(dir.read("atoms.QLcheck"), "# Algorithm: DUAL"), 1);
}

// On the sucrose sample (P2_1, 2199 reflections, flat prior, aim 1) DUAL
// needs at most a quarter of the Sakata-Sato cycles and ends with more
// entropy at the same constraint value.
TEST(DualRun, SucroseInAQuarterOfTheSakataSatoCyclesWithMoreEntropy) {
    const std::string input = slurp(std::string(QUILMO_TEST_DATA) + "/mem/sucrose_mem.Quilmo");
    ASSERT_FALSE(input.empty());
    TempDir ss, dual;
    ss.write("sucrose_mem.Quilmo", input);
    std::string d = input;
    d.replace(d.find("algorithm S-S AUTO 1.0"), 22, "algorithm DUAL 1.0");
    dual.write("sucrose_mem.Quilmo", d);
    auto rs = run_quilmo(ss, {"sucrose_mem"});
    auto rd = run_quilmo(dual, {"sucrose_mem"});
    ASSERT_EQ(rs.status, 0) << rs.err;
    ASSERT_EQ(rd.status, 0) << rd.err;
    const int cycles = count_prefix(rs.out, " Cycle");
    const int evaluations = count_prefix(rd.out, " Evaluation");
    EXPECT_LE(4 * evaluations, cycles) << evaluations << " evaluations, " << cycles << " cycles";
    const std::string out_s = ss.read("sucrose_mem.QLout"), out_d = dual.read("sucrose_mem.QLout");
    EXPECT_GT(last_value(out_d, "Entropy: "), last_value(out_s, "Entropy: "));
    EXPECT_LE(last_value(out_d, "F-Constraint "), 1.0);
    EXPECT_LT(last_value(out_d, "Test 1-cos(grad S, grad C): "), 1e-3);
}

}  // namespace
