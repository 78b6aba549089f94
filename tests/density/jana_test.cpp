// The Jana m81 file: header layout, record count, borders, round trips and
// every rejection of the reader.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "density/files.h"
#include "density/density_state.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;

std::int32_t i32(const std::string& b, std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
float f32(const std::string& b, std::size_t at) {
    float v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void set_i32(std::string& b, std::size_t at, std::int32_t v) { std::memcpy(b.data() + at, &v, 4); }

std::string written(DensityRun& run, bool borders, const std::string& name = "m.m81") {
    EXPECT_EQ(writejana(run.st, run.path(name), borders), FileResult::Ok);
    return run.dir.read(name);
}

TEST(WriteJana, HeaderAndRecordCountFor32By32By48) {
    auto run = DensityRun::three(32, 32, 48);
    const std::string b = written(*run, false);
    EXPECT_EQ(b.size(), 50u * 4096);
    const int nx[6] = {32, 32, 48, 1, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(i32(b, 4 * i), nx[i]);
        EXPECT_EQ(f32(b, 32 + 8 * i), 0.0f);
        EXPECT_EQ(i32(b, 104 + 4 * i), i + 1);
    }
    EXPECT_EQ(i32(b, 24), 1024);
    EXPECT_EQ(i32(b, 28), 48);
    EXPECT_EQ(f32(b, 36), 1.0f - 1.0f / 32);
    EXPECT_EQ(f32(b, 52), 1.0f - 1.0f / 48);
    EXPECT_EQ(f32(b, 60), 0.0f);
    EXPECT_EQ(f32(b, 80), 1.0f / 32);
    EXPECT_EQ(f32(b, 88), 1.0f / 48);
    EXPECT_EQ(f32(b, 92), 1.0f);
    EXPECT_EQ(i32(b, 128), 4);
    EXPECT_EQ(i32(b, 132), 1);
    EXPECT_EQ(i32(b, 136), 0);
    EXPECT_EQ(i32(b, 140), 0);
    // Section 1 starts with voxel 0; the last record holds the extremes.
    EXPECT_EQ(f32(b, 4096), static_cast<float>(run->st.rho(0) / run->st.capvx));
    float rmax = -1e8f, rmin = 1e8f;
    for (int s = 1; s <= 48; ++s)
        for (int j = 0; j < 1024; ++j) {
            rmax = std::max(rmax, f32(b, 4096u * s + 4u * j));
            rmin = std::min(rmin, f32(b, 4096u * s + 4u * j));
        }
    EXPECT_EQ(f32(b, 49u * 4096), rmax);
    EXPECT_EQ(f32(b, 49u * 4096 + 4), rmin);
    EXPECT_NE(run->log().find("Electron density written to file " + run->path("m.m81")),
              std::string::npos);
}

TEST(WriteJana, BordersRepeatTheFirstPointOfEveryRow) {
    auto big = DensityRun::three(32, 32, 48);
    const std::string h = written(*big, true);
    EXPECT_EQ(i32(h, 0), 33);
    EXPECT_EQ(i32(h, 8), 49);
    EXPECT_EQ(i32(h, 28), 49);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f32(h, 36 + 8 * i), 1.0f);
    EXPECT_EQ(h.size(), 51u * 4 * 33 * 33);

    auto run = DensityRun::three(5, 4, 3);
    const std::string b = written(*run, true);
    const std::size_t reclen = 140;  // 30 points per section: the 35-word minimum
    EXPECT_EQ(b.size(), (4 + 2) * reclen);
    for (int s = 1; s <= 4; ++s)
        for (int row = 0; row < 5; ++row) {
            const std::size_t at = s * reclen + 4u * 6 * row;
            EXPECT_EQ(f32(b, at + 4 * 5), f32(b, at)) << s << " " << row;
        }
    // The last row and the last section repeat the first ones.
    EXPECT_EQ(b.substr(reclen + 4 * 6 * 4, 24), b.substr(reclen, 24));
    EXPECT_EQ(b.substr(4 * reclen, 120), b.substr(reclen, 120));
}

TEST(ReadJana, RoundTripToSinglePrecisionWithAndWithoutBorders) {
    for (bool borders : {false, true}) {
        DensityRun run({5, 4, 3, 2}, 3, {10, 12.5, 7.25, 90, 105.5, 90}, 874.0);
        const std::vector<double> original = run.st.rho.vec();
        const std::string b = written(run, borders);
        EXPECT_EQ(i32(b, 136), 1);  // a superspace density
        run.st.rho.fill(0);
        ASSERT_EQ(readjana(run.st, run.path("m.m81")), FileResult::Ok) << run.out.str();
        for (int v = 0; v < run.st.nvoxtot; ++v)
            EXPECT_EQ(run.st.rho(v), static_cast<float>(original[v] / run.st.capvx) * run.st.capvx) << v;
        EXPECT_EQ(run.st.rhomax, f32(b, b.size() - 140));  // sections of 20 or 30 points
        EXPECT_EQ(run.out.str(), "");
    }
}

TEST(ReadJana, SmallSectionsUseRecordsOfThirtyFiveWords) {
    auto run = DensityRun::three(3, 4, 5);
    const std::vector<double> original = run->st.rho.vec();
    const std::string b = written(*run, false);
    EXPECT_EQ(b.size(), (5u + 2) * 140);
    EXPECT_EQ(i32(b, 136), 0);
    run->st.rho.fill(0);
    ASSERT_EQ(readjana(run->st, run->path("m.m81")), FileResult::Ok);
    EXPECT_EQ(run->st.rho(59), static_cast<float>(original[59] / run->st.capvx) * run->st.capvx);
}

struct Rejection {
    std::size_t offset;
    std::int32_t value;
    FileResult code;
    const char* message;
};

TEST(ReadJana, HeaderFaultsAreRejectedWithTheirCodes) {
    auto run = DensityRun::three(4, 4, 4);
    const std::string good = written(*run, false);
    const Rejection cases[] = {
        {104, 2, FileResult::AxisOrder, "Order of axes is not a b c ...!\nPlease save density with \xB4normal\xB4 order of axes in JANA.\n"},
        {128, 3, FileResult::MapType, "Map type is not Fourier!\nPlease save density as Fourier map.\n"},
        {8, 5, FileResult::GridMismatch, "Total number of voxels is inconsistent with input file!\n"},
        {12, 2, FileResult::GridMismatch, "Total number of voxels is inconsistent with input file!\n"},  // a fourth axis
        {28, 5, FileResult::GridMismatch, "Total number of voxels is inconsistent with input file!\n"},  // too many sections
        {24, 20, FileResult::GridMismatch, "Total number of voxels is inconsistent with input file!\n"},
    };
    for (const Rejection& c : cases) {
        std::string bad = good;
        set_i32(bad, c.offset, c.value);
        if (c.offset == 104) set_i32(bad, 108, 1);
        run->dir.write("bad.m81", bad);
        run->out.str("");
        const std::vector<double> before = run->st.rho.vec();
        EXPECT_EQ(readjana(run->st, run->path("bad.m81")), c.code) << c.offset;
        EXPECT_EQ(run->out.str(),
                  std::string("\nRoutine ReadJana:\nWarning!\nCannot read this file!\n") + c.message + "\n")
            << c.offset;
        EXPECT_EQ(run->st.rho.vec(), before);
    }
}

TEST(ReadJana, ZeroAxisEntriesAndOtherFourierMapTypesAreAccepted) {
    auto run = DensityRun::three(4, 4, 4);
    std::string b = written(*run, false);
    set_i32(b, 104 + 4 * 4, 0);
    set_i32(b, 128, 6);
    run->dir.write("ok.m81", b);
    EXPECT_EQ(readjana(run->st, run->path("ok.m81")), FileResult::Ok);
}

TEST(ReadJana, MissingShortAndTruncatedFiles) {
    auto run = DensityRun::three(4, 4, 4);
    const std::string good = written(*run, false);
    EXPECT_EQ(readjana(run->st, run->path("none.m81")), FileResult::OpenFailed);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadJana:\nError! Cannot open density file for reading!\n"
                              "Nothing has been read! Returning...\n\n");

    run->dir.write("tiny.m81", good.substr(0, 20));
    EXPECT_EQ(readjana(run->st, run->path("tiny.m81")), FileResult::OpenFailed);
    run->dir.write("short.m81", good.substr(0, 100));
    EXPECT_EQ(readjana(run->st, run->path("short.m81")), FileResult::IoFailed);

    run->dir.write("cut.m81", good.substr(0, good.size() - 140 - 10));
    run->out.str("");
    EXPECT_EQ(readjana(run->st, run->path("cut.m81")), FileResult::IoFailed);
    EXPECT_EQ(run->out.str(), "\nRoutine ReadJana:\nError! Cannot read density file!\n"
                              "Something may have been read! Returning...\n\n");
}

TEST(WriteJana, ExistingFileIsLeftUnchangedAndReported) {
    auto run = DensityRun::three(2, 2, 2);
    run->dir.write("m.m81", "keep");
    EXPECT_EQ(writejana(run->st, run->path("m.m81"), true), FileResult::OpenFailed);
    EXPECT_EQ(run->dir.read("m.m81"), "keep");
    const std::string name = run->path("m.m81");
    EXPECT_EQ(run->log(), "\r\nRoutine WriteJana:\r\nError! Cannot open density file " + name +
                              " for writing!\r\nOutput file: " + name +
                              "\r\nNothing has been written! Returning...\r\n\r\n");
}

}  // namespace
}  // namespace quilmo
