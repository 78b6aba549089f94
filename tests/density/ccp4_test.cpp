// CCP4/MRC maps: the header a viewer relies on, the round trip, and the
// files a reader must refuse without touching rho.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>

#include "density/density_state.h"
#include "density/files.h"
#include "density/prior.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;

std::int32_t word(const std::string& b, int w) {
    std::int32_t v;
    std::memcpy(&v, b.data() + 4 * (w - 1), 4);
    return v;
}
float real(const std::string& b, int w) {
    float v;
    std::memcpy(&v, b.data() + 4 * (w - 1), 4);
    return v;
}
void set_word(std::string& b, int w, std::int32_t v) { std::memcpy(b.data() + 4 * (w - 1), &v, 4); }

// A map of the 5 x 3 x 4 test run, as bytes.
std::string written_map(DensityRun& run) {
    EXPECT_EQ(writeccp4(run.st, run.path("m.ccp4")), FileResult::Ok);
    return run.dir.read("m.ccp4");
}

TEST(WriteCCP4, HeaderDescribesGridCellAxesAndValues) {
    auto run = DensityRun::three(5, 3, 4);
    const std::string b = written_map(*run);
    ASSERT_EQ(b.size(), 1024u + 4 * 60);
    const int expect[][2] = {{1, 5},  {2, 3},  {3, 4},  {4, 2},  {5, 0},  {8, 5},  {9, 3},
                             {10, 4}, {17, 1}, {18, 2}, {19, 3}, {23, 1}, {24, 0}, {56, 1}};
    for (const auto& e : expect) EXPECT_EQ(word(b, e[0]), e[1]) << "word " << e[0];
    EXPECT_FLOAT_EQ(real(b, 12), 12.5f);
    EXPECT_FLOAT_EQ(real(b, 15), 105.5f);
    EXPECT_EQ(b.substr(208, 4), "MAP ");
    EXPECT_EQ(b.substr(212, 4), std::string("\x44\x44\0\0", 4));
    EXPECT_EQ(b.substr(224, 80).find("Quilmo "), 0u);
    EXPECT_NE(b.substr(224, 80).find("test map"), std::string::npos);
    // Values in e/A^3, first axis fastest; extremes and mean of the values.
    double sum = 0, lo = 1e30, hi = -1e30;
    for (int v = 0; v < 60; ++v) {
        const double x = run->st.rho(v) / run->st.capvx;
        EXPECT_FLOAT_EQ(real(b, 257 + v), static_cast<float>(x));
        sum += x, lo = std::min(lo, x), hi = std::max(hi, x);
    }
    EXPECT_FLOAT_EQ(real(b, 20), static_cast<float>(lo));
    EXPECT_FLOAT_EQ(real(b, 21), static_cast<float>(hi));
    EXPECT_NEAR(real(b, 22), sum / 60, 1e-6);
    EXPECT_GT(real(b, 55), 0.0f);
}

TEST(WriteCCP4, ExistingFileAndNonThreeDimensionalRunAreOpenFailures) {
    auto run = DensityRun::three(5, 3, 4);
    run->dir.write("m.ccp4", "keep");
    EXPECT_EQ(writeccp4(run->st, run->path("m.ccp4")), FileResult::OpenFailed);
    EXPECT_EQ(run->dir.read("m.ccp4"), "keep");
    EXPECT_NE(run->log().find("Routine WriteCCP4:\r\nError! Cannot open density file for writing!"),
              std::string::npos);

    DensityRun four({4, 4, 4, 3}, 3, {10, 10, 10, 90, 90, 90}, 1000);
    EXPECT_EQ(writeccp4(four.st, four.path("f.ccp4")), FileResult::OpenFailed);
    EXPECT_FALSE(four.dir.exists("f.ccp4"));
}

TEST(ReadCCP4, RoundTripKeepsSinglePrecisionAndSetsTheExtremesPerVoxel) {
    auto run = DensityRun::three(5, 3, 4);
    const std::vector<double> original = run->st.rho.vec();
    written_map(*run);
    run->st.rho.fill(0);
    ASSERT_EQ(readccp4(run->st, run->path("m.ccp4")), FileResult::Ok) << run->out.str();
    EXPECT_EQ(run->out.str(), "");
    for (int v = 0; v < 60; ++v)
        EXPECT_NEAR(run->st.rho(v), original[v], 2e-7 * (1 + std::fabs(original[v])));
    EXPECT_NEAR(run->st.rhomin, *std::min_element(original.begin(), original.end()), 1e-6);
    EXPECT_NEAR(run->st.rhomax, *std::max_element(original.begin(), original.end()), 1e-6);
}

TEST(ReadCCP4, BigEndianSixteenBitMapIsConvertedWhenACorrectionScalesIt) {
    auto run = DensityRun::three(2, 2, 2);
    std::string b(1024 + 16, '\0');
    const int head[][2] = {{1, 2}, {2, 2},  {3, 2},  {4, 1},  {8, 2},
                           {9, 2}, {10, 2}, {17, 1}, {18, 2}, {19, 3}};
    for (const auto& h : head) set_word(b, h[0], __builtin_bswap32(h[1]));
    std::memcpy(b.data() + 208, "MAP \x11\x11\0\0", 8);
    for (int i = 0; i < 6; ++i) {
        float c = static_cast<float>(run->st.cell(i + 1));
        std::uint32_t u;
        std::memcpy(&u, &c, 4);
        set_word(b, 11 + i, __builtin_bswap32(u));
    }
    for (int v = 0; v < 8; ++v) {
        b[1024 + 2 * v] = 0;
        b[1024 + 2 * v + 1] = static_cast<char>(v + 1);
    }
    run->dir.write("i.ccp4", b);
    EXPECT_EQ(readccp4(run->st, run->path("i.ccp4")), FileResult::MapMode);
    EXPECT_NE(run->out.str().find("Map mode 1 holds scaled integers, not e/A^3!"), std::string::npos);

    run->st.ctype = fixed("normalize", 10);
    run->st.charge = 36;
    readdensity(run->st, fixed("ccp4", 264), fixed(run->path("i.ccp4"), 264));
    for (int v = 0; v < 8; ++v) EXPECT_NEAR(run->st.rho(v), v + 1.0, 1e-12);
}

TEST(ReadCCP4, DamagedOrForeignMapsAreRefusedAndRhoStaysUnchanged) {
    const std::string read_failure =
        "\nRoutine ReadCCP4:\nError! Cannot read density file!\nMaybe a truncated file or an inconsistent "
        "header?\nSomething may have been read! Returning...\n\n";
    const struct {
        const char* what;
        std::function<void(std::string&)> damage;
        FileResult code;
        std::string says;
    } cases[] = {
        {"data cut short", [](std::string& b) { b.pop_back(); }, FileResult::IoFailed, read_failure},
        {"header cut short", [](std::string& b) { b.resize(600); }, FileResult::IoFailed, read_failure},
        {"no MAP stamp", [](std::string& b) { b[208] = 'X'; }, FileResult::IoFailed, read_failure},
        {"axis twice", [](std::string& b) { set_word(b, 18, 1); }, FileResult::IoFailed, read_failure},
        {"symmetry block past the end", [](std::string& b) { set_word(b, 24, 80); }, FileResult::IoFailed, read_failure},
        {"another sampling", [](std::string& b) { set_word(b, 10, 8); }, FileResult::GridMismatch,
         "Map: 5 x 3 x 4 points, cell divided 5 x 3 x 8\nInput file: 5 x 3 x 4\n"},
        {"half-precision mode", [](std::string& b) { set_word(b, 4, 12); }, FileResult::MapMode, "Map mode 12 cannot be read!"},
    };
    for (const auto& c : cases) {
        auto run = DensityRun::three(5, 3, 4);
        std::string b = written_map(*run);
        c.damage(b);
        std::filesystem::remove(run->path("m.ccp4"));
        run->dir.write("m.ccp4", b);
        const std::vector<double> before = run->st.rho.vec();
        EXPECT_EQ(readccp4(run->st, run->path("m.ccp4")), c.code) << c.what;
        EXPECT_NE(run->out.str().find(c.says), std::string::npos) << c.what << run->out.str();
        EXPECT_EQ(run->st.rho.vec(), before) << c.what;
    }
    auto other = DensityRun::three(5, 3, 5);
    EXPECT_EQ(readccp4(other->st, other->path("missing.ccp4")), FileResult::OpenFailed);
}

}  // namespace
}  // namespace quilmo
