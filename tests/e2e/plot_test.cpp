// scripts/quilmo-plot on the maximum-entropy example: the convergence and
// the section are PNG files of the size the script draws, and its map
// readers see one density in the ASCII, binary and CCP4 files of a run.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/e2e.h"

using quilmo_test::run_quilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kRoot = std::string(QUILMO_TEST_DATA) + "/../..";

// Width and height from the IHDR chunk; 0 x 0 when the file is no PNG.
std::pair<unsigned, unsigned> png_size(const std::string& b) {
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be = [&](std::size_t at) {
        return (unsigned(static_cast<unsigned char>(b[at])) << 24) |
               (unsigned(static_cast<unsigned char>(b[at + 1])) << 16) |
               (unsigned(static_cast<unsigned char>(b[at + 2])) << 8) |
               unsigned(static_cast<unsigned char>(b[at + 3]));
    };
    return {be(16), be(20)};
}

int shell(const TempDir& dir, const std::string& command) {
    return std::system(("cd '" + dir.path().string() + "' && " + command).c_str());
}

TEST(QuilmoPlot, ConvergenceAndSectionOfTheMemExample) {
    TempDir dir;
    dir.write("sucrose_mem.Quilmo", slurp(kRoot + "/examples/sucrose_mem.Quilmo"));
    ASSERT_EQ(run_quilmo(dir, {"sucrose_mem"}).status, 0);
    ASSERT_EQ(shell(dir, "/usr/bin/python3 '" + kRoot +
                             "/scripts/quilmo-plot' sucrose_mem --section b=0.25 > made"),
              0);
    EXPECT_EQ(dir.read("made"), "sucrose_mem_convergence.png\nsucrose_mem_section_b0.250.png\n");
    EXPECT_EQ(png_size(dir.read("sucrose_mem_convergence.png")), std::make_pair(800u, 740u));
    EXPECT_EQ(png_size(dir.read("sucrose_mem_section_b0.250.png")), std::make_pair(700u, 600u));
    // A summary that cannot be read is an error named by the script.
    EXPECT_NE(
        shell(dir, "/usr/bin/python3 '" + kRoot + "/scripts/quilmo-plot' --summary nowhere.json 2> err"), 0);
    EXPECT_NE(dir.read("err").find("quilmo-plot: "), std::string::npos);
}

TEST(QuilmoPlot, ReadsOneDensityFromAsciiBinaryAndCcp4Files) {
    TempDir dir;
    const std::string input = slurp(kRoot + "/examples/sucrose_fourier.Quilmo");
    for (const char* format : {"QLascii", "QLbinary", "ccp4"}) {
        std::string in = input;
        in.replace(in.find("outputformat QLascii"), 20, std::string("outputformat ") + format);
        dir.write(std::string("m_") + format + ".Quilmo", in);
        ASSERT_EQ(run_quilmo(dir, {std::string("m_") + format}).status, 0) << format;
    }
    EXPECT_EQ(shell(dir, "/usr/bin/python3 '" + kRoot + "/tests/data/plot/same_map_three_formats.py' '" +
                             kRoot + "/scripts/quilmo-plot' m_QLascii.asc m_QLbinary.raw m_ccp4.ccp4"),
              0);
    ASSERT_EQ(shell(dir, "/usr/bin/python3 '" + kRoot +
                             "/scripts/quilmo-plot' --map m_ccp4.ccp4 --section a=0.5 > made"),
              0);
    EXPECT_EQ(png_size(dir.read("m_ccp4_section_a0.500.png")), std::make_pair(700u, 600u));
}

}  // namespace
