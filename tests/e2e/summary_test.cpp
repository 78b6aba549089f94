// The run summary <title>.QLsum.json, parsed as a script would: a finished
// maximum-entropy run, a cycle-limited one, a STOP by the command file, and
// runs that stop on bad input, each replacing the summary of the last run.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/e2e.h"

using nlohmann::json;
using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::RunningQuilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kInput = slurp(std::string(QUILMO_TEST_DATA) + "/mem/sucrose_mem.Quilmo");

json summary(const TempDir& dir) { return json::parse(dir.read("sucrose_mem.QLsum.json")); }

int log_cycles(const TempDir& dir) {
    int n = 0;
    for (const auto& l : lines_of(dir.read("sucrose_mem.QLlog"))) n += l.rfind("Cycle: ", 0) == 0;
    return n;
}

// The cycle table agrees with the cycle count and with the final values.
void expect_consistent_mem(const json& mem) {
    const json& rows = mem.at("table").at("rows");
    ASSERT_EQ(mem.at("table").at("columns"), json({"cycle", "lambda", "R", "constraint"}));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().at(0), mem.at("cycles"));
    EXPECT_EQ(rows.back().at(2), mem.at("R"));
    EXPECT_EQ(rows.back().at(3), mem.at("constraint"));
    for (const char* key : {"lambda", "Rw", "entropy", "aim"}) EXPECT_TRUE(mem.at(key).is_number()) << key;
}

TEST(RunSummary, FinishedMemRunThenAnInputErrorReplacesIt) {
    TempDir dir;
    dir.write("sucrose_mem.Quilmo", kInput);
    ASSERT_EQ(run_quilmo(dir, {"sucrose_mem"}).status, 0);
    const json s = summary(dir);
    EXPECT_EQ(s.at("program"), "quilmo");
    EXPECT_TRUE(s.at("version").is_string());
    EXPECT_EQ(s.at("input_file"), "sucrose_mem.Quilmo");
    EXPECT_EQ(s.at("run_kind"), "MEM");
    EXPECT_EQ(s.at("end"), "normal");
    EXPECT_EQ(s.at("exit_status"), 0);
    EXPECT_FALSE(s.contains("message"));
    EXPECT_EQ(s.at("grid"), json({32, 36, 45}));
    EXPECT_NEAR(s.at("cell").at(4).get<double>(), 102.984, 1e-9);
    EXPECT_EQ(s.at("operators"), 2);
    EXPECT_EQ(s.at("reflections").at("F"), 2200);  // F(000) included
    const json& mem = s.at("mem");
    expect_consistent_mem(mem);
    EXPECT_EQ(mem.at("end"), "normal");
    EXPECT_EQ(mem.at("cycles"), log_cycles(dir));
    EXPECT_LE(mem.at("constraint").get<double>(), mem.at("aim").get<double>());
    EXPECT_EQ(s.at("files_written"),
              json({"sucrose_mem.QLlog", "sucrose_mem.QLout", "sucrose_mem.QLhst", "sucrose_mem.asc",
                    "sucrose_mem_diffour.m81", "sucrose_mem.QLpeaks", "sucrose_mem.res", "sucrose_mem_model.cif"}));
    EXPECT_GT(s.at("wall_time_s").get<double>(), 0);

    std::string bad = kInput;
    bad.erase(bad.find("cell "), bad.find('\n', bad.find("cell ")) - bad.find("cell ") + 1);
    std::filesystem::remove(dir / "sucrose_mem.Quilmo");
    dir.write("sucrose_mem.Quilmo", bad);
    ASSERT_EQ(run_quilmo(dir, {"sucrose_mem"}).status, 1);
    const json stopped = summary(dir);
    EXPECT_EQ(stopped.at("end"), "stopped");
    EXPECT_EQ(stopped.at("exit_status"), 1);
    EXPECT_EQ(stopped.at("message"),
              "Error, the compulsory keyword cell is missing in the input file.\n"
              "There were    1 errors in the input file.\nPlease check the input file and try again.");
    EXPECT_FALSE(stopped.contains("mem"));
    EXPECT_FALSE(stopped.contains("grid"));
    // The log was opened but nothing reached it before the stop.
    EXPECT_EQ(stopped.at("files_written"), json::array());
}

TEST(RunSummary, CycleLimitAndMissingInputFile) {
    TempDir dir;
    dir.write("sucrose_mem.Quilmo", kInput);
    ASSERT_EQ(run_quilmo(dir, {"sucrose_mem", "5"}).status, 0);
    const json s = summary(dir);
    EXPECT_EQ(s.at("end"), "cycle limit");
    expect_consistent_mem(s.at("mem"));
    EXPECT_EQ(s.at("mem").at("cycles"), 5);
    EXPECT_EQ(s.at("mem").at("table").at("rows").size(), 5u);

    ASSERT_EQ(run_quilmo(dir, {"absent"}).status, 1);
    const json none = json::parse(dir.read("absent.QLsum.json"));
    EXPECT_EQ(none.at("end"), "stopped");
    EXPECT_EQ(none.at("message"),
              "Error opening input file. Check the access rights!\nabsent.Quilmo: No such file or directory");
}

TEST(RunSummary, StopByTheCommandFile) {
    TempDir dir;
    std::string input = kInput;
    // A small fixed lambda keeps the iteration going until the STOP arrives.
    input.replace(input.find("algorithm S-S AUTO 1.0"), 22, "algorithm S-S -0.00001 0.01");
    dir.write("sucrose_mem.Quilmo", input);
    RunningQuilmo run(dir, {"sucrose_mem", "20000"});
    bool cycling = false;
    for (int i = 0; i < 6000 && !cycling; ++i) {
        cycling = dir.read("sucrose_mem.QLlog").find("Cycle: ") != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(cycling);
    dir.write("cmd.tmp", "STOP\n");
    std::filesystem::rename(dir / "cmd.tmp", dir / "sucrose_mem.QLcom");
    ASSERT_EQ(run.finish().status, 0);
    const json s = summary(dir);
    EXPECT_EQ(s.at("end"), "user STOP");
    EXPECT_EQ(s.at("exit_status"), 0);
    expect_consistent_mem(s.at("mem"));
    EXPECT_EQ(s.at("mem").at("cycles"), log_cycles(dir));
    EXPECT_LT(s.at("mem").at("cycles").get<int>(), 20000);
}

}  // namespace
