// The native ASCII density file: layout, round trip and failure reports.
#include <gtest/gtest.h>

#include <cmath>

#include "density/files.h"
#include "density/density_state.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;
using quilmo_test::lines_of;
using quilmo_test::slurp;

TEST(WriteQL, LayoutHasFixedColumnsAndCrLfLineEnds) {
    for (int count : {12, 13}) {
        DensityRun run({count, 1, 1}, 3, {10, 12.5, 7.25, 90, 105.5, 90}, 874.0);
        run.st.rho(0) = 1.5;
        ASSERT_EQ(writeql(run.st, run.path("m.asc")), FileResult::Ok);
        const std::string text = slurp(run.path("m.asc"));
        const auto lines = lines_of(text);
        const std::size_t expected = 4 + (count + 5) / 6;
        ASSERT_EQ(lines.size(), expected);
        std::size_t crlf = 0;
        for (std::size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 1))
            ++crlf;
        EXPECT_EQ(crlf, expected);
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(lines[0], "   3   3");
        EXPECT_EQ(lines[1].size(), 27u);
        EXPECT_EQ(lines[2], "   10.00000   12.50000    7.25000   90.00000  105.50000   90.00000     874.00");
        EXPECT_EQ(lines[4].substr(0, 22), " 1.500000000000000E+00");
        EXPECT_EQ(lines[4].size(), 132u);
        EXPECT_EQ(lines[5].size(), 132u);
        if (count == 13) {
            EXPECT_EQ(lines[6].size(), 22u);
        }
    }
}

TEST(WriteQL, AllNegativeMapRecordsZeroAsMaximum) {
    auto run = DensityRun::three(2, 2, 2);
    for (int v = 0; v < 8; ++v) run->st.rho(v) = -1.0 - 0.1 * v;
    run->st.rho(3) = -2.5;
    ASSERT_EQ(writeql(run->st, run->path("neg.asc")), FileResult::Ok);
    EXPECT_EQ(lines_of(slurp(run->path("neg.asc")))[3], " -2.500000E+00  0.000000E+00");
    EXPECT_EQ(run->st.rhomin, -2.5);
    EXPECT_EQ(run->st.rhomax, 0.0);
}

TEST(WriteQL, RoundTripKeepsSixteenDigits) {
    auto run = DensityRun::three(4, 3, 5);
    const std::vector<double> original = run->st.rho.vec();
    ASSERT_EQ(writeql(run->st, run->path("m.asc")), FileResult::Ok);
    EXPECT_NE(run->log().find("Electron density written to file " + run->path("m.asc") + "\r\n"),
              std::string::npos);
    const double min = run->st.rhomin, max = run->st.rhomax;
    run->st.rho.fill(0);
    run->st.rhomin = run->st.rhomax = 99;
    ASSERT_EQ(readql(run->st, run->path("m.asc")), FileResult::Ok);
    for (int v = 0; v < run->st.nvoxtot; ++v)
        EXPECT_NEAR(run->st.rho(v), original[v], 1e-15 * std::fabs(original[v])) << v;
    EXPECT_NEAR(run->st.rhomin, min, 1e-6 * std::fabs(min));
    EXPECT_NEAR(run->st.rhomax, max, 1e-6 * std::fabs(max));
    EXPECT_EQ(run->out.str(), "");
}

TEST(WriteQL, ExistingFileIsLeftUnchangedAndReported) {
    auto run = DensityRun::three(2, 2, 2);
    run->dir.write("m.asc", "keep");
    EXPECT_EQ(writeql(run->st, run->path("m.asc")), FileResult::OpenFailed);
    EXPECT_EQ(run->dir.read("m.asc"), "keep");
    EXPECT_EQ(run->log(), "\r\nRoutine WriteQL:\r\nError! Cannot open density file for writing!\r\n"
                          "Output file: " + run->path("m.asc") +
                              "\r\nNothing has been saved! Returning...\r\n\r\n");
}

TEST(ReadQL, MissingFileGivesOpenReportOnConsole) {
    auto run = DensityRun::three(2, 2, 2);
    EXPECT_EQ(readql(run->st, run->path("none.asc")), FileResult::OpenFailed);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadQL:\nError! Cannot open density file for reading!\n"
                              "Nothing has been read! Returning...\n\n");
}

TEST(ReadQL, OtherGridOrDimensionIsRejectedAndRhoKept) {
    auto writer = DensityRun::three(4, 4, 4);
    ASSERT_EQ(writeql(writer->st, writer->path("m.asc")), FileResult::Ok);

    auto run = DensityRun::three(4, 4, 3);
    const std::vector<double> before = run->st.rho.vec();
    EXPECT_EQ(readql(run->st, writer->path("m.asc")), FileResult::GridMismatch);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadQL:\nVoxelspacing is not equal to input file!\nPlease try again...\n\n");
    EXPECT_EQ(run->st.rho.vec(), before);

    DensityRun four({4, 4, 4, 2}, 3, {10, 12.5, 7.25, 90, 105.5, 90}, 874.0);
    EXPECT_EQ(readql(four.st, writer->path("m.asc")), FileResult::GridMismatch);
    EXPECT_NE(four.out.str().find("Dimensions is not equal to input file!\nPlease try again..."),
              std::string::npos);
}

TEST(ReadQL, CellDifferenceIsOnlyAWarning) {
    auto run = DensityRun::three(2, 3, 2);
    run->st.cell(2) = 12.1234567;  // the file holds it to five decimals
    ASSERT_EQ(writeql(run->st, run->path("m.asc")), FileResult::Ok);
    EXPECT_EQ(readql(run->st, run->path("m.asc")), FileResult::Ok);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadQL:\nWarning: Cell parameters are not equal to input file!\n\n");
    EXPECT_EQ(run->st.cell(2), 12.1234567);
}

TEST(ReadQL, TwoDimensionalCellComparesItsThreeParameters) {
    DensityRun run({3, 4}, 2, {5.5, 6.25, 120}, 29.8);
    ASSERT_EQ(writeql(run.st, run.path("m.asc")), FileResult::Ok);
    EXPECT_EQ(readql(run.st, run.path("m.asc")), FileResult::Ok);
    EXPECT_EQ(run.out.str(), "");
    run.st.cell(3) = 119.5;
    EXPECT_EQ(readql(run.st, run.path("m.asc")), FileResult::Ok);
    EXPECT_NE(run.out.str().find("Warning: Cell parameters are not equal to input file!"), std::string::npos);
}

TEST(ReadQL, TruncatedFileIsAReadFailure) {
    auto run = DensityRun::three(3, 3, 3);
    ASSERT_EQ(writeql(run->st, run->path("m.asc")), FileResult::Ok);
    const std::string text = run->dir.read("m.asc");
    run->dir.write("cut.asc", text.substr(0, text.size() - 2 * 134));
    EXPECT_EQ(readql(run->st, run->path("cut.asc")), FileResult::IoFailed);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadQL:\nError! Cannot read the density file!\n"
                              "Line 7 of " + run->path("cut.asc") + "\n"
                              "Something may have been read! Returning...\n\n");

    run->out.str("");
    run->dir.write("bad.asc", "   3   3\r\n        3     x   3\r\n");
    EXPECT_EQ(readql(run->st, run->path("bad.asc")), FileResult::IoFailed);
}

}  // namespace
}  // namespace quilmo
