// Maximum-entropy runs on sucrose (P2_1, 2199 unique reflections): the
// iteration reaches its aim, every output file is written, a second run
// appends its reports, and the command file steers a running iteration.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/e2e.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::RunningQuilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kInput = slurp(std::string(QUILMO_TEST_DATA) + "/mem/sucrose_mem.Quilmo");

int count_prefix(const std::string& text, const std::string& prefix) {
    auto lines = lines_of(text);
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
}

double last_fg_constraint(const std::string& log) {
    double value = -1;
    for (const auto& l : lines_of(log))
        if (l.rfind("Combined FG Constraint : ", 0) == 0) value = std::stod(l.substr(25, 15));
    return value;
}

// Waits (at most a minute) until `ready` holds.
template <class F>
bool wait_for(F ready) {
    for (int i = 0; i < 6000; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Puts a command into the command file in one step, so the run never sees
// it half-written.
void command(const TempDir& dir, const std::string& text) {
    dir.write("cmd.tmp", text + "\n");
    std::filesystem::rename(dir / "cmd.tmp", dir / "sucrose_mem.QLcom");
}

TEST(SucroseMem, ReachesTheAimWritesEveryFileAndASecondRunAppends) {
    ASSERT_FALSE(kInput.empty());
    TempDir dir;
    dir.write("sucrose_mem.Quilmo", kInput + "memcheck 50\n");
    auto r = run_quilmo(dir, {"sucrose_mem"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = dir.read("sucrose_mem.QLlog");
    EXPECT_LE(last_fg_constraint(log), 1.0);
    EXPECT_GT(count_prefix(log, "Cycle: "), 10);
    EXPECT_EQ(lines_of(dir.read("sucrose_mem.asc")).size(), 4u + 51840 / 6);
    // The difference map has its fixed name and the run's format.
    EXPECT_EQ(lines_of(dir.read("sucrose_mem_diffour.m81")).front(), "   3   3");
    EXPECT_EQ(count_prefix(dir.read("sucrose_mem.QLhst"), "Start of histogram"), 1);
    const std::string check = dir.read("sucrose_mem.QLcheck");
    EXPECT_EQ(count_prefix(check, "# Title:sucrose mem P1211"), 1);
    EXPECT_EQ(count_prefix(check, "# reciprocal space gradient:"), 1);

    auto again = run_quilmo(dir, {"sucrose_mem"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(count_prefix(dir.read("sucrose_mem.QLlog"), " Date of start: "), 2);
    EXPECT_EQ(count_prefix(dir.read("sucrose_mem.QLout"), " After "), 2);
    EXPECT_EQ(count_prefix(dir.read("sucrose_mem.QLhst"), "Start of histogram"), 2);
    EXPECT_EQ(count_prefix(dir.read("sucrose_mem.QLcheck"), "# Title:"), 2);
    // The first run's maps stay; the second run's go to spare names.
    EXPECT_TRUE(dir.exists("qlmap00.asc"));
    EXPECT_TRUE(dir.exists("qlmap01.asc"));
}

TEST(SucroseMem, CommandFileWritesAMapAndStopsTheIteration) {
    TempDir dir;
    // A small fixed lambda keeps the iteration going for thousands of
    // cycles, so the commands reach it while it runs.
    std::string input = kInput;
    input.replace(input.find("algorithm S-S AUTO 1.0"), 22, "algorithm S-S -0.00001 0.01");
    dir.write("sucrose_mem.Quilmo", input);
    RunningQuilmo run(dir, {"sucrose_mem", "20000"});
    const auto log = [&] { return dir.read("sucrose_mem.QLlog"); };
    ASSERT_TRUE(wait_for([&] { return log().find("Cycle: ") != std::string::npos; }));
    command(dir, "DENSITY mid.asc");
    ASSERT_TRUE(wait_for([&] { return !dir.exists("sucrose_mem.QLcom") && dir.exists("mid.asc"); }));
    command(dir, "STOP");
    auto r = run.finish();
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string text = log();
    EXPECT_NE(text.find("Writing out the current density to the file mid.asc"), std::string::npos);
    EXPECT_NE(text.find("User forced termination of iteration. Stopping."), std::string::npos);
    EXPECT_FALSE(dir.exists("sucrose_mem.QLcom"));
    // The final map keeps the run's own name; the mid-run map was complete.
    EXPECT_TRUE(dir.exists("sucrose_mem.asc"));
    EXPECT_EQ(lines_of(dir.read("mid.asc")).size(), 4u + 51840 / 6);
    // The end report counts the cycle that noticed the STOP.
    const int cycles = count_prefix(text, "Cycle: ");
    char after[64];
    std::snprintf(after, sizeof after, " After %10d Cycles of iteration", cycles + 1);
    EXPECT_EQ(count_prefix(dir.read("sucrose_mem.QLout"), after), 1) << after;
}

}  // namespace
