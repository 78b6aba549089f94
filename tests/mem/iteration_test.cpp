#include "mem/iteration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "fourier/fft.h"
#include "grid/voxels.h"
#include "mem/fixture.h"
#include "mem/rfactor.h"
#include "support/e2e.h"
#include "textio/stop.h"

using namespace quilmo;
using memtest::entry;
using quilmo_test::lines_of;
using quilmo_test::TempDir;

namespace {

// A 4x4x4 P1 cell of 64 electrons, flat start and prior, constrained by
// F(000) = 64 and F(100) = 5 (sigma 0.5) with its Friedel mate.
struct MemRun {
    TempDir dir;
    RunState st;
    std::ostringstream con;

    MemRun(double lambda, double aim) {
        memtest::tiny_grid(st, 4, 4, 4, 64.0);
        st.con = &con;
        st.algorithm = 1;
        st.filetitle = fixed((dir / "run").string(), 264);
        st.filebase = idel(st.filetitle) + 1;
        st.logfile = fixed((dir / "run.QLlog").string(), 264);
        st.memreflfile = fixed((dir / "run.QLout").string(), 264);
        st.comfile = fixed((dir / "run.QLcom").string(), 264);
        dir.write("run.QLlog", "");
        fftinit(st);

        memtest::f_only(st, {entry(64, 0, 0, 0, 1), entry(5, 0, 0, 0, 0.5)});
        st.refl(2).hklfg = {1, 0, 0};
        st.memrefl.allocate(1, 3);
        st.memrefl(1) = st.refl(1);
        st.memrefl(2) = st.refl(2);
        st.memrefl(2).sfloc = 2;
        st.memrefl(3) = st.refl(2);
        st.memrefl(3).hklfg = {-1, 0, 0};
        st.memrefl(3).sfloc = 6;
        st.refl(2).sfloc = 2;
        st.msec.f.start = 1;
        st.msec.f.end = st.msec.prif.end = 3;
        st.lambda = lambda;
        st.aim = aim;
        rfactorinit(st);
    }
    ~MemRun() { fftfree(st); }

    std::vector<std::string> log() { return lines_of(dir.read("run.QLlog")); }
    std::vector<std::string> listing() { return lines_of(dir.read("run.QLout")); }
    bool log_has(const std::string& l) {
        std::vector<std::string> g = log();
        return std::find(g.begin(), g.end(), l) != g.end();
    }
    int log_count(const std::string& prefix) {
        std::vector<std::string> g = log();
        return static_cast<int>(std::count_if(
            g.begin(), g.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
    }
    double charge_sum() {
        double s = 0;
        for (int i = 1; i <= st.norb; ++i) s += st.au(i);
        return s;
    }
};

bool contains(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
}

}  // namespace

TEST(Mem, AutomaticLambdaReachesTheAimAndKeepsTheCharge) {
    MemRun r(0.0, 1.0);
    mem(r.st);
    EXPECT_LE(r.st.fgcon, 1.0);
    EXPECT_NEAR(r.charge_sum(), 64.0, 1e-9);
    EXPECT_NEAR(r.st.refl(2).amem, 5.0, 0.5);
    EXPECT_EQ(r.log_count("Automatic calculation of starting lambda: the value set to "), 1);
    EXPECT_GE(r.log_count("Cycle: "), 1);
    // The entropy carried through the cycle is the entropy of the density.
    double s = r.st.s;
    entropy(r.st);
    EXPECT_NEAR(s, r.st.s, 1e-9 * std::max(1.0, std::fabs(s)));
    EXPECT_NE(r.con.str().find(" Cycle      1"), std::string::npos);
}

TEST(Mem, StartThatMeetsTheAimRunsNoCycle) {
    MemRun r(0.5, 1000.0);
    mem(r.st);
    EXPECT_EQ(r.log_count("Cycle: "), 0);
    EXPECT_TRUE(contains(r.listing(), " After          0 Cycles of iteration"));
    EXPECT_EQ(r.st.lambda, 0.5);
}

TEST(Mem, FixedLambdaStopsOnDivergence) {
    MemRun r(-2.0, 1.0);
    mem(r.st);
    EXPECT_EQ(r.st.lambda, 2.0);
    EXPECT_TRUE(r.log_has("Divergence in constraints, lambda control off => stopping."));
    EXPECT_NE(r.con.str().find("Divergence in constraints, lambda control off => stopping.\n"),
              std::string::npos);
    EXPECT_TRUE(contains(r.listing(), " After          1 Cycles of iteration"));
}

TEST(Mem, ExponentBeyondTheRangeStopsWithAdvice) {
    MemRun r(-2000.0, 1.0);
    // Gradient 0.625 at most: 707 / 0.625 = 1131.2.
    const std::string msg = "Lambda too large. Lower the value at least to 0.113E+04. Stopping.";
    EXPECT_THROW(mem(r.st), RunStop);
    EXPECT_TRUE(r.log_has(msg));
    EXPECT_EQ(r.con.str(), msg + "\n");
}

TEST(Mem, ChargeJumpRepeatsTheCycleWithASmallerLambda) {
    MemRun r(50.0, 1.0);
    r.st.maxcycles = 1;
    mem(r.st);
    EXPECT_TRUE(r.log_has("The charge increase factor is too high, the results might be inaccurate."));
    EXPECT_EQ(r.log_count("Repeating with lambda decreased to "), 1);
    EXPECT_GT(r.st.lambda, 0.0);
    EXPECT_LT(r.st.lambda, 50.0 / 10);
    // The repeated cycle restored the flat start.
    for (int i = 1; i <= r.st.norb; ++i) EXPECT_NEAR(r.st.au(i), 1.0, 1e-12);
    EXPECT_NEAR(r.st.refl(2).amem, 0.0, 1e-9);
}

TEST(Mem, StopCommandEndsBeforeTheCycle) {
    MemRun r(0.5, 1.0);
    r.dir.write("run.QLcom", "STOP\n");
    mem(r.st);
    EXPECT_FALSE(r.dir.exists("run.QLcom"));
    EXPECT_TRUE(r.log_has("User forced termination of iteration. Stopping."));
    EXPECT_EQ(r.st.maxcycles, 0);
    EXPECT_EQ(r.log_count("Cycle: "), 0);
    EXPECT_TRUE(contains(r.listing(), " After          1 Cycles of iteration"));
    EXPECT_NEAR(r.st.au(1), 1.0, 1e-15);
}

TEST(Mem, TwoChannelsAreNotRescaled) {
    MemRun r(0.05, 1.0);
    r.st.nchan = 2;
    r.st.au.allocate(1, 2 * r.st.norb);
    for (int i = 1; i <= r.st.norb; ++i) {
        r.st.au(i) = 1.05;
        r.st.au(i + r.st.norb) = 0.05;
    }
    r.st.rau = r.st.au;
    r.st.maxcycles = 1;
    mem(r.st);
    std::vector<std::string> g = r.log();
    auto it = std::find_if(g.begin(), g.end(), [](const std::string& s) { return s.rfind("Test: ", 0) == 0; });
    ASSERT_NE(it, g.end());
    EXPECT_EQ(it->substr(6 + 7), "     Charge increase factor:  1.0000");
}

TEST(Mem, ExtraReflectionsShowTheFinalDensityEvenWithoutACycle) {
    MemRun r(0.0, 1000.0);
    // A start with a cos(pi x) wave: F(200) = 0.5 * 32 * 2 = 32.
    for (int v = 0; v < 64; ++v) r.st.au(v + 1) = 1.0 + 0.5 * std::cos(M_PI * (v % 4));
    r.st.rau = r.st.au;
    r.st.refl.allocate(1, 3);
    r.st.refl(1) = entry(64, 0, 0, 0, 1);
    r.st.refl(2) = entry(5, 0, 0, 0, 0.5);
    r.st.refl(2).hklfg = {1, 0, 0};
    r.st.refl(2).sfloc = 2;
    r.st.refl(3) = entry(0, 0, 0, 0, 0);
    r.st.refl(3).hklfg = {2, 0, 0};
    r.st.refl(3).sfloc = 4;
    r.st.sec.extra.start = r.st.sec.extra.end = 3;
    mem(r.st);
    EXPECT_NEAR(r.st.refl(3).amem, 32.0, 1e-9);
    EXPECT_NEAR(r.st.refl(3).bmem, 0.0, 1e-9);
}

TEST(Mem, CheckFileSamplesEveryKthOrbit) {
    MemRun r(0.5, 1000.0);
    r.st.memcheck = 3;  // 64 / 3: orbits 21, 42 and 63
    r.st.title = fixed("check", 132);
    mem(r.st);
    std::vector<std::string> l = lines_of(r.dir.read("run.QLcheck"));
    ASSERT_EQ(l.size(), 4u + 3u + 2u + 2u + 2u);
    EXPECT_EQ(l[0], "# Title:" + fixed("check", 132));
    EXPECT_EQ(l[1], "# Algorithm: S-S");
    EXPECT_EQ(l[4].substr(0, 6), "    21");
    EXPECT_EQ(l[6].substr(0, 6), "    63");
    // The prior itself: dS/drho = -1 and dS/dF = 0.
    EXPECT_EQ(l[4].substr(6, 14), "  -0.10000E+01");
    EXPECT_EQ(l[11].substr(6, 14), "   0.00000E+00");
}

TEST(MemSys, StopsWithTheNoticeInLogAndConsole) {
    TempDir dir;
    RunState st;
    std::ostringstream con;
    st.con = &con;
    st.logfile = fixed((dir / "run.QLlog").string(), 264);
    dir.write("run.QLlog", "");
    EXPECT_THROW(memsys_stop(st), RunStop);
    EXPECT_EQ(dir.read("run.QLlog"),
              "Sorry, the MEMSys package is commercial and is not a part of this freely "
              "distributed package.\r\n");
    EXPECT_EQ(con.str(), " Sorry, the MEMSys package is commercial and  is not a part of this freely "
                         "distributed package.\n");
}

TEST(Mem, RejectedCycleThatMetTheAimDoesNotEndTheRun) {
    // A tight prior structure factor F(200) = 0 makes every sizeable step
    // diverge in fpgcon, although the step fits F(100) within the aim.
    MemRun r(0.3, 20.0);
    r.st.refl.allocate(1, 3);
    r.st.refl(1) = entry(64, 0, 0, 0, 1);
    r.st.refl(2) = entry(5, 0, 0, 0, 0.5);
    r.st.refl(2).hklfg = {1, 0, 0};
    r.st.refl(2).sfloc = 2;
    r.st.refl(3) = entry(0, 0, 0, 0, 0.005);
    r.st.refl(3).hklfg = {2, 0, 0};
    r.st.refl(3).sfloc = 4;
    r.st.sec.prif.start = r.st.sec.prif.end = 3;
    r.st.sec.g.start = r.st.sec.extra.start = 4;
    r.st.sec.g.end = r.st.sec.extra.end = 3;
    r.st.addprisf = true;
    r.st.memrefl.allocate(1, 4);
    for (int i = 1; i <= 2; ++i) r.st.memrefl(i) = r.st.refl(i);
    r.st.memrefl(3) = r.st.refl(2);
    r.st.memrefl(3).hklfg = {-1, 0, 0};
    r.st.memrefl(3).sfloc = 6;
    r.st.memrefl(4) = r.st.refl(3);
    r.st.msec.prif.start = r.st.msec.prif.end = 4;
    r.st.maxcycles = 3;
    rfactorinit(r.st);
    mem(r.st);
    std::vector<std::string> g = r.log();
    auto first = std::find(g.begin(), g.end(), "Cycle:          1");
    auto fg = std::find_if(first, g.end(), [](const std::string& s) { return s.rfind("Combined FG", 0) == 0; });
    ASSERT_NE(fg, g.end());
    EXPECT_LE(std::stod(fg->substr(25, 15)), 20.0);  // cycle 1 met the aim ...
    EXPECT_TRUE(r.log_has("Divergence in constraints, lowering lambda and repeating the cycle."));
    EXPECT_EQ(r.log_count("Cycle: "), 3);  // ... but was rejected, and the run went on
}

TEST(Mem, DensityCommandWritesTheCurrentDensityAndKeepsTheOutputName) {
    MemRun r(0.5, 1.0);
    r.st.maxcycles = 1;
    r.st.outrhotype = fixed("QLascii", 264);
    r.st.outrhofile = fixed("final.asc", 264);
    r.st.ncellpar = 6;
    r.st.cellcon = 7;
    r.st.cell.allocate(1, 7);
    for (int k = 1; k <= 3; ++k) r.st.cell(k) = 10;
    for (int k = 4; k <= 6; ++k) r.st.cell(k) = 90;
    r.st.cell(7) = 1000;
    const std::string mid = (r.dir / "mid.asc").string();
    // Quoted: in a list-directed value a slash would end the list.
    r.dir.write("run.QLcom", "DENSITY '" + mid + "'\n");
    mem(r.st);
    EXPECT_FALSE(r.dir.exists("run.QLcom"));
    EXPECT_TRUE(r.dir.exists("mid.asc"));
    EXPECT_TRUE(r.log_has("Writing out the current density to the file " + mid));
    EXPECT_EQ(r.st.outrhofile, fixed("final.asc", 264));
}

// The DENSITY command takes the rest of its line as the file name, so paths
// and names with blanks work; a name with control characters is refused, and
// the names of the run's own maps are never taken for a map during the run.
TEST(Mem, DensityCommandNamesTheWholeRestOfTheLine) {
    struct Case {
        std::string value;  // after "DENSITY"
        std::string file;   // written, relative to the scratch folder; empty: nothing written
        std::string log;    // a log line that must be there
    };
    const std::vector<Case> cases = {
        {" sub/mid map.asc  ", "sub/mid map.asc", "Writing out the current density to the file "},
        {"\t\"sub/quoted.asc\"", "sub/quoted.asc", "Writing out the current density to the file "},
        {" sub/a\x01" "b.asc", "", "Reading error or invalid key/value in the "},
        {" ''", "", "Reading error or invalid key/value in the "},
        {" final.asc", "", " is kept for the run's own density; the DENSITY command is ignored."},
    };
    for (const Case& c : cases) {
        MemRun r(0.5, 1.0);
        r.st.maxcycles = 1;
        r.st.outrhotype = fixed("QLascii", 264);
        r.st.ncellpar = 6;
        r.st.cellcon = 7;
        r.st.cell.allocate(1, 7);
        for (int k = 1; k <= 6; ++k) r.st.cell(k) = k <= 3 ? 10 : 90;
        r.st.cell(7) = 1000;
        std::filesystem::create_directories(r.dir / "sub");
        // Absolute names, as the program's working directory is elsewhere.
        std::string value = c.value;
        for (const char* rel : {"sub/", "final.asc"}) {
            const auto p = value.find(rel);
            if (p != std::string::npos) value.insert(p, r.dir.path().string() + "/");
        }
        r.st.outrhofile = fixed((r.dir / "final.asc").string(), 264);
        r.dir.write("run.QLcom", "DENSITY" + value + "\n");
        mem(r.st);
        EXPECT_FALSE(r.dir.exists("run.QLcom")) << c.value;
        EXPECT_NE(r.dir.read("run.QLlog").find(c.log), std::string::npos) << c.value;
        if (!c.file.empty()) {
            EXPECT_TRUE(r.dir.exists(c.file)) << c.value;
        }
        EXPECT_FALSE(r.dir.exists("final.asc")) << c.value;
        EXPECT_EQ(trim(r.st.outrhofile), (r.dir / "final.asc").string());
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(r.dir / "sub"),
                                std::filesystem::directory_iterator()),
                  c.file.empty() ? 0 : 1)
            << c.value;
    }
}
