// A complete, realistic input file read into the run state.
#include <gtest/gtest.h>

#include <cmath>

#include "input/input_run.h"

using namespace quilmo;
using quilmo_test::InputRun;

namespace {

const char* kInput =
    "# Rutile-like test crystal\n"
    "title   Test crystal, MEM run   ! remark\n"
    "perform MEM\n"
    "cell 4.59 4.59 2.96 90 90 90\n"
    "voxel 24 24 16\n"
    "electrons 76\n"
    "initialdensity flat\n"
    "algorithm S-S AUTO 1.0\n"
    "conweight F2\n"
    "centro yes\n"
    "spacegroup P 42/m n m\n"
    "outputformat QLascii\n"
    "symmetry\n"
    "x1 x2 x3\n"
    "-x1 -x2 x3\n"
    "-x2+1/2 x1+1/2 x3+1/2\n"
    "x2+1/2 -x1+1/2 x3+1/2\n"
    "endsymmetry\n"
    "centers\n"
    "1/2 1/2 1/2\n"
    "endcenters\n"
    "extra\n"
    "  3 3 3   1.0  0.0\n"
    "endextra\n"
    "fbegin\n"
    "  1 1 0   20.0   0.0   0.40\n"
    "  1 0 1  -12.5   3.0   0.25\n"
    "\t2 0 0    8.0  -1.0   0.50   # weak\n"
    "endf\n"
    "gbegin\n"
    "ggroup 30.0 1.5\n"
    "2 1 1\n"
    "1 2 1\n"
    "ggroup 12.0 0.5\n"
    "3 1 0\n"
    "endg\n";

TEST(CompleteInput, FillsTheRunState) {
    InputRun r(kInput);
    ASSERT_FALSE(r.stopped) << r.out() << r.stop;
    EXPECT_EQ(r.out(), "");
    const RunState& s = r.st;

    EXPECT_EQ(trim(s.title), "Test crystal, MEM run");
    EXPECT_TRUE(s.performmem);
    EXPECT_TRUE(s.centro);
    EXPECT_EQ(s.algorithm, 1);
    EXPECT_EQ(trim(s.spacegrp), "P 42/m n m");
    EXPECT_EQ(trim(s.outrhotype), "QLascii");
    EXPECT_DOUBLE_EQ(s.cell(3), 2.96);
    EXPECT_EQ(s.nvox(3), 16);

    // The complete list: 4 operators, each with both centering vectors.
    EXPECT_EQ(s.nsym, 8);
    EXPECT_EQ(s.nsympoint, 4);
    EXPECT_EQ(s.ncenter, 2);
    EXPECT_EQ(s.rmat(1, 2, 3), -1);
    EXPECT_EQ(s.rmat(2, 1, 3), 1);
    EXPECT_DOUBLE_EQ(s.tvec(1, 3), 0.5);
    EXPECT_DOUBLE_EQ(s.center(2, 2), 0.5);

    // extra 1, F 2..5 (F000 added first), G 6..8
    EXPECT_EQ(s.sec.extra.start, 1);
    EXPECT_EQ(s.sec.extra.end, 1);
    EXPECT_EQ(s.sec.f.start, 2);
    EXPECT_EQ(s.sec.f.end, 5);
    EXPECT_EQ(s.totalf(), 4);
    EXPECT_EQ(s.sec.g.start, 6);
    EXPECT_EQ(s.sec.g.end, 8);
    EXPECT_EQ(s.totalg(), 3);
    EXPECT_EQ(s.ggroups, 2);
    EXPECT_EQ(s.totalfg(), 7);
    EXPECT_EQ(s.totalfge(), 8);
    EXPECT_EQ(s.refl.ubound(), 9);

    EXPECT_DOUBLE_EQ(s.refl(2).a, 76.0);
    EXPECT_DOUBLE_EQ(s.refl(2).sigma, 0.25 / 3.0);
    EXPECT_DOUBLE_EQ(s.refl(2).weight, 9.0 / 0.0625);
    EXPECT_DOUBLE_EQ(s.refl(4).f, std::sqrt(12.5 * 12.5 + 9.0));
    EXPECT_DOUBLE_EQ(s.refl(4).weight, 16.0);
    EXPECT_EQ(s.refl(5).hklfg[0], 2);

    EXPECT_EQ(s.gdiff(1), 2);
    EXPECT_EQ(s.gdiff(2), 1);
    EXPECT_DOUBLE_EQ(s.refl(6).a, 30.0);
    EXPECT_DOUBLE_EQ(s.refl(6).weight, 1.0 / 2.25);
    EXPECT_DOUBLE_EQ(s.refl(7).f, 0.0);
    EXPECT_DOUBLE_EQ(s.refl(8).f, 12.0);
    EXPECT_DOUBLE_EQ(s.refl(8).weight, 4.0);
    EXPECT_EQ(s.refl(8).hklfg[8], 2);
    EXPECT_DOUBLE_EQ(s.refl(1).weight, 0.0);
    EXPECT_EQ(s.refl(1).hklfg[2], 3);
}

TEST(CompleteInput, ReadsTheExampleFiles) {
    for (const char* name : {"nacl_fourier.Quilmo", "sucrose_fourier.Quilmo"}) {
        const std::string text = quilmo_test::slurp(std::filesystem::path(QUILMO_TEST_DATA).parent_path().parent_path() / "examples" / name);
        ASSERT_FALSE(text.empty()) << name;
        InputRun r(text);
        EXPECT_FALSE(r.stopped) << name << "\n" << r.out() << r.stop;
        EXPECT_TRUE(r.st.fourier) << name;
    }
}

}  // namespace
