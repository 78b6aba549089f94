// Whole maximum-entropy runs: structure factors of point atoms in, a density,
// a difference map, a histogram and the iteration's reports out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "support/e2e.h"
#include "support/point_atoms.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::TempDir;

namespace {

// Two point atoms in P1 on a 16^3 grid, every reflection up to index 2,
// sigma 1.
std::string mem_input(const std::string& algorithm) {
    const std::vector<quilmo_test::Atom> atoms = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};
    return quilmo_test::point_atom_input(
        atoms, "MEM", "initialdensity flat\nalgorithm " + algorithm + "\noutputformat QLascii\n",
        {16, 2, 1.0});
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

// Two threads cut the density update into parts and transform on two
// threads: the same cycles and the same map as one thread, to rounding.
TEST(MemRun, TwoThreadsGiveTheMapOfOne) {
    const std::vector<quilmo_test::Atom> atoms = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};
    std::vector<std::vector<double>> maps;
    std::vector<int> cycles;
    for (int threads : {1, 2}) {
        TempDir dir;
        dir.write("atoms.Quilmo",
                  quilmo_test::point_atom_input(atoms, "MEM",
                                                "initialdensity flat\nalgorithm S-S AUTO 1.0\noutputformat "
                                                "QLascii\nthreads " + std::to_string(threads) + "\n",
                                                {32, 2, 1.0}));
        auto r = run_quilmo(dir, {"atoms"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        cycles.push_back(count_prefix(lines_of(dir.read("atoms.QLlog")), "Cycle: "));
        std::istringstream in(dir.read("atoms.asc"));
        std::vector<double> v;
        for (std::string tok; in >> tok;)
            if (tok.find('E') != std::string::npos) v.push_back(std::stod(tok));
        maps.push_back(v);
    }
    EXPECT_EQ(cycles[0], cycles[1]);
    ASSERT_EQ(maps[0].size(), maps[1].size());
    ASSERT_GT(maps[0].size(), 32768u);
    const double top = *std::max_element(maps[0].begin(), maps[0].end());
    for (std::size_t i = 0; i < maps[0].size(); ++i) EXPECT_NEAR(maps[0][i], maps[1][i], 1e-9 * top) << i;
}
