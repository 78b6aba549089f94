// Whole maximum-entropy runs: structure factors of point atoms in, a density,
// a difference map, a histogram and the iteration's reports out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "support/e2e.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::TempDir;

namespace {

// A P1 structure of two point atoms in a 10 A cubic cell, every reflection
// up to index 2 (one of each Friedel pair), sigma 1.
std::string mem_input(const std::string& algorithm) {
    struct Atom {
        double x, y, z, electrons;
    };
    const Atom atoms[] = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};
    const double twopi = 6.283185307179586;
    std::ostringstream in;
    in << "title point atoms mem\n"
       << "perform MEM\n"
       << "cell 10 10 10 90 90 90\n"
       << "voxel 16 16 16\n"
       << "electrons 14\n"
       << "initialdensity flat\n"
       << "algorithm " << algorithm << "\n"
       << "symmetry\nx1 x2 x3\nendsymmetry\n"
       << "centro no\n"
       << "outputformat QLascii\n"
       << "fbegin\n";
    char line[160];
    for (int h = -2; h <= 2; ++h)
        for (int k = -2; k <= 2; ++k)
            for (int l = -2; l <= 2; ++l) {
                int first = h != 0 ? h : (k != 0 ? k : l);
                if (first < 0) continue;
                double a = 0, b = 0;
                for (const Atom& at : atoms) {
                    double phi = twopi * (h * at.x + k * at.y + l * at.z);
                    a += at.electrons * std::cos(phi);
                    b += at.electrons * std::sin(phi);
                }
                std::snprintf(line, sizeof line, "%3d %3d %3d %12.6f %12.6f %8.4f\n", h, k, l, a, b,
                              1.0);
                in << line;
            }
    in << "endf\n";
    return in.str();
}

int count_prefix(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& s) {
        return s.rfind(prefix, 0) == 0;
    }));
}

}  // namespace

TEST(MemRun, ReachesTheAimAndWritesEveryFile) {
    TempDir dir;
    dir.write("atoms.Quilmo", mem_input("S-S AUTO 1.0"));
    auto r = run_quilmo(dir, {"atoms"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(dir.exists("atoms.asc"));
    EXPECT_TRUE(dir.exists("atoms_diffour.m81"));
    std::vector<std::string> log = lines_of(dir.read("atoms.QLlog"));
    EXPECT_EQ(count_prefix(log, "Automatic calculation of starting lambda: the value set to "), 1);
    EXPECT_GE(count_prefix(log, "Cycle: "), 1);
    auto last = std::find_if(log.rbegin(), log.rend(), [](const std::string& s) {
        return s.rfind("Combined FG Constraint : ", 0) == 0;
    });
    ASSERT_NE(last, log.rend());
    EXPECT_LE(std::stod(last->substr(25, 15)), 1.0);
    std::vector<std::string> out = lines_of(dir.read("atoms.QLout"));
    EXPECT_EQ(count_prefix(out, " After "), 1);
    EXPECT_EQ(count_prefix(out, "F-Constraints:"), 1);
    EXPECT_EQ(out.back(), "");
    std::vector<std::string> hst = lines_of(dir.read("atoms.QLhst"));
    EXPECT_EQ(count_prefix(hst, "Start of histogram"), 1);
    EXPECT_EQ(count_prefix(hst, "End of histogram"), 1);
    EXPECT_NE(r.out.find(" Cycle      1"), std::string::npos);
}

TEST(MemRun, CycleLimitFromTheCommandLine) {
    TempDir dir;
    dir.write("atoms.Quilmo", mem_input("S-S 0.001 0.0001"));
    auto r = run_quilmo(dir, {"atoms", "2"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::string> log = lines_of(dir.read("atoms.QLlog"));
    EXPECT_EQ(count_prefix(log, "Cycle: "), 2);
    std::vector<std::string> out = lines_of(dir.read("atoms.QLout"));
    EXPECT_EQ(count_prefix(out, " After          3 Cycles of iteration"), 1);
    EXPECT_TRUE(dir.exists("atoms.asc"));
}

TEST(MemRun, MemSysIsRefused) {
    TempDir dir;
    dir.write("atoms.Quilmo", mem_input("MEMSys"));
    auto r = run_quilmo(dir, {"atoms"});
    EXPECT_EQ(r.status, 1) << r.err;  // a stop: no density was made
    std::string log = dir.read("atoms.QLlog");
    EXPECT_NE(log.find("Sorry, the MEMSys package is commercial and is not a part of this freely "
                       "distributed package.\r\n"),
              std::string::npos);
    EXPECT_NE(r.out.find(" Sorry, the MEMSys package is commercial and  is not a part"),
              std::string::npos);
    EXPECT_FALSE(dir.exists("atoms.asc"));
}
