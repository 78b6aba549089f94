// Whole DUAL runs in-process on a small P1 cell: the reports, the command
// file and the ends of the minimisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "fourier/fft.h"
#include "mem/dual.h"
#include "mem/fixture.h"
#include "mem/rfactor.h"
#include "textio/stop.h"
#include "support/e2e.h"

using namespace quilmo;
using memtest::entry;
using quilmo_test::lines_of;
using quilmo_test::TempDir;

namespace {

// A 4x4x4 P1 cell of 64 electrons, flat start and prior, constrained by
// F(000) = 64, F(100) = 5 and F(011) = 3 - 2i (sigma 0.5).
struct DualRun {
    TempDir dir;
    RunState st;
    std::ostringstream con;

    explicit DualRun(double aim) {
        memtest::tiny_grid(st, 4, 4, 4, 64.0);
        st.con = &con;
        st.algorithm = 3;
        st.filetitle = fixed((dir / "run").string(), kNameLen);
        st.filebase = idel(st.filetitle) + 1;
        st.logfile = fixed((dir / "run.QLlog").string(), kNameLen);
        st.memreflfile = fixed((dir / "run.QLout").string(), kNameLen);
        st.comfile = fixed((dir / "run.QLcom").string(), kNameLen);
        st.outrhotype = fixed("QLascii", kNameLen);
        st.outrhofile = fixed((dir / "final.asc").string(), kNameLen);
        st.ncellpar = 6;
        st.cellcon = 7;
        st.cell.allocate(1, 7);
        for (int k = 1; k <= 3; ++k) st.cell(k) = 10;
        for (int k = 4; k <= 6; ++k) st.cell(k) = 90;
        st.cell(7) = 1000;
        dir.write("run.QLlog", "");
        fftinit(st);

        memtest::f_only(st, {entry(64, 0, 0, 0, 1), entry(5, 0, 0, 0, 0.5), entry(3, -2, 0, 0, 0.5)});
        st.refl(2).hklfg = {1, 0, 0};
        st.refl(2).sfloc = 2;
        st.refl(3).hklfg = {0, 1, 1};
        st.refl(3).sfloc = 2 * (4 + 16);
        st.memrefl.allocate(1, 5);
        st.memrefl(1) = st.refl(1);
        st.memrefl(2) = st.refl(2);
        st.memrefl(3) = st.refl(3);
        st.memrefl(4) = st.refl(2);
        st.memrefl(4).hklfg = {-1, 0, 0};
        st.memrefl(4).sfloc = 6;
        st.memrefl(5) = st.refl(3);
        st.memrefl(5).hklfg = {0, -1, -1};
        st.memrefl(5).sfloc = 2 * (3 * 4 + 3 * 16);
        st.memrefl(5).b = 2;
        st.msec.f.start = 1;
        st.msec.f.end = st.msec.prif.end = 5;
        st.aim = aim;
        rfactorinit(st);
    }
    ~DualRun() { fftfree(st); }

    std::vector<std::string> log() { return lines_of(dir.read("run.QLlog")); }
    std::vector<std::string> listing() { return lines_of(dir.read("run.QLout")); }
    int count(const std::vector<std::string>& lines, const std::string& prefix) {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
    }
    int evaluations() { return count(lines_of(con.str()), " Evaluation"); }
    bool has(const std::vector<std::string>& lines, const std::string& l) {
        return std::find(lines.begin(), lines.end(), l) != lines.end();
    }
    std::string after(int n) {
        char text[64];
        std::snprintf(text, sizeof text, " After %10d Cycles of iteration", n);
        return text;
    }
};

TEST(MemDual, CommandsAreReadAfterEachEvaluation) {
    DualRun stop(1.0);
    stop.dir.write("run.QLcom", "STOP\n");
    memdual(stop.st);
    EXPECT_FALSE(stop.dir.exists("run.QLcom"));
    EXPECT_EQ(stop.evaluations(), 1);
    const auto log = stop.log();
    EXPECT_TRUE(stop.has(log, "User forced termination of iteration. Stopping."));
    EXPECT_TRUE(
        stop.has(log, "DUAL: stopped by the user after 1 evaluations; the last accepted density is kept."));
    EXPECT_TRUE(stop.has(stop.listing(), stop.after(1)));

    DualRun density(1.0);
    const std::string mid = (density.dir / "mid.asc").string();
    density.dir.write("run.QLcom", "DENSITY '" + mid + "'\n");
    memdual(density.st);
    EXPECT_TRUE(density.dir.exists("mid.asc"));
    EXPECT_TRUE(density.has(density.log(), "Writing out the current density to the file " + mid));
    EXPECT_EQ(density.st.outrhofile, fixed((density.dir / "final.asc").string(), kNameLen));
    EXPECT_LE(density.st.fgcon, 1.0);  // the run went on to its aim
}

// The DENSITY command of a DUAL run names its file by the rest of the line,
// never takes the run's own map, and a map that cannot be written is
// reported while the minimisation goes on to its aim.
TEST(MemDual, DensityCommandNamesTheWholeLineAndSurvivesAFailedWrite) {
    struct Case {
        std::string value;  // after "DENSITY"; @ stands for the scratch folder
        std::string file;   // written; empty: nothing written
        std::string log;    // the start of a log line that must be there
    };
    const std::vector<Case> cases = {
        {" @/mid map.asc ", "mid map.asc", "Writing out the current density to the file "},
        {" @/final.asc", "", "The file "},
        {" @/no folder/mid.asc", "", "The density could not be written: Error! Cannot write the density file "},
    };
    for (const Case& c : cases) {
        DualRun r(1.0);
        std::string value = c.value;
        value.replace(value.find('@'), 1, r.dir.path().string());
        r.dir.write("run.QLcom", "DENSITY" + value + "\n");
        memdual(r.st);
        EXPECT_FALSE(r.dir.exists("run.QLcom")) << c.value;
        if (!c.file.empty()) {
            EXPECT_TRUE(r.dir.exists(c.file)) << c.value;
        }
        EXPECT_FALSE(r.dir.exists("final.asc")) << c.value;
        EXPECT_EQ(r.count(r.log(), c.log), 1) << c.value;
        EXPECT_EQ(r.st.outrhofile, fixed((r.dir / "final.asc").string(), kNameLen)) << c.value;
        EXPECT_LE(r.st.fgcon, 1.0) << c.value;
    }
}

TEST(MemDual, CycleLimitBoundsTheEvaluationsAndAStartAtTheAimNeedsNone) {
    DualRun limited(1.0);
    limited.st.maxcycles = 2;
    memdual(limited.st);
    EXPECT_EQ(limited.evaluations(), 2);
    EXPECT_TRUE(limited.has(limited.listing(), limited.after(2)));
    EXPECT_TRUE(limited.has(limited.log(),
                            "DUAL: the cycle limit ends the minimisation after 2 evaluations; "
                            "the last accepted density is kept."));
    EXPECT_GT(limited.st.fgcon, 1.0);

    DualRun met(1000.0);
    memdual(met.st);
    EXPECT_EQ(met.evaluations(), 0);
    EXPECT_TRUE(met.has(met.listing(), met.after(0)));
    EXPECT_EQ(met.st.lambda, 0.0);
}

TEST(MemDual, NonFiniteValueStopsWithTheLastAcceptedDensityWritten) {
    // A prior value that is not a number (a damaged prior file) makes Psi
    // none at the first evaluation.
    DualRun r(1.0);
    r.st.rau(5) = std::nan("");
    try {
        memdual(r.st);
        FAIL() << "no stop";
    } catch (const RunStop& stop) {
        const std::string text =
            "DUAL: Psi or its gradient is not a finite number at evaluation 1; the last accepted "
            "density has been written.";
        EXPECT_EQ(stop.message(), text);
        EXPECT_TRUE(r.has(r.log(), text));
        EXPECT_NE(r.con.str().find(text + "\n"), std::string::npos);
    }
    EXPECT_TRUE(r.dir.exists("final.asc"));
    EXPECT_TRUE(r.has(r.listing(), r.after(1)));
}

// |F(100)| = 200 from 64 electrons: no positive density comes near it, Psi
// falls without bound, and the run ends on the density of the lowest
// constraint it reached, saying so.
TEST(MemDual, AnAimNoDensityCanReachEndsWithTheLowestConstraintWritten) {
    DualRun r(1.0);
    for (int i : {2, 4}) r.st.memrefl(i).a = 200;
    r.st.refl(2).a = 200;
    rfactorinit(r.st);
    try {
        memdual(r.st);
        FAIL() << "no stop";
    } catch (const RunStop& stop) {
        const std::string& text = stop.message();
        EXPECT_EQ(text.rfind("DUAL: the aim cannot be reached: Psi falls without bound while the constraint "
                             "stays above the aim; lowest constraint ", 0), 0u) << text;
        EXPECT_EQ(text.find("status"), std::string::npos) << text;
        EXPECT_TRUE(r.has(r.log(), text));
        EXPECT_NE(r.con.str().find(text + "\n"), std::string::npos);
        // The reports and the map are those of the lowest constraint.
        char lowest[40];
        std::snprintf(lowest, sizeof lowest, "%.4E", r.st.fgcon);
        EXPECT_NE(text.find(std::string("constraint ") + lowest + " at evaluation "), std::string::npos)
            << text << " / " << r.st.fgcon;
        double cmin = HUGE_VAL;
        for (const CycleRecord& c : r.st.summary.cycles) cmin = std::min(cmin, c.constraint);
        EXPECT_DOUBLE_EQ(r.st.fgcon, cmin);
        EXPECT_GT(cmin, 1.0);
    }
    EXPECT_TRUE(r.dir.exists("final.asc"));
}

TEST(MemDual, NegativePriorIsRefused) {
    DualRun r(1.0);
    r.st.rau(5) = -0.5;
    try {
        memdual(r.st);
        FAIL() << "no stop";
    } catch (const RunStop& stop) {
        EXPECT_EQ(stop.message(), "DUAL: the prior density must not be negative anywhere!");
    }
    EXPECT_EQ(r.evaluations(), 0);
}

}  // namespace
