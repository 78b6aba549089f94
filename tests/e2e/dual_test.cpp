// Whole runs of algorithm DUAL: every file of a maximum-entropy run, the
// refusal of what it cannot solve, and the sucrose sample against the
// Sakata-Sato iteration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
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

    // The summary has one row per evaluation, the last one at the aim.
    const auto mem = nlohmann::json::parse(dir.read("atoms.QLsum.json")).at("mem");
    EXPECT_EQ(mem.at("algorithm"), "DUAL");
    EXPECT_EQ(mem.at("end"), "normal");
    EXPECT_EQ(mem.at("cycles"), n);
    const auto& rows = mem.at("table").at("rows");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(rows.back().at(0), n);
    EXPECT_LE(rows.back().at(3).get<double>(), 1.0);
    EXPECT_NEAR(rows.back().at(2).get<double>(), mem.at("R").get<double>(), 1e-9);
}

// Amplitudes twenty times what 14 electrons can give: no positive density
// meets the aim.  The run says so in one line with the lowest constraint it
// reached, writes that density and ends with status 1.
TEST(DualRun, AnAimNoPositiveDensityReachesStopsWithTheLowestConstraint) {
    std::istringstream in(atoms_input("DUAL"));
    std::string text, line;
    bool block = false;
    while (std::getline(in, line)) {
        if (line == "endf") block = false;
        std::istringstream w(line);
        int h = 0, k = 0, l = 0;
        double a = 0, b = 0, sigma = 0;
        if (block && (w >> h >> k >> l >> a >> b >> sigma) && (h || k || l)) {
            char scaled[120];
            std::snprintf(scaled, sizeof scaled, "%4d%4d%4d %14.6f %14.6f %10.4f", h, k, l, 20 * a, 20 * b, sigma);
            line = scaled;
        }
        if (line == "fbegin") block = true;
        text += line + "\n";
    }
    TempDir dir;
    dir.write("atoms.Quilmo", text);
    auto r = run_quilmo(dir, {"atoms"});
    EXPECT_EQ(r.status, 1);
    const std::string start = "STOP DUAL: the aim cannot be reached: Psi falls without bound while the constraint "
                              "stays above the aim; lowest constraint ";
    EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
    EXPECT_NE(r.err.find(", whose density has been written.\n"), std::string::npos) << r.err;
    EXPECT_EQ(count_prefix(r.err, "STOP"), 1);
    EXPECT_TRUE(dir.exists("atoms.asc"));
    const auto sum = nlohmann::json::parse(dir.read("atoms.QLsum.json"));
    EXPECT_EQ(sum.at("exit_status"), 1);
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
