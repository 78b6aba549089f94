#include "mem/report.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "mem/fixture.h"
#include "support/e2e.h"

using namespace quilmo;
using memtest::entry;
using quilmo_test::lines_of;
using quilmo_test::TempDir;

namespace {

struct ReportRun {
    TempDir dir;
    RunState st;
    TextOut out;
    ReportRun() {
        memtest::cubic_cell(st);
        st.log.open((dir / "run.QLlog").string(), TextOut::Mode::Append);
        out.open((dir / "run.QLout").string(), TextOut::Mode::Append);
    }
    std::vector<std::string> listing() {
        out.flush();
        return lines_of(dir.read("run.QLout"));
    }
    std::vector<std::string> log() {
        st.log.flush();
        return lines_of(dir.read("run.QLlog"));
    }
};

bool has(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
}

}  // namespace

TEST(MemReport, CpuTimeSplitsIntoWholeMinutesAndSeconds) {
    int m = 0, s = 0;
    cpu_split(125.4f, m, s);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(s, 5);
    cpu_split(59.99f, m, s);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(s, 59);
}

TEST(MemReport, EndReportCountsTheLastCycleStarted) {
    ReportRun r;
    r.st.actcon = 2;
    report_end(r.st, r.out, 7, 125.4f);
    std::vector<std::string> l = r.listing();
    ASSERT_GE(l.size(), 6u);
    EXPECT_EQ(l[0], "");
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l[2].substr(0, 25), " Date of iteration end: " + r.st.day.substr(0, 1));
    EXPECT_EQ(l[3], " After          7 Cycles of iteration");
    EXPECT_EQ(l[4], " Elapsed CPU time:         2 min  5 sec");
    EXPECT_EQ(l[6], "Final state:");
    EXPECT_EQ(l[7], "R =  0.0000     Rw =  0.0000");
    EXPECT_TRUE(has(l, "FCon(1)= 0.000E+00     FCon(2)= 0.000E+00"));
    std::vector<std::string> g = r.log();
    EXPECT_EQ(g[1].substr(0, 23), "Date of iteration end: ");
}

TEST(MemReport, CycleReportShowsThePriorLineOnlyWithPriors) {
    ReportRun r;
    r.st.sec.f = {1, 3};
    r.st.aim = 1;
    r.st.fgcon = 2.5;
    CycleValues c;
    c.ncycle = 7;
    c.lambda = 1.21;
    c.rhonorm = 0.5;
    c.fgconold = 3.0;
    report_cycle(r.st, c);
    r.st.addprisf = true;
    report_cycle(r.st, c);
    std::vector<std::string> l = r.log();
    EXPECT_EQ(l[1], "Cycle:          7");
    EXPECT_EQ(l[2], "Lambda: 0.1210E+01");
    EXPECT_EQ(l[3], "Test:  0.0000     Charge increase factor:  2.0000");
    EXPECT_TRUE(has(l, "Combined FG Constraint :           2.500     Constraint shift:  5.000E-01"));
    EXPECT_TRUE(has(l, "Aim:                           1.000"));
    EXPECT_EQ(std::count_if(l.begin(), l.end(),
                            [](const std::string& s) { return s.rfind("Combined FPG", 0) == 0; }),
              1);
}

TEST(MemReport, ResidualMarkersAtThreeAndSixSigma) {
    ReportRun r;
    memtest::f_only(r.st, {entry(10, 0, 10, 0, 1), entry(5, 0, 2, 0, 1), entry(8, 0, 2, 0, 1),
                           entry(8.01, 0, 2, 0, 1)});
    for (int i = 1; i <= 4; ++i) r.st.refl(i).hklfg = {i - 1, 0, 0};
    report_listings(r.st, r.out);
    std::vector<std::string> l = r.listing();
    ASSERT_GE(l.size(), 7u);
    EXPECT_EQ(l[1], "F-Constraints:");
    EXPECT_EQ(l[2].size(), 113u + 33u);
    // Number in 6 columns, ": ", three 4-column indices, then the values.
    EXPECT_EQ(l[4].substr(0, 34), "     2:    1   0   0     5.0000000");
    EXPECT_EQ(l[4].substr(l[4].size() - 2), "  ");
    EXPECT_EQ(l[5].substr(l[5].size() - 2), " #");
    EXPECT_EQ(l[6].substr(l[6].size() - 2), " !");
    // sin(theta)/lambda of (1,0,0) in the 10 A test cell, just before the marker.
    EXPECT_EQ(l[4].substr(l[4].size() - 16, 14), "  0.0500000000");
    // No G and no extra reflections: their notes close the listing.
    std::vector<std::string> tail(l.end() - 8, l.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"", " No G-constraints found!", "", "", "",
                                              " No extra reflections to print!", "", ""}));
}

TEST(MemReport, ExtraReflectionLineStopsAfterSigma) {
    ReportRun r;
    memtest::f_only(r.st, {entry(10, 0, 10, 0, 1)});
    r.st.refl.allocate(1, 2);
    r.st.refl(1) = entry(10, 0, 10, 0, 1);
    r.st.refl(2) = entry(0, 0, 1.5, -0.5, 0);
    r.st.refl(2).hklfg = {1, 1, 0};
    r.st.sec.extra.start = r.st.sec.extra.end = 2;
    report_listings(r.st, r.out);
    std::vector<std::string> l = r.listing();
    auto it = std::find(l.begin(), l.end(), "Extra reflections");
    ASSERT_NE(it, l.end());
    EXPECT_EQ(it[1].size(), 113u);
    EXPECT_EQ(it[2], "     2:    1   1   0     0.0000000     0.0000000        1.5000000    -0.5000000"
                     "        0.0000000        0.0000000   ");
}
