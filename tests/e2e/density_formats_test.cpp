// Every density format written by a Fourier run, and every readable one read
// back by a second run as its prior density.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/e2e.h"
#include "support/point_atoms.h"

using quilmo_test::lines_of;
using quilmo_test::point_atom_input;
using quilmo_test::run_quilmo;
using quilmo_test::TempDir;

namespace {

const std::vector<quilmo_test::Atom> kAtoms = {{0.10, 0.20, 0.30, 6.0}, {0.55, 0.60, 0.75, 8.0}};

std::string fourier_input(const std::string& format) {
    return point_atom_input(kAtoms, "fourier", "algorithm S-S\ninitialdensity flat\noutputformat " + format + "\n");
}

// The voxel values of a native ASCII map (after the four header lines).
std::vector<double> ascii_values(const std::string& text) {
    std::vector<double> v;
    auto lines = lines_of(text);
    for (std::size_t i = 4; i < lines.size(); ++i)
        for (std::size_t p = 0; p + 22 <= lines[i].size(); p += 22) v.push_back(std::stod(lines[i].substr(p, 22)));
    return v;
}

struct Written {
    std::string format, file;
};

TEST(DensityFormats, AFourierRunWritesEveryFormat) {
    const Written cases[] = {{"QLascii", "map.asc"},
                             {"QLbinary", "map.raw"},
                             {"jana", "map.m81"},
                             {"jana+1", "map.m81"},
                             {"xplor", "map.xplor"}};
    for (const Written& c : cases) {
        TempDir dir;
        dir.write("map.Quilmo", fourier_input(c.format));
        auto r = run_quilmo(dir, {"map"});
        ASSERT_EQ(r.status, 0) << c.format << r.out << r.err;
        ASSERT_TRUE(dir.exists(c.file)) << c.format;
        const std::string body = dir.read(c.file);
        std::size_t want = body.size();
        if (c.format == "QLbinary") want = (4 + 76 + 4) + (4 + 8 * 8000 + 4);
        if (c.format == "jana") want = 4 * 400 * (20 + 2);     // header, 20 sections, extremes
        if (c.format == "jana+1") want = 4 * 441 * (21 + 2);   // with the border points
        EXPECT_EQ(body.size(), want) << c.format;
        if (c.format == "xplor") {
            EXPECT_EQ(lines_of(body).size(), 8u + 20 + 8000);
        }
        EXPECT_NE(dir.read("map.QLlog").find("Electron density written to file " + c.file), std::string::npos);
    }
}

TEST(DensityFormats, ASecondRunReadsEachReadableFormatAsItsPrior) {
    // The reference: the map in the native ASCII format.
    TempDir ref;
    ref.write("map.Quilmo", fourier_input("QLascii"));
    ASSERT_EQ(run_quilmo(ref, {"map"}).status, 0);
    const std::vector<double> expected = ascii_values(ref.read("map.asc"));
    ASSERT_EQ(expected.size(), 8000u);

    const struct {
        std::string format, type, file;
        double tolerance;  // m81 stores single precision
    } cases[] = {{"QLascii", "QLascii", "map.asc", 1e-15},
                 {"QLbinary", "QLbinary", "map.raw", 1e-15},
                 {"jana", "jana", "map.m81", 1e-6},
                 {"jana+1", "jana", "map.m81", 1e-6}};
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("map.Quilmo", fourier_input(c.format));
        ASSERT_EQ(run_quilmo(dir, {"map"}).status, 0) << c.format;
        // A maximum-entropy run with no cycle: its density is the prior read.
        dir.write("back.Quilmo",
                  point_atom_input(kAtoms, "MEM",
                                   "algorithm S-S\ninitialdensity " + c.type + "\ninitialfile " + c.file +
                                       "\noutputformat QLascii\noutputfile back.asc\n"));
        auto r = run_quilmo(dir, {"back", "0"});
        ASSERT_EQ(r.status, 0) << c.format << r.out << r.err;
        const std::vector<double> got = ascii_values(dir.read("back.asc"));
        ASSERT_EQ(got.size(), expected.size()) << c.format;
        double worst = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::fabs(got[i] - expected[i]) / (std::fabs(expected[i]) + 1e-3));
        EXPECT_LT(worst, c.tolerance) << c.format;
        EXPECT_TRUE(dir.exists("back_diffour.m81")) << c.format;
    }
}

}  // namespace
