#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "input/logreport.h"
#include "support/crystal.h"
#include "support/e2e.h"
#include "textio/stop.h"

using namespace quilmo;
using quilmo_test::Op;

namespace {

const std::vector<double> kZero = {0, 0, 0};
const std::vector<Op> kC2m = {{{1, 0, 0, 0, 1, 0, 0, 0, 1}, kZero},
                              {{-1, 0, 0, 0, 1, 0, 0, 0, -1}, kZero},
                              {{-1, 0, 0, 0, -1, 0, 0, 0, -1}, kZero},
                              {{1, 0, 0, 0, -1, 0, 0, 0, 1}, kZero}};

std::string fmt(const char* f, double a, double b, double c, double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, a, b, c, d);
    return buf;
}

reftyp refl(std::array<int, 3> h, int group, double a, double b, double f, double sigma, int mult, double weight) {
    reftyp r;
    for (std::size_t i = 0; i < 3; ++i) r.hklfg[i] = h[i];
    r.hklfg[8] = group;
    r.a = a;
    r.b = b;
    r.f = f;
    r.sigma = sigma;
    r.mult = mult;
    r.weight = weight;
    return r;
}

// A C 2/m crystal with two F-constraints, one G group of two members and
// one extra reflection, as the reading passes would leave it.
struct Report {
    quilmo_test::TempDir dir;
    RunState st;
    std::ostringstream con;

    explicit Report(const std::vector<Op>& ops = kC2m, int tests = 0) {
        quilmo_test::make_crystal(st, con, {10, 12, 8, 90, 100, 90}, {16, 16, 8});
        quilmo_test::set_symmetry(st, ops, {{0, 0, 0}, {0.5, 0.5, 0}}, tests);
        st.title = fixed("Test run", 132);
        st.filebase = 5;
        st.inputfile = fixed((dir / "test.Quilmo").string(), 264);
        st.logfile = fixed((dir / "test.QLlog").string(), 264);
        st.memreflfile = fixed((dir / "test.QLout").string(), 264);
        st.day = "09", st.month = "12", st.year = "2026", st.hour = "06", st.minutes = "15", st.seconds = "30";
        st.spacegrp = fixed("C 2/m", 132);
        st.charge = 100.5;
        st.initrhotype = fixed("flat", 264);
        st.algorithm = 1;
        st.aim = 1.0;
        st.modwgkey = fixed("F2", 132);
        st.centro = true;
        st.refl.allocate(1, 6);
        st.refl(1) = refl({0, 0, 0}, 0, 100.5, 0, 100.5, 0.1, 1, 100);
        st.refl(2) = refl({1, 1, 0}, 0, -12.25, 3.5, 12.75, 0.25, 4, 16);
        st.refl(3) = refl({2, 0, 1}, 1, 8.5, 0, 8.5, 0.5, 2, 4);
        st.refl(4) = refl({0, 2, -1}, 1, 0, 0, 0, 0, 4, 0);
        st.refl(5) = refl({3, 1, -2}, 0, 0, 0, 0, 0, 4, 0);
        st.sec.f.start = 1, st.sec.f.end = 2;
        st.sec.g.start = 3, st.sec.g.end = 4, st.ggroups = 1;
        st.sec.extra.start = 5, st.sec.extra.end = 5;
        st.log.open(quilmo::trim(st.logfile), TextOut::Mode::Append);
    }
    std::vector<std::string> lines(const char* name) const { return quilmo_test::lines_of(dir.read(name)); }
};

// Every record of a report file ends in CR LF.
void expect_crlf(const std::string& text) {
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lf;
            if (i > 0 && text[i - 1] == '\r') ++crlf;
        }
    EXPECT_GT(lf, 0u);
    EXPECT_EQ(lf, crlf);
}

// The rows of the eight operators of C 2/m after the centering is applied.
double rot(int p, int i, int j) {
    const Op& op = kC2m[static_cast<std::size_t>((p - 1) % 4)];
    return op.r[static_cast<std::size_t>((i - 1) * 3 + j - 1)];
}
double tra(int p, int i) { return p > 4 && i < 3 ? 0.5 : 0.0; }

const std::string kCellLine = "Cell parameters (a b c alpha beta gamma Volume):              10.00000  12.00000   "
                              "8.00000  90.00000 100.00000  90.00000    945.42";
const std::string kRcellLine = "Reciprocal cell parameters (a b c alpha beta gamma Volume):    0.10154   0.08333   "
                               "0.12693  90.00000  80.00000  90.00000 1.057736E-03";

}  // namespace

TEST(Writelogfiles, LogReportLineByLine) {
    Report r;
    writelogfiles(r.st);
    EXPECT_FALSE(r.st.log.is_open());
    const RunState& st = r.st;
    std::vector<std::string> e = {
        fixed("Test run", 132), "", " Date of start: 09.12.2026 Time: 06:15.30", "", "Input: " + st.inputfile, "",
        "Title: " + fixed("Test run", 132), "", "Dimension of superspace:   3", "", "\"Real\" dimensions:   3", "",
        "Spacegroup: " + fixed("C 2/m", 132), "", kCellLine, kRcellLine, "",
        "Pixel (a b c...):     16    16     8", "", "Electrons per unit cell:   100.5000", "",
        "Type of initial density file: " + fixed("flat", 264), "Initial density filename: " + fixed("none", 264),
        "Initial density correction type: none      ", "", "Algorithm type is set to Sakata-Sato",
        "The settings are:", "    Lambda will be determined automatically.", "    Aim   :  0.10000D+01", "",
        "Constraint weighting set to F, power 2", "Constrained moment order:  2", "", "q-vectors:  0", "  None ", "",
        "Centrosymmetric structure: No Friedel-pairs are made in expanded reflections!", "",
        "Symmetry operations:     8"};
    for (int p = 1; p <= 8; ++p) {
        e.push_back(fmt("Symmetry operation: %5.0f", p, 0, 0, 0));
        for (int i = 1; i <= 3; ++i)
            e.push_back(fmt("%6.1f%6.1f%6.1f     %6.3f", rot(p, i, 1), rot(p, i, 2), rot(p, i, 3), tra(p, i)));
    }
    e.push_back("");
    for (int p = 1; p <= 8; ++p) {
        e.push_back(fmt("Discrete symmetry operation: %5.0f", p, 0, 0, 0));
        for (int i = 1; i <= 3; ++i)
            e.push_back(fmt("%5.0f%5.0f%5.0f     %5.0f", rot(p, i, 1), rot(p, i, 2), rot(p, i, 3), 16 * tra(p, i)));
    }
    const std::string header = "     #     h   k   l...     A/Gobs             B             F         Sigma Group m "
                               "   Arraylocation Weight";
    const std::vector<std::string> refl = {
        "", "Reflections", "", "", "Start F:          1", "End F:          2", "", header,
        "     1:    0   0   0   100.5000000     0.0000000   100.5000000     0.1000000   0   1         0   100.0000000",
        "     2:    1   1   0   -12.2500000     3.5000000    12.7500000     0.2500000   0   4        34    16.0000000",
        "", "", "Start G:          3", "End G:          4", "", "   1. G-Constraint",
        "     3:    2   0   1     8.5000000     0.0000000     8.5000000     0.5000000   1   2       516",
        "     4:    0   2  -1" + std::string(56, ' ') + "   1   4      3648",
        "Start Extra:          5", "End Extra:          5", "", header,
        "     5:    3   1  -2     0.0000000     0.0000000     0.0000000     0.0000000   0   4      3110     0.0000000",
        ""};
    e.insert(e.end(), refl.begin(), refl.end());
    const auto got = r.lines("test.QLlog");
    ASSERT_EQ(got.size(), e.size());
    for (std::size_t k = 0; k < e.size(); ++k) EXPECT_EQ(got[k], e[k]) << "log line " << k + 1;
    expect_crlf(r.dir.read("test.QLlog"));
    EXPECT_EQ(st.nsym, 8);
}

TEST(Writelogfiles, ListingWithOperatorBlocks) {
    Report r;
    writelogfiles(r.st);
    const RunState& st = r.st;
    std::vector<std::string> e = {
        "Title: " + fixed("Test run", 132), "Input: " + fixed(quilmo::trim(st.inputfile), 120),
        "Dimension of superspace:   3", "\"Real\" dimensions:         3", kCellLine, kRcellLine,
        "Pixel (a b c...):                    16    16     8", "Electrons per unit cell:           100.5000",
        "Type of initial density file:    " + fixed("flat", 264), "Initial density filename:        " + fixed("none", 264),
        "Initial density correction type: none      ", "Algorithm type is set to Sakata-Sato", "The settings are:",
        "    Lambda will be determined automatically.", "    Aim   : .10000D+01", "Constraint weighting set to F, power 2",
        "Constrained moment order:  2", "", "", "Spacegroup: " + fixed("C 2/m", 132),
        "Centrosymmetric structure: No Friedel-pairs are computed while expanding reflections!", "", "q-vectors:  0",
        "  None", "Symmetry operations:     8"};
    for (int b = 0; b < 2; ++b) {
        e.push_back("");
        e.push_back(fmt("Symmetry operations: %5.0f through%5.0f", 4 * b + 1, 4 * b + 4, 0, 0));
        for (int i = 1; i <= 3; ++i) {
            std::string line;
            for (int p = 4 * b + 1; p <= 4 * b + 4; ++p)
                line += fmt("%5.1f%5.1f%5.1f%8.3f ", rot(p, i, 1), rot(p, i, 2), rot(p, i, 3), tra(p, i));
            e.push_back(line);
        }
    }
    const auto got = r.lines("test.QLout");
    ASSERT_EQ(got.size(), e.size());
    for (std::size_t k = 0; k < e.size(); ++k) EXPECT_EQ(got[k], e[k]) << "listing line " << k + 1;
    expect_crlf(r.dir.read("test.QLout"));
    const OperatorBlocks blocks = operator_blocks(st.sdim, st.nsym);
    EXPECT_EQ(blocks.per_block, 4);
    EXPECT_EQ(blocks.full, 2);
    EXPECT_EQ(blocks.rest, 0);
}

TEST(Writelogfiles, LastBlockHoldsTheRemainingOperators) {
    Report r({kC2m[0], kC2m[1], kC2m[2]});
    writelogfiles(r.st);
    const auto got = r.lines("test.QLout");
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[got.size() - 4], "Symmetry operations:     5 through    6");
    EXPECT_EQ(got.back().size(), 2u * 24);
    EXPECT_EQ(operator_blocks(r.st.sdim, r.st.nsym).rest, 2);
}

TEST(Writelogfiles, LongInputFileNamePrintedWhole) {
    Report r;
    r.st.filebase = 100;  // a long title leaves 25 characters in the old layout
    writelogfiles(r.st);
    EXPECT_EQ(r.lines("test.QLout")[1], "Input: " + quilmo::trim(r.st.inputfile));
}

TEST(Writelogfiles, PrimitiveRunWithoutGroupsOrExtras) {
    Report r;
    r.st.ggroups = 0, r.st.sec.g = r.st.sec.extra = {};  // neither block in the input
    r.st.centro = false;
    r.st.algorithm = 2, r.st.method[0] = 4, r.st.nrand = 1, r.st.rate = 1, r.st.utol = 0.05f;
    writelogfiles(r.st);
    const auto log = r.lines("test.QLlog");
    const std::vector<std::string> tail = {"", "", "", " No G-constraints found!", "", "",
                                           " No extra reflections to print found!", "", ""};
    EXPECT_EQ(std::vector<std::string>(log.end() - 9, log.end()), tail);
    auto find = [&](const std::string& s) { return std::find(log.begin(), log.end(), s) != log.end(); };
    EXPECT_TRUE(find("Noncentrosymmetric structure: Friedel-pairs are calculated in expanded reflections!"));
    EXPECT_TRUE(find("Algorithm type is set to MEMSys"));
    EXPECT_TRUE(find("    Method: 4"));
    EXPECT_TRUE(find("    NRand :  1"));
    EXPECT_TRUE(find("    Utol  :  0.50000D-01"));
}

TEST(Writelogfiles, TestOperatorOffTheGridStopsBeforeAnyReport) {
    Report r({kC2m[0], kC2m[1], kC2m[2], kC2m[3], {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {1.0 / 3, 0, 0}}}, 1);
    EXPECT_THROW(writelogfiles(r.st), RunStop);
    EXPECT_EQ(r.dir.read("test.QLlog"), "");
    EXPECT_FALSE(r.dir.exists("test.QLout"));
}
