// The XPLOR map: header lines, sections, the closing mean line and the
// refusal of densities it cannot hold.
#include <gtest/gtest.h>

#include "density/files.h"
#include "density/reports.h"
#include "density/density_state.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;
using quilmo_test::lines_of;

TEST(WriteXPlor, LayoutOf24By30By36Map) {
    auto run = DensityRun::three(24, 30, 36);
    run->st.rho(0) = 1.25 * run->st.capvx;
    run->st.rho(1) = -0.00004 * run->st.capvx;
    ASSERT_EQ(writexplor(run->st, run->path("m.xplor")), FileResult::Ok);
    const std::string text = run->dir.read("m.xplor");
    const auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), 25964u);
    EXPECT_EQ(text.substr(0, 5), " \r\n1\r");
    EXPECT_EQ(lines[2], "test map");
    EXPECT_EQ(lines[3], "      24       0      23      30       0      29      36       0      35");
    EXPECT_EQ(lines[4], "     10.0000     12.5000      7.2500     90.0000    105.5000     90.0000");
    EXPECT_EQ(lines[5], "ZYX");
    EXPECT_EQ(lines[6], "    0");
    EXPECT_EQ(lines[7], "      1.2500");
    EXPECT_EQ(lines[8], "     -0.0000");
    EXPECT_EQ(lines[6 + 1 + 720], "    1");
    EXPECT_EQ(lines[25962], "-9999");
    double sum = 0;
    for (double v : run->st.rho.vec()) sum += v / run->st.capvx;
    const double mean = sum / run->st.nvoxtot;
    EXPECT_EQ(lines[25963], fformat("(2f20.6)", {mean, mean * static_cast<double>(0.01f)}, false));
    EXPECT_EQ(lines[25963].size(), 40u);
    EXPECT_NE(run->log().find("Electron density written to file " + run->path("m.xplor")),
              std::string::npos);
}

TEST(WriteXPlor, ZeroDensityAndBlankTitle) {
    auto run = DensityRun::three(2, 2, 2);
    run->st.rho.fill(0);
    run->st.title = std::string(132, ' ');
    ASSERT_EQ(writexplor(run->st, run->path("m.xplor")), FileResult::Ok);
    const auto lines = lines_of(run->dir.read("m.xplor"));
    ASSERT_EQ(lines.size(), 8u + 2 + 8);
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines.back(), "            0.000000            0.000000");
}

TEST(WriteXPlor, RefusesOtherDimensionsAndExistingFiles) {
    DensityRun four({3, 3, 3, 2}, 3, {10, 12.5, 7.25, 90, 105.5, 90}, 874.0);
    EXPECT_EQ(writexplor(four.st, four.path("m.xplor")), FileResult::OpenFailed);
    EXPECT_FALSE(four.dir.exists("m.xplor"));

    auto run = DensityRun::three(2, 2, 2);
    run->dir.write("m.xplor", "keep");
    EXPECT_EQ(writexplor(run->st, run->path("m.xplor")), FileResult::OpenFailed);
    EXPECT_EQ(run->dir.read("m.xplor"), "keep");
    EXPECT_EQ(run->log(), "\r\nRoutine WriteXPlor:\r\nError! Cannot open density file for writing!\r\n"
                          "Output file: " + run->path("m.xplor") +
                              "\r\nNothing has been saved! Returning...\r\n\r\n");
}

TEST(DensityReports, CloseLinesCarryTheLatinOneAccent) {
    EXPECT_EQ(kNotSureSaved.size(), 62u);
    EXPECT_EQ(kNotSureSaved.substr(36, 3), "I\xB4m");
    EXPECT_EQ(kNotSureRead.substr(35, 3), "I\xB4m");
}

}  // namespace
}  // namespace quilmo
