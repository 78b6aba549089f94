// What a run writes besides the map, on a disk that fails and with bytes that
// are not UTF-8: every run file that cannot be written stops the run with
// one console line naming it, and the summary is JSON whatever the input's
// bytes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/e2e.h"
#include "support/point_atoms.h"

using quilmo_test::run_quilmo;
using quilmo_test::RunResult;
using quilmo_test::TempDir;

namespace {

const std::vector<quilmo_test::Atom> kAtoms = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};

std::string mem_input(const std::string& extra) {
    return quilmo_test::point_atom_input(kAtoms, "MEM",
                                         "initialdensity flat\nalgorithm S-S 1e-3 1.0\noutputformat QLascii\n" + extra,
                                         {16, 2, 1.0});
}

// Runs with the size of every file the program writes limited to `bytes`
// (writes beyond fail with "File too large" instead of raising SIGXFSZ).
RunResult run_limited(const TempDir& dir, const std::vector<std::string>& args, rlim_t bytes) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = bytes;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    RunResult r = run_quilmo(dir, args);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    return r;
}

}  // namespace

// Each run file in turn lies on a full device (a link to /dev/full takes
// every byte as a full disk would refuse it); the symmetry table, which must
// be a new file, meets a size limit instead.
TEST(RunFiles, AFailedWriteOfAnyRunFileStopsTheRunNamingIt) {
    const std::string full = ": " + std::string(std::strerror(ENOSPC)) + "\n";
    const struct {
        std::string file, extra;
    } cases[] = {
        {"run.QLlog", ""},
        {"run.QLout", ""},
        {"run.QLhst", ""},
        {"run.QLcheck", "memcheck 20\n"},
        {"run.QLsum.json.part", ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("run.Quilmo", mem_input(c.extra));
        std::filesystem::create_symlink("/dev/full", dir / c.file);
        RunResult r = run_quilmo(dir, {"run", "3"});
        EXPECT_EQ(r.status, 1) << c.file;
        std::string name = c.file;
        if (name == "run.QLsum.json.part") name = "run.QLsum.json";
        EXPECT_EQ(r.err, "STOP Error! Cannot write the file " + name + full) << c.file << r.out;
    }

    TempDir dir;
    dir.write("run.Quilmo", "symtable yes\n" + mem_input(""));
    RunResult r = run_limited(dir, {"run", "3"}, 40000);  // the table is 98 KB
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "STOP Error! Cannot write the symmetry table file run.QLsymtb: " +
                         std::string(std::strerror(EFBIG)) + "\n");
}

// A title in Latin-1 and a title on the command line with bytes that are not
// UTF-8: the run ends normally and its summary parses, with U+FFFD where a
// byte was not UTF-8 and the rest as it was.
TEST(RunFiles, BytesThatAreNotUtf8ReachTheSummaryAsReplacementCharacters) {
    TempDir dir;
    std::string input = quilmo_test::point_atom_input(kAtoms, "fourier",
                                                      "algorithm S-S\ninitialdensity flat\noutputformat QLascii\n", {8, 1, 1.0});
    input.replace(input.find("title point atoms"), 17, "title sucrose \xC5ngstr\xF6m");
    const std::string odd = "t\xFFz";
    dir.write(odd + ".Quilmo", input);
    RunResult r = run_quilmo(dir, {odd});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(dir.read(odd + ".QLsum.json"));
    EXPECT_EQ(j.at("title"), "sucrose \xEF\xBF\xBDngstr\xEF\xBF\xBDm");
    EXPECT_EQ(j.at("input_file"), "t\xEF\xBF\xBDz.Quilmo");
    EXPECT_FALSE(dir.exists(odd + ".QLsum.json.part"));
}

// A symmetry table made for P2_1 on the grid of a P-1 run: the fingerprint
// tells them apart, the table is computed again, and the map is the one a
// run without the file writes.
TEST(RunFiles, ASymmetryTableOfAnotherGroupIsComputedAgain) {
    const std::string base = quilmo_test::point_atom_input(
        kAtoms, "fourier", "algorithm S-S\ninitialdensity flat\nsymtable yes\noutputformat QLascii\n", {12, 2, 1.0});
    auto with_ops = [&](const std::string& ops, bool centro) {
        std::string s = base;
        s.replace(s.find("x1 x2 x3\nendsymmetry"), 20, "x1 x2 x3\n" + ops + "\nendsymmetry");
        if (centro) s.replace(s.find("centro no"), 9, "centro yes");
        return s;
    };
    TempDir dir, fresh;
    // The table depends on the grid and the operators only: one reflection
    // (unique in P2_1) does for the P2_1 run.
    std::string p21 = with_ops("-x1 x2+1/2 -x3", false);
    const auto f = p21.find('\n', p21.find("fbegin")) + 1;
    p21.replace(f, p21.find("endf") - f, "1 0 0 1.0 0.0 0.1\n");
    dir.write("p21.Quilmo", p21);
    RunResult first = run_quilmo(dir, {"p21"});
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    dir.write("t.QLsymtb", dir.read("p21.QLsymtb"));
    dir.write("t.Quilmo", with_ops("-x1 -x2 -x3", true));
    fresh.write("t.Quilmo", with_ops("-x1 -x2 -x3", true));
    RunResult r = run_quilmo(dir, {"t"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("does not record these operators; it is computed again."), std::string::npos) << r.out;
    ASSERT_EQ(run_quilmo(fresh, {"t"}).status, 0);
    EXPECT_EQ(dir.read("t.asc"), fresh.read("t.asc"));
    EXPECT_EQ(dir.read("t.QLsymtb"), fresh.read("t.QLsymtb"));
}
