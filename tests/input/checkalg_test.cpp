// The algorithm settings and the other checks after pass 1.
#include <gtest/gtest.h>

#include "input/input_run.h"

using namespace quilmo;
using quilmo_test::base_input;
using quilmo_test::InputRun;
using quilmo_test::replaced;

namespace {

InputRun with_algorithm(const std::string& settings, const std::string& more = "") {
    return InputRun(replaced(base_input(), "algorithm S-S", "algorithm " + settings) + more);
}

const char* kLogError = "Error reading algorithmic settings!\r\n";

TEST(CheckAlg, SakataSatoDefaultsAndValues) {
    InputRun plain = with_algorithm("S-S");
    ASSERT_FALSE(plain.stopped);
    EXPECT_EQ(plain.st.algorithm, 1);
    EXPECT_DOUBLE_EQ(plain.st.lambda, 0);
    EXPECT_DOUBLE_EQ(plain.st.aim, 1.0);
    InputRun automatic = with_algorithm("S-S AUTO 1.5");
    ASSERT_FALSE(automatic.stopped);
    EXPECT_DOUBLE_EQ(automatic.st.aim, 1.5);
    InputRun fixed_lambda = with_algorithm("S-S -0.02 0.8");
    ASSERT_FALSE(fixed_lambda.stopped);
    EXPECT_DOUBLE_EQ(fixed_lambda.st.lambda, -0.02);
}

TEST(CheckAlg, SakataSatoErrors) {
    InputRun zero = with_algorithm("S-S 0 1.0");
    EXPECT_TRUE(zero.stopped);
    EXPECT_EQ(zero.out(), "Error! Lambda must not be equal to zero or must be AUTO!\n");
    EXPECT_EQ(zero.log(), kLogError);
    InputRun aim = with_algorithm("S-S AUTO -1");
    EXPECT_EQ(aim.out(), "Error! The aim value must be positive!\n");
    InputRun missing = with_algorithm("S-S AUTO");
    EXPECT_TRUE(missing.stopped);
    EXPECT_EQ(missing.out(), "");
    EXPECT_EQ(missing.log(), kLogError);
}

TEST(CheckAlg, MemSysValues) {
    InputRun ok = with_algorithm("MEMSys 4 1 1.0 1.0 1.0");
    ASSERT_FALSE(ok.stopped) << ok.out();
    EXPECT_EQ(ok.st.algorithm, 2);
    EXPECT_DOUBLE_EQ(ok.st.utol, 1.0);
    InputRun defaults = with_algorithm("MEMSys");
    ASSERT_FALSE(defaults.stopped);
    EXPECT_EQ(defaults.st.method[0], 4);
    EXPECT_EQ(defaults.st.nrand, 1);
    EXPECT_EQ(defaults.st.utol, static_cast<double>(0.05f));
}

TEST(CheckAlg, MemSysChecksGoOnAfterAFailure) {
    InputRun method = with_algorithm("MEMSys 2 1 1.0 1.0 0.5");
    EXPECT_TRUE(method.stopped);
    EXPECT_EQ(method.out(), "Error! The value of METHOD(0) must be either 1 or 4!\n");
    EXPECT_EQ(method.log(), kLogError);
    InputRun several = with_algorithm("MEMSys 1 0 -1 0 2");
    EXPECT_EQ(several.out(),
              "Error! The value of NRAND must be (small) positive integer!\n"
              "Error! The AIM value must be positive!\n");
    EXPECT_EQ(several.log(),
              "Error! The RATE value must be positive!\r\n"
              "Error! The UTOL value must be positive and lower than 1!\r\n" +
                  std::string(kLogError));
    InputRun word = with_algorithm("MEMSys 4 x 1.0 1.0 1.0");
    EXPECT_TRUE(word.stopped);
    EXPECT_EQ(word.out(), "");
}

TEST(CheckAlg, NameMustStandFirst) {
    for (const char* s : {"SS", "memsys", "AUTO S-S"}) {
        InputRun r = with_algorithm(s);
        EXPECT_TRUE(r.stopped) << s;
        EXPECT_EQ(r.out(), "Error! The string specifying the algorithm must be either S-S or MEMSys!\n");
    }
}

TEST(CheckAlg, DualTakesAnOptionalAim) {
    InputRun plain = with_algorithm("DUAL");
    ASSERT_FALSE(plain.stopped) << plain.out();
    EXPECT_EQ(plain.st.algorithm, 3);
    EXPECT_DOUBLE_EQ(plain.st.aim, 1.0);
    InputRun aim = with_algorithm("DUAL 0.8");
    ASSERT_FALSE(aim.stopped) << aim.out();
    EXPECT_DOUBLE_EQ(aim.st.aim, 0.8);
    // The conweight note goes with the settings of the log report.
    InputRun weighted = with_algorithm("DUAL", "conweight F2\n");
    ASSERT_FALSE(weighted.stopped) << weighted.out();
    EXPECT_NE(weighted.log().find("    The constraint weighting has no effect on DUAL."), std::string::npos);
    for (const char* bad : {"DUAL 0", "DUAL -1", "DUAL x"}) {
        InputRun r = with_algorithm(bad);
        EXPECT_TRUE(r.stopped) << bad;
        EXPECT_EQ(r.log(), kLogError) << bad;
    }
}

TEST(CheckAlg, DualRefusesWhatItCannotSolveAndPointsToSakataSato) {
    const std::string text =
        "Error! Algorithm DUAL works with one density channel, F-constraints of order 2 and a flat or "
        "file prior only (no G-constraints, priorsf, 2channel or conorder other than 2). Use S-S for "
        "this input!";
    for (const char* more : {"gbegin\nggroup 5 1\n1 1 1\nendg\n", "priorsf 0.1 0.5\n", "2channel yes\n",
                             "conorder 4\n"}) {
        InputRun r = with_algorithm("DUAL", more);
        EXPECT_TRUE(r.stopped) << more;
        EXPECT_EQ(r.out(), text + "\n") << more;
        EXPECT_EQ(r.log(), text + "\r\n") << more;
    }
    // A priorsf range that is empty adds no prior structure factors.
    InputRun empty = with_algorithm("DUAL", "priorsf 0.5 0.1\n");
    EXPECT_FALSE(empty.stopped) << empty.out();
}

TEST(CheckAlg, OnlyForMaximumEntropyRuns) {
    std::string in = replaced(base_input(), "algorithm S-S", "algorithm nonsense");
    InputRun cf(in + "perform CF\ndelta AUTO\n");
    EXPECT_FALSE(cf.stopped) << cf.out();
    EXPECT_EQ(cf.st.algorithm, 0);
}

TEST(AfterPass1, DimensionsAndConstraintOrder) {
    InputRun dims(base_input() + "realdimension 4\n");
    EXPECT_TRUE(dims.stopped);
    EXPECT_EQ(dims.out(), "Realdimension is greater than superdimension!!! Stopping...\n");
    InputRun order = with_algorithm("MEMSys", "conorder 4\n");
    EXPECT_EQ(order.out(), "Error, various constraint orders work with Sakata-Sato algoritm only! Stopping.\n");
}

TEST(AfterPass1, ArraysHaveTheirRanges) {
    InputRun r(base_input() + "gbegin\nggroup 5 1\n1 1 1\nendg\n");
    ASSERT_FALSE(r.stopped) << r.out();
    const auto& s = r.st;
    EXPECT_EQ(s.refl.lbound(), 1);
    EXPECT_EQ(s.refl.ubound(), s.totalfge() + 1);
    EXPECT_EQ(s.gdiff.ubound(), 1);
    EXPECT_EQ(s.gcalc.size(), 1);
    EXPECT_EQ(s.sumgm.size(), 1);
    EXPECT_EQ(s.nvox.size(), 3);
    EXPECT_EQ(s.wrf.size(), 3);
    EXPECT_EQ(s.qvec.size(), 0);
    EXPECT_EQ(s.ncellpar, 6);
    EXPECT_EQ(s.cellcon, 7);
    EXPECT_EQ(s.cell.ubound(), 7);
    EXPECT_EQ(s.ddim, 0);
}

}  // namespace
