// The F, G and extra blocks: ranges, F(000), group values, weights and the
// refusal of lines that cannot be used.
#include <gtest/gtest.h>

#include "input/input_run.h"

using namespace quilmo;
using quilmo_test::base_input;
using quilmo_test::InputRun;
using quilmo_test::replaced;

namespace {

const std::string kF = "fbegin\n1 0 0 10.0 0.0 0.5\nendf\n";

std::string with_f(const std::string& block) { return replaced(base_input(), kF, block); }

TEST(FBlock, AddsF000WithTheElectronCountAndAThirdOfTheSmallestSigma) {
    InputRun r(with_f("fbegin\n1 0 0 3.0 4.0 0.6\n0 1 1 -2.0 0.0 0.3\nendf\n"));
    ASSERT_FALSE(r.stopped) << r.out();
    const auto& s = r.st;
    EXPECT_EQ(s.totalf(), 3);
    EXPECT_EQ(s.sec.f.start, 1);
    EXPECT_EQ(s.sec.f.end, 3);
    EXPECT_EQ(s.totalfge(), 3);
    ASSERT_EQ(s.refl.ubound(), 4);
    const reftyp& f0 = s.refl(1);
    EXPECT_EQ(f0.hklfg[0] | f0.hklfg[1] | f0.hklfg[2], 0);
    EXPECT_DOUBLE_EQ(f0.a, 100.0);
    EXPECT_DOUBLE_EQ(f0.f, 100.0);
    EXPECT_DOUBLE_EQ(f0.sigma, 0.1);
    EXPECT_DOUBLE_EQ(f0.weight, 100.0);
    EXPECT_DOUBLE_EQ(s.refl(2).f, 5.0);
    EXPECT_DOUBLE_EQ(s.refl(2).weight, 1.0 / 0.36);
    EXPECT_EQ(s.refl(3).hklfg[2], 1);
    EXPECT_DOUBLE_EQ(s.refl(3).a, -2.0);
}

TEST(FBlock, LargeElectronCountBoundsTheF000Sigma) {
    InputRun r(replaced(with_f("fbegin\n1 0 0 3.0 4.0 9000\nendf\n"), "electrons 100", "electrons 3000"));
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_DOUBLE_EQ(r.st.refl(1).sigma, 1000.0);
}

TEST(FBlock, GivenF000IsKeptAndMovedToTheFirstPlace) {
    InputRun first(with_f("fbegin\n0 0 0 100 0 0.1\n1 0 0 3 4 0.5\nendf\n"));
    ASSERT_FALSE(first.stopped) << first.out();
    EXPECT_EQ(first.st.totalf(), 2);
    EXPECT_DOUBLE_EQ(first.st.refl(1).sigma, 0.1);
    InputRun later(with_f("fbegin\n1 0 0 3 4 0.5\n0 1 0 1 0 0.5\n0 0 0 90 0 0.2\nendf\n"));
    ASSERT_FALSE(later.stopped) << later.out();
    EXPECT_EQ(later.st.totalf(), 3);
    EXPECT_DOUBLE_EQ(later.st.refl(1).a, 90.0);
    EXPECT_DOUBLE_EQ(later.st.refl(1).sigma, 0.2);
    EXPECT_EQ(later.st.refl(2).hklfg[0], 1);
    EXPECT_EQ(later.st.refl(3).hklfg[1], 1);
}

TEST(FBlock, F000GivenTwiceIsRefused) {
    InputRun r(with_f("fbegin\n0 0 0 100 0 0.1\n1 0 0 3 4 0.5\n0 0 0 90 0 0.1\nendf\n"));
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error in the fbegin block, F(000) is given twice: 0 0 0 90 0 0.1\n"));
    EXPECT_TRUE(r.said("Error reading keyword fbegin.\n"));
}

TEST(FBlock, NonPositiveSigmaIsRefusedNamingTheLine) {
    for (const char* line : {"1 0 0 3 4 0", "1 0 0 3 4 -0.5"}) {
        InputRun r(with_f(std::string("fbegin\n0 1 0 1 0 0.5\n") + line + "\nendf\n"));
        EXPECT_TRUE(r.stopped) << line;
        EXPECT_TRUE(r.said(std::string("Error in the fbegin block, sigma must be positive: ") + line + "\n"))
            << r.out();
    }
}

TEST(FBlock, MalformedLineAnywhereIsRefused) {
    for (const char* line : {"1 0 x 3 4 0.5", "1 0 0 3 4", "1 0 0 3 four 0.5"}) {
        InputRun r(with_f(std::string("fbegin\n") + line + "\n0 1 0 1 0 0.5\nendf\n"));
        EXPECT_TRUE(r.stopped) << line;
        EXPECT_TRUE(r.said(std::string("Error in the fbegin block, the line needs the indices, A, B and "
                                       "sigma: ") + line + "\n"))
            << r.out();
    }
}

TEST(FBlock, IndentedEndKeywordWithTextEndsTheBlock) {
    InputRun r(with_f("fbegin\n1 0 0 3 4 0.5\n   endf and more\n"));
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(r.st.totalf(), 2);
}

TEST(FBlock, EndOfFileInsideABlock) {
    InputRun f(replaced(base_input(), "endf\n", ""));
    EXPECT_EQ(f.out(),
              "Error, preliminary end of file detected.\n"
              "Error reading keyword fbegin.\n"
              "There were    1 errors in the input file.\n"
              "Please check the input file and try again.\n");
    InputRun r(base_input() + "gbegin\nggroup 5 1\n1 1 1\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.out(),
              "Error, preliminary end of file detected.\n"
              "Error reading keyword gbegin.\n"
              "There were    1 errors in the input file.\n"
              "Please check the input file and try again.\n");
}

TEST(FBlock, MaximumEntropyRunWithOnlyF000IsRefused) {
    for (const char* block : {"fbegin\nendf\n", "fbegin\n0 0 0 100 0 1\nendf\n"}) {
        InputRun r(with_f(block) + "gbegin\nggroup 5 1\n1 1 1\nendg\n");
        EXPECT_TRUE(r.stopped) << block;
        EXPECT_TRUE(r.said("Error, the F block of a maximum-entropy run must hold reflections besides F(000)!\n"));
    }
}

TEST(FBlock, DimensionAfterTheBlockThatChangesF000IsCaught) {
    // In pass 1 the line 0 0 0 1 looks like F(000) in three dimensions.
    std::string in = with_f("fbegin\n0 0 0 1 5 0 0.5\n1 0 0 0 3 4 0.5\nendf\n");
    in = replaced(replaced(in, "x1 x2 x3", "x1 x2 x3 x4"), "voxel 8 8 8", "voxel 8 8 8 8");
    InputRun r(in + "dimension 4\nqvectors\n0 0 0.5\nendqvectors\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error, the keyword dimension must stand before the fbegin block!\n"));
}

const std::string kG = "gbegin\nggroup 50.0 2.0\n1 1 0\n1 0 1\nggroup 20.0 1.0\n2 0 0\nendg\n";

TEST(GBlock, GroupValuesLiveInTheFirstMembers) {
    InputRun r(base_input() + kG);
    ASSERT_FALSE(r.stopped) << r.out();
    const auto& s = r.st;
    EXPECT_EQ(s.ggroups, 2);
    EXPECT_EQ(s.totalg(), 3);
    EXPECT_EQ(s.sec.g.start, 3);
    EXPECT_EQ(s.sec.g.end, 5);
    EXPECT_EQ(s.totalfg(), 5);
    EXPECT_EQ(s.gdiff(1), 2);
    EXPECT_EQ(s.gdiff(2), 1);
    const reftyp &m1 = s.refl(3), &m2 = s.refl(4), &m3 = s.refl(5);
    EXPECT_DOUBLE_EQ(m1.a, 50);
    EXPECT_DOUBLE_EQ(m1.f, 50);
    EXPECT_DOUBLE_EQ(m1.sigma, 2);
    EXPECT_DOUBLE_EQ(m1.weight, 0.25);
    EXPECT_EQ(m1.hklfg[8], 1);
    EXPECT_EQ(m1.hklfg[1], 1);
    EXPECT_DOUBLE_EQ(m2.a, 0);
    EXPECT_DOUBLE_EQ(m2.f, 0);
    EXPECT_DOUBLE_EQ(m2.weight, 0);
    EXPECT_EQ(m2.hklfg[8], 1);
    EXPECT_DOUBLE_EQ(m3.f, 20);
    EXPECT_EQ(m3.hklfg[8], 2);
    EXPECT_EQ(m3.hklfg[0], 2);
}

TEST(GBlock, MemberBeforeTheFirstGroupIsRefused) {
    InputRun r(base_input() + "gbegin\n1 1 0\nggroup 5 1\n1 0 1\nendg\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error in the gbegin block, a member line before the first ggroup line: 1 1 0\n"));
}

TEST(GBlock, GroupWithoutMembersIsRefused) {
    InputRun middle(base_input() + "gbegin\nggroup 5 1\nggroup 6 1\n1 0 1\nendg\n");
    EXPECT_TRUE(middle.said("the group before this line has no members: ggroup 6 1\n"));
    InputRun last(base_input() + "gbegin\nggroup 5 1\n1 0 1\nggroup 6 1\nendg\n");
    EXPECT_TRUE(last.said("the group before this line has no members: endg\n"));
}

TEST(GBlock, BadGroupLineIsRefused) {
    InputRun zero(base_input() + "gbegin\nggroup 5 0\n1 0 1\nendg\n");
    EXPECT_TRUE(zero.said("Error in the gbegin block, sigma must be positive: ggroup 5 0\n"));
    InputRun missing(base_input() + "gbegin\nggroup 5\n1 0 1\nendg\n");
    EXPECT_TRUE(missing.said("the ggroup line needs G and sigma: ggroup 5\n"));
    InputRun member(base_input() + "gbegin\nggroup 5 1\n1 a 1\nendg\n");
    EXPECT_TRUE(member.said("the member line needs the indices: 1 a 1\n"));
}

TEST(Blocks, RangesFollowTheOrderOfTheBlocks) {
    InputRun r(replaced(base_input(), kF, "extra\n1 1 1 2.0 -1.0\n2 2 2 0 0\nendextra\n" + kF) + kG);
    ASSERT_FALSE(r.stopped) << r.out();
    const auto& s = r.st;
    EXPECT_EQ(s.sec.extra.start, 1);
    EXPECT_EQ(s.sec.extra.end, 2);
    EXPECT_EQ(s.totalextra(), 2);
    EXPECT_EQ(s.sec.f.start, 3);
    EXPECT_EQ(s.sec.f.end, 4);
    EXPECT_EQ(s.sec.g.start, 5);
    EXPECT_EQ(s.sec.g.end, 7);
    EXPECT_EQ(s.totalfge(), 7);
    EXPECT_DOUBLE_EQ(s.refl(1).a, 2.0);
    EXPECT_DOUBLE_EQ(s.refl(1).b, -1.0);
    EXPECT_DOUBLE_EQ(s.refl(1).f, 0.0);
    EXPECT_DOUBLE_EQ(s.refl(1).weight, 0.0);
    EXPECT_DOUBLE_EQ(s.refl(3).a, 100.0);  // F(000)
}

TEST(Blocks, BadExtraLineIsRefused) {
    InputRun r(base_input() + "extra\n1 1 1 2.0\nendextra\n");
    EXPECT_TRUE(r.said("Error in the extra block, the line needs the indices, A and B: 1 1 1 2.0\n"));
}

}  // namespace
