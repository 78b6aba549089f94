#include "mem/histogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "mem/fixture.h"
#include "support/e2e.h"

using namespace quilmo;
using memtest::entry;
using quilmo_test::lines_of;
using quilmo_test::TempDir;

namespace {

// F(000) fitted exactly, then one F-constraint per residual (sigma 1).
void with_residuals(RunState& st, const TempDir& dir, const std::vector<double>& res) {
    st.refl.allocate(1, static_cast<long>(res.size()) + 1);
    st.refl(1) = entry(10, 0, 10, 0, 1);
    for (std::size_t k = 0; k < res.size(); ++k)
        st.refl(static_cast<long>(k) + 2) = entry(5 + res[k], 0, 5, 0, 1);
    st.sec.f.start = 1;
    st.sec.f.end = static_cast<int>(res.size()) + 1;
    st.filetitle = fixed((dir / "abc").string(), 264);
    st.title = fixed("A test run", 132);
    st.initrhotype = fixed("flat", 264);
}

std::vector<std::string> histogram_lines(RunState& st, const TempDir& dir) {
    histogram(st, 1);
    st.hst.flush();
    return lines_of(dir.read("abc.QLhst"));
}

// The bin line that starts with the label, e.g. "    0.2".
std::string bin_line(const std::vector<std::string>& lines, const std::string& label) {
    for (const std::string& l : lines)
        if (l.rfind(label, 0) == 0 && l.find('|') != std::string::npos) return l;
    return "";
}

}  // namespace

TEST(Histogram, BinsOfAFifthAndTheHeadOfAFlatPriorRun) {
    TempDir dir;
    RunState st;
    with_residuals(st, dir, {0.25, 0.35});
    std::vector<std::string> l = histogram_lines(st, dir);
    ASSERT_GE(l.size(), 22u);
    EXPECT_EQ(l[0], "Start of histogram");
    EXPECT_EQ(l[1], "Title: A test run");
    EXPECT_EQ(l[2], "Prior type: flat");
    EXPECT_EQ(l[3].substr(2, 1), ".");  // the date line; no prior file line before it
    EXPECT_EQ(l[4], "Weighting: No");
    EXPECT_EQ(l[5], "Constrained moment:  2");
    EXPECT_EQ(l[6], "Not rescaled");
    EXPECT_EQ(l[7], "|D-F|/sigma(D): # of appearances : graphical representation");
    EXPECT_EQ(l[8], "    0.0    1 |X");
    EXPECT_EQ(l[9], "    0.2    1 |X");
    EXPECT_EQ(l[10], "    0.4    1 |X");
    EXPECT_EQ(l[11], "Statistics:");
    EXPECT_EQ(l[12], " #       F           G       Combined");
    EXPECT_EQ(l[13], " 1   0.000E+00   0.000E+00   0.000E+00");
    EXPECT_EQ(l[21], "End of histogram");
    EXPECT_EQ(l[22], "");
}

TEST(Histogram, PriorFileAndWeightingAreNamed) {
    TempDir dir;
    RunState st;
    with_residuals(st, dir, {0.0});
    st.initrhotype = fixed("asc", 264);
    st.initrhofile = fixed("prior.asc", 264);
    st.modwgkey = fixed("F", 132);
    std::vector<std::string> l = histogram_lines(st, dir);
    EXPECT_EQ(l[3], "Prior density file: prior.asc");
    EXPECT_EQ(l[5], "Weighting: F");
}

TEST(Histogram, FullBinsAreRescaledToAHundredMarks) {
    TempDir dir;
    RunState st;
    with_residuals(st, dir, std::vector<double>(249, 0.0));  // with F(000): 250 at 0
    std::vector<std::string> l = histogram_lines(st, dir);
    EXPECT_EQ(l[6], "Rescaled by 100/ 250");
    std::string bar = bin_line(l, "    0.0");
    EXPECT_EQ(bar.substr(0, 14), "    0.0  250 |");
    EXPECT_EQ(bar.size(), 114u);
    // The curve of 250 reflections stands at 100*250/sqrt(2pi)/5/250 = 8 marks.
    EXPECT_EQ(std::count(bar.begin(), bar.end(), 'X'), 99);
    EXPECT_EQ(bar[21], '|');
}

TEST(Histogram, OneReflectionShowsOneMarkBesideAThousand) {
    TempDir dir;
    RunState st;
    std::vector<double> res(999, 0.0);
    res.push_back(1.0);
    with_residuals(st, dir, res);
    std::vector<std::string> l = histogram_lines(st, dir);
    std::string bar = bin_line(l, "    1.0");
    EXPECT_EQ(bar.substr(0, 15), "    1.0    1 |X");
}

TEST(Histogram, CurveMarksLeanOutwardBeyondHalfASigma) {
    TempDir dir;
    RunState st;
    std::vector<double> res(39, 0.0);
    res.push_back(-0.6);
    res.push_back(0.6);
    with_residuals(st, dir, res);  // 42 reflections: the curve is about 3 marks high
    std::vector<std::string> l = histogram_lines(st, dir);
    EXPECT_EQ(bin_line(l, "   -0.6"), "   -0.6    1 |X \\");
    EXPECT_EQ(bin_line(l, "   -0.4"), "   -0.4    0 |  |");
    EXPECT_EQ(bin_line(l, "    0.6"), "    0.6    1 |X /");
    std::string zero = bin_line(l, "    0.0");
    EXPECT_EQ(zero[16], '|');
}

// One wild residual (an F of 1e20, a B of 1e6) or a sigma of 0 must not make
// the histogram ask for gigabytes or write millions of lines: at most 2001
// bins of +-200 sigma, the residuals beyond counted in the end bins and the
// non-finite ones counted apart, each reported in the log.
TEST(Histogram, WildResidualsStayInTwoThousandBins) {
    struct Case {
        std::vector<double> res;
        std::string first, last;  // labels of the first and last bin lines
        long beyond, nonfinite;
    };
    const double nan = std::nan("");
    const std::vector<Case> cases = {
        {{1e20, 0.0}, "    0.0", "  200.0", 1, 0},
        {{-1e20, 1e20, 3e5, 0.0}, "    0.0", "  200.0", 3, 0},  // |f| - |fmem|: all positive
        {{0.0, nan, std::numeric_limits<double>::infinity()}, "    0.0", "    0.0", 0, 2},
        {{-4.0, 200.0}, "   -4.0", "  200.0", 0, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        RunState st;
        with_residuals(st, dir, c.res);
        st.logfile = fixed((dir / "abc.QLlog").string(), 264);
        std::vector<std::string> l = histogram_lines(st, dir);
        std::vector<std::string> bins;
        for (const std::string& line : l)
            if (line.size() > 14 && line.substr(12, 2) == " |") bins.push_back(line);
        ASSERT_FALSE(bins.empty());
        EXPECT_LE(bins.size(), 2001u);
        EXPECT_EQ(bins.front().substr(0, 7), c.first);
        EXPECT_EQ(bins.back().substr(0, 7), c.last);
        EXPECT_LT(dir.read("abc.QLhst").size(), 600000u);
        const std::string log = dir.read("abc.QLlog");
        EXPECT_EQ(log.find(std::to_string(c.beyond) + " residuals beyond +-200 sigma are counted in the end bins.") !=
                      std::string::npos,
                  c.beyond > 0);
        EXPECT_EQ(log.find(std::to_string(c.nonfinite) + " residuals are not finite numbers and are left out.") !=
                      std::string::npos,
                  c.nonfinite > 0);
    }
}

TEST(HistogramBar, BarAndCurveMarksOfOneBin) {
    const struct {
        long bin;
        int count, maxcnt;
        long totalfg;
        std::string line;
    } cases[] = {
        {0, 0, 100, 0, "    0.0    0 |"},
        {5, 100, 100, 0, "    1.0  100 |" + std::string(100, 'X')},
        {-3, 1, 300, 0, "   -0.6    1 |X"},             // scaled below half a mark, still shown
        {0, 0, 100, 38, "    0.0    0 |  |"},           // the curve about 3 marks high
        {-5, 0, 100, 38, "   -1.0    0 | \\"},
        {5, 0, 100, 38, "    1.0    0 | /"},
        {0, 0, 100, 1000000, "    0.0    0 |"},         // a curve beyond the line is left out
    };
    for (const auto& c : cases)
        EXPECT_EQ(histogram_bar(c.bin, c.count, c.maxcnt, c.totalfg), c.line) << c.bin << " " << c.totalfg;
}
