// The native binary density file: record layout, bit-exact round trip and
// the header faults a reader must refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "density/files.h"
#include "density/density_state.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;

const std::string kReadFailure =
    "\nRoutine ReadRawQL:\nError! Cannot read density file!\nMaybe wrong dimensions or voxel spacing?\n"
    "Something may have been read! Returning...\n\n";

std::int32_t word(const std::string& bytes, std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

TEST(WriteRawQL, FileLengthAndRecordFramesFor64Cubed) {
    auto run = DensityRun::three(64, 64, 64);
    ASSERT_EQ(writerawql(run->st, run->path("m.raw")), FileResult::Ok);
    EXPECT_EQ(std::filesystem::file_size(run->path("m.raw")), (4u + 76 + 4) + (4u + 2097152 + 4));
    const std::string bytes = run->dir.read("m.raw");
    EXPECT_EQ(word(bytes, 0), 76);
    EXPECT_EQ(word(bytes, 4), 3);
    EXPECT_EQ(word(bytes, 12), 64);
    EXPECT_EQ(word(bytes, 80), 76);
    EXPECT_EQ(word(bytes, 84), 2097152);
}

TEST(ReadRawQL, RoundTripIsBitExactAndTakesTheFileCell) {
    auto run = DensityRun::three(5, 3, 4);
    const std::vector<double> original = run->st.rho.vec();
    ASSERT_EQ(writerawql(run->st, run->path("m.raw")), FileResult::Ok);
    EXPECT_NE(run->log().find("Electron density written to file " + run->path("m.raw")),
              std::string::npos);
    run->st.rho.fill(0);
    run->st.cell(1) = 11.0;
    ASSERT_EQ(readrawql(run->st, run->path("m.raw")), FileResult::Ok);
    EXPECT_EQ(std::memcmp(run->st.rho.data(), original.data(), original.size() * sizeof(double)), 0);
    EXPECT_EQ(run->st.cell(1), 10.0);
    EXPECT_EQ(run->st.sdim, 3);
    EXPECT_EQ(run->st.nvox(1), 5);
    EXPECT_EQ(run->out.str(), "");
}

TEST(ReadRawQL, GridOfAnotherSizeIsAReadFailureAndChangesNothing) {
    auto small = DensityRun::three(4, 4, 4);
    auto large = DensityRun::three(8, 8, 8);
    ASSERT_EQ(writerawql(small->st, small->path("small.raw")), FileResult::Ok);
    ASSERT_EQ(writerawql(large->st, large->path("large.raw")), FileResult::Ok);

    const std::vector<double> before = large->st.rho.vec();
    EXPECT_EQ(readrawql(large->st, small->path("small.raw")), FileResult::IoFailed);
    EXPECT_EQ(large->out.str(), kReadFailure);
    EXPECT_EQ(large->st.rho.vec(), before);

    // A larger file would fill rho and leave nvox out of step with nvoxtot.
    EXPECT_EQ(readrawql(small->st, large->path("large.raw")), FileResult::IoFailed);
    EXPECT_EQ(small->st.nvox(1), 4);
    EXPECT_EQ(small->st.cell(1), 10.0);
}

TEST(ReadRawQL, HeaderWithMoreAxesThanTheRunIsAReadFailure) {
    DensityRun four({3, 3, 3, 2}, 3, {10, 12.5, 7.25, 90, 105.5, 90}, 874.0);
    ASSERT_EQ(writerawql(four.st, four.path("four.raw")), FileResult::Ok);
    auto run = DensityRun::three(3, 3, 3);
    EXPECT_EQ(readrawql(run->st, four.path("four.raw")), FileResult::IoFailed);
    EXPECT_EQ(run->st.sdim, 3);
    EXPECT_EQ(run->st.nvox.size(), 3);
}

TEST(ReadRawQL, FileEndingAfterTheHeaderIsAReadFailure) {
    auto run = DensityRun::three(3, 2, 2);
    ASSERT_EQ(writerawql(run->st, run->path("m.raw")), FileResult::Ok);
    run->dir.write("head.raw", run->dir.read("m.raw").substr(0, 84));
    run->dir.write("cut.raw", run->dir.read("m.raw").substr(0, 100));
    const std::vector<double> before = run->st.rho.vec();
    for (const char* name : {"head.raw", "cut.raw"}) {
        run->out.str("");
        EXPECT_EQ(readrawql(run->st, run->path(name)), FileResult::IoFailed) << name;
        EXPECT_EQ(run->out.str(), kReadFailure) << name;
        EXPECT_EQ(run->st.rho.vec(), before) << name;
    }
}

TEST(ReadRawQL, MissingFileIsAnOpenFailure) {
    auto run = DensityRun::three(2, 2, 2);
    EXPECT_EQ(readrawql(run->st, run->path("none.raw")), FileResult::OpenFailed);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadRawQL:\nError! Cannot open density file for reading!\n"
                              "Nothing has been read! Returning...\n\n");
}

TEST(WriteRawQL, ExistingFileIsLeftUnchangedAndReported) {
    auto run = DensityRun::three(2, 2, 2);
    run->dir.write("m.raw", "keep");
    EXPECT_EQ(writerawql(run->st, run->path("m.raw")), FileResult::OpenFailed);
    EXPECT_EQ(run->dir.read("m.raw"), "keep");
    EXPECT_EQ(run->log(), "\r\nRoutine WriteRawQL:\r\nError! Cannot open the density file for writing!\r\n"
                          "Output file: " + run->path("m.raw") +
                              "\r\nNothing has been saved! Returning...\r\n\r\n");
}

}  // namespace
}  // namespace quilmo
