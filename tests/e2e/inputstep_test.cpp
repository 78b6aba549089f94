// The input step of the real program: the log and output-listing reports of
// a centred non-centrosymmetric crystal and of a (3+1)-dimensional one,
// compared with reviewed golden reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/e2e.h"

using quilmo_test::lines_of;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kData = std::string(QUILMO_TEST_DATA) + "/inputstep/";

// Lines of a report with the start time masked (it changes every run).
std::vector<std::string> masked(const std::string& text) {
    auto lines = lines_of(text);
    for (auto& l : lines)
        if (l.rfind(" Date of start: ", 0) == 0) l = " Date of start: <masked>";
    return lines;
}

// The report the input step wrote must open the file; later steps of the
// run may append their own reports after it.
void expect_report(const std::string& actual, const std::string& golden_name) {
    const auto got = masked(actual);
    const auto want = masked(slurp(kData + golden_name));
    ASSERT_FALSE(want.empty()) << golden_name;
    ASSERT_GE(got.size(), want.size()) << golden_name;
    for (std::size_t k = 0; k < want.size(); ++k) EXPECT_EQ(got[k], want[k]) << golden_name << " line " << k + 1;
    // Every record ends in CR LF.
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (actual[i] == '\n') {
            ++lf;
            crlf += i > 0 && actual[i - 1] == '\r';
        }
    EXPECT_EQ(lf, crlf) << golden_name;
}

void run_and_compare(const std::string& title) {
    TempDir dir;
    dir.write(title + ".Quilmo", slurp(kData + title + ".Quilmo"));
    const auto r = quilmo_test::run_quilmo(dir, {title});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    expect_report(dir.read(title + ".QLlog"), title + ".QLlog");
    expect_report(dir.read(title + ".QLout"), title + ".QLout");
}

}  // namespace

TEST(InputStep, CentredNoncentrosymmetricCrystalReports) { run_and_compare("cmm2"); }

TEST(InputStep, ModulatedCrystalReports) { run_and_compare("modulated"); }

TEST(InputStep, PrimitiveScrewAxisWithNegativeTranslation) {
    // A correct primitive group whose screw axis is written with -1/2.
    TempDir dir;
    dir.write("p21.Quilmo",
              "cell 10 10 10 90 90 90\nvoxel 8 8 8\nelectrons 100\ninitialdensity flat\nalgorithm S-S\n"
              "outputformat QLbinary\ncentro no\nsymmetry\nx1 x2 x3\n-x1 -x2 x3-1/2\nendsymmetry\nfbegin\n1 0 0 10.0 0.0 0.5\nendf\n");
    const auto r = quilmo_test::run_quilmo(dir, {"p21"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("Error"), std::string::npos) << r.out;
    const auto log = lines_of(dir.read("p21.QLlog"));
    const std::vector<std::string> op2 = {"Symmetry operation:     2", "  -1.0   0.0   0.0      0.000",
                                          "   0.0  -1.0   0.0      0.000", "   0.0   0.0   1.0      0.500"};
    auto at = std::search(log.begin(), log.end(), op2.begin(), op2.end());
    EXPECT_NE(at, log.end());
}

TEST(InputStep, IncompleteGroupStopsWithTheProductMessage) {
    TempDir dir;
    dir.write("bad.Quilmo",
              "cell 10 10 10 90 90 90\nvoxel 8 8 8\nelectrons 100\ninitialdensity flat\nalgorithm S-S\n"
              "centro no\nsymmetry\nx1 x2 x3\n-x1 x2 x3\nx1 -x2 x3\nendsymmetry\nfbegin\n1 0 0 10.0 0.0 0.5\nendf\n");
    const auto r = quilmo_test::run_quilmo(dir, {"bad"});
    EXPECT_EQ(r.out,
              "Error, the list of operators is incomplete! Product of operators  2 and  3 was not found in the list.\n"
              "Error, the list of operators is incomplete! Product of operators  3 and  2 was not found in the list.\n");
    EXPECT_FALSE(dir.exists("bad.QLout"));
}
