// CCP4/MRC maps from real runs: an independent reader (gemmi) sees the same
// grid, cell and density as the native ASCII map, and a map with its axes
// permuted reads back as the same prior.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/e2e.h"

using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kFourier = slurp(std::string(QUILMO_TEST_DATA) + "/../../examples/sucrose_fourier.Quilmo");

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string with_format(const std::string& format) {
    return replaced(kFourier, "outputformat QLascii", "outputformat " + format);
}

// A maximum-entropy run without cycles: its density file is its prior.
std::string prior_run(const std::string& map, const std::string& out) {
    std::string in = replaced(kFourier, "perform fourier", "perform MEM");
    in = replaced(in, "initialdensity flat", "initialdensity ccp4\ninitialfile " + map);
    return replaced(in, "outputformat QLascii", "outputformat QLascii\noutputfile " + out);
}

std::int32_t word(const std::string& b, int w) {
    std::int32_t v;
    std::memcpy(&v, b.data() + 4 * (w - 1), 4);
    return v;
}
void set_word(std::string& b, int w, std::int32_t v) { std::memcpy(b.data() + 4 * (w - 1), &v, 4); }

// The same map with sections along a, rows along c, columns along b, and
// the column count starting at 7 (the cell is periodic).
std::string permuted(const std::string& map) {
    const int n1 = word(map, 1), n2 = word(map, 2), n3 = word(map, 3);
    std::string p = map;
    set_word(p, 1, n2), set_word(p, 2, n3), set_word(p, 3, n1);
    set_word(p, 5, 7);
    set_word(p, 17, 2), set_word(p, 18, 3), set_word(p, 19, 1);
    std::size_t to = 1024;
    for (int a = 0; a < n1; ++a)
        for (int c = 0; c < n3; ++c)
            for (int col = 0; col < n2; ++col, to += 4) {
                const int b = (7 + col) % n2;
                std::memcpy(p.data() + to, map.data() + 1024 + 4 * (a + n1 * (b + n2 * c)), 4);
            }
    return p;
}

TEST(CCP4Map, GemmiReadsTheSucroseFourierMapAsTheNativeAsciiMap) {
    ASSERT_FALSE(kFourier.empty());
    TempDir dir;
    dir.write("ascii.Quilmo", with_format("QLascii"));
    dir.write("map.Quilmo", with_format("ccp4"));
    ASSERT_EQ(run_quilmo(dir, {"ascii"}).status, 0);
    auto r = run_quilmo(dir, {"map"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(dir.read("map.QLlog").find("Electron density written to file map.ccp4"), std::string::npos);
    EXPECT_EQ(dir.read("map.ccp4").size(), 1024u + 4 * 32 * 36 * 45);

    const std::string cmd = "cd '" + dir.path().string() + "' && /usr/bin/python3 '" +
                            std::string(QUILMO_TEST_DATA) + "/ccp4/gemmi_compare.py' map.ccp4 ascii.asc";
    EXPECT_EQ(std::system(cmd.c_str()), 0);

    // A second run never overwrites the map: it takes the first spare name.
    ASSERT_EQ(run_quilmo(dir, {"map"}).status, 0);
    EXPECT_EQ(dir.read("qlmap00.ccp4").size(), 1024u + 4 * 32 * 36 * 45);
}

TEST(CCP4Map, PermutedAxesReadBackAsTheSamePriorAndAnotherGridIsNamed) {
    TempDir dir;
    dir.write("map.Quilmo", with_format("ccp4"));
    ASSERT_EQ(run_quilmo(dir, {"map"}).status, 0);
    dir.write("perm.ccp4", permuted(dir.read("map.ccp4")));

    dir.write("plain.Quilmo", prior_run("map.ccp4", "plain.asc"));
    dir.write("turned.Quilmo", prior_run("perm.ccp4", "turned.asc"));
    auto plain = run_quilmo(dir, {"plain", "0"});
    auto turned = run_quilmo(dir, {"turned", "0"});
    ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
    ASSERT_EQ(turned.status, 0) << turned.out << turned.err;
    const std::string want = dir.read("plain.asc");
    EXPECT_EQ(lines_of(want).size(), 4u + 51840 / 6);
    EXPECT_EQ(dir.read("turned.asc"), want);

    dir.write("other.Quilmo",
              replaced(prior_run("map.ccp4", "other.asc"), "voxel 32 36 45", "voxel 32 36 40"));
    auto other = run_quilmo(dir, {"other", "0"});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.out.find("Map: 32 x 36 x 45 points, cell divided 32 x 36 x 45\n"
                             "Input file: 32 x 36 x 40\n"),
              std::string::npos)
        << other.out;
    EXPECT_NE(other.out.find("Error reading prior density file (CCP4 format)!"), std::string::npos);
    EXPECT_FALSE(dir.exists("other.asc"));
}

}  // namespace
