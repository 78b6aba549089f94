// The input file read by the real program: messages on the console, stops
// on the error output and the exit status.
#include <gtest/gtest.h>

#include "support/e2e.h"

using quilmo_test::run_quilmo;
using quilmo_test::RunResult;
using quilmo_test::TempDir;

namespace {

const std::string kBase =
    "title e2e\n"
    "cell 10 10 10 90 90 90\n"
    "voxel 8 8 8\n"
    "electrons 100\n"
    "initialdensity flat\n"
    "algorithm S-S\n"
    "outputformat QLbinary\n"
    "centro no\n"
    "symmetry\n"
    "x1 x2 x3\n"
    "endsymmetry\n"
    "fbegin\n"
    "1 0 0 10.0 0.0 0.5\n"
    "endf\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto p = text.find(from);
    if (p != std::string::npos) text.replace(p, from.size(), to);
    return text;
}

RunResult run(const std::string& input) {
    TempDir dir;
    dir.write("run.Quilmo", input);
    return run_quilmo(dir, {"run"});
}

std::string summary(int n) {
    std::string count = std::to_string(n);
    return "There were " + std::string(4 - count.size(), ' ') + count +
           " errors in the input file.\nPlease check the input file and try again.\n";
}

TEST(InputFile, CompleteInputEndsNormally) {
    auto r = run(kBase);
    EXPECT_EQ(r.out.find("Error"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(InputFile, KeywordGivenThreeTimes) {
    auto r = run(replaced(kBase, "title e2e\n", "title a\ntitle b\ntitle c\n"));
    EXPECT_EQ(r.out, "Error, keyword title occured  3 times in the input file.\n" + summary(1));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
}

TEST(InputFile, MissingCompulsoryKeywordOfEachSwitchableGroup) {
    const std::string no_mem =
        replaced(replaced(replaced(kBase, "electrons 100\n", ""), "initialdensity flat\n", ""), "algorithm S-S\n", "");
    struct Case {
        std::string input, keyword;
    };
    const Case cases[] = {
        {replaced(kBase, "electrons 100\n", ""), "electrons"},
        {no_mem + "perform CF\n", "delta"},
        {replaced(kBase, "x1 x2 x3", "x1 x2 x3 x4") + "dimension 4\n", "qvectors"},
        {replaced(kBase, "initialdensity flat", "initialdensity QLascii"), "initialfile"},
        {kBase + "referencedensity jana\n", "referencefile"},
    };
    for (const Case& c : cases) {
        auto r = run(c.input);
        EXPECT_EQ(r.out, "Error, the compulsory keyword " + c.keyword + " is missing in the input file.\n" +
                             summary(1))
            << c.keyword;
        EXPECT_EQ(r.status, 1);
    }
}

TEST(InputFile, KeywordValueErrors) {
    struct Case {
        std::string line, messages;
    };
    const Case cases[] = {
        {"perform mem", "Error reading keyword perform.\n"},
        {"conweight X2", "Incorrect definition of conweight!\nError reading keyword conweight.\n"},
        {"conweight H51",
         "The absolute value of the power in conweight must be smaller than 50!\nError reading keyword conweight.\n"},
        {"delta 0.8 percent", "Error: Keyword delta not properly defined!!!\nError reading keyword delta.\n"},
    };
    for (const Case& c : cases) {
        auto r = run(kBase + c.line + "\n");
        EXPECT_EQ(r.out, c.messages + summary(1)) << c.line;
        EXPECT_EQ(r.status, 1);
    }
    auto ok = run(kBase + "conweight H50\n");
    EXPECT_EQ(ok.out.find("Error"), std::string::npos) << ok.out;
    EXPECT_EQ(ok.status, 0);
}

TEST(InputFile, PriorSfWithOneValueStops) {
    auto r = run(kBase + "priorsf 0.1\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "STOP Error. No maximal sin(theta)/lambda in the keyword priorsf!\n");
    EXPECT_EQ(r.status, 1);
}

TEST(InputFile, FBlockEndingAtEndOfFile) {
    auto r = run(replaced(kBase, "endf\n", ""));
    EXPECT_EQ(r.out, "Error, preliminary end of file detected.\nError reading keyword fbegin.\n" + summary(1));
    EXPECT_EQ(r.status, 1);
}

TEST(InputFile, OperatorStops) {
    auto whole = run(replaced(kBase, "x1 x2 x3", "x1+1/1 x2 x3"));
    EXPECT_EQ(whole.err, "STOP Symmetry data not consistent: Translationvector => 1?\n");
    EXPECT_EQ(whole.status, 1);
    auto four = run("dimension 4\n" + replaced(kBase, "voxel 8 8 8", "voxel 8 8 8 8") +
                    "qvectors\n0 0 0.5\nendqvectors\n");
    EXPECT_EQ(four.err, "STOP Fatal error: Not enough data in symmetry line !!!\n");
    EXPECT_EQ(four.status, 1);
    auto malformed = run(replaced(kBase, "x1 x2 x3", "x1 x2 x3+1/"));
    EXPECT_EQ(malformed.err,
              "STOP Error in the symmetry operator \"x1 x2 x3+1/\", word \"x3+1/\": a / must be followed "
              "by the digits of a denominator!\n");
}

TEST(InputFile, CentersWithoutEndKeyword) {
    auto r = run(kBase + "centers\n1/2 1/2 0\n");
    EXPECT_EQ(r.out,
              "Error, end of file detected during reading.\nError reading keyword centers.\n" + summary(1));
    EXPECT_EQ(r.status, 1);
}

TEST(InputFile, QVectorsWithTooFewLines) {
    std::string in = replaced(kBase, "x1 x2 x3", "x1 x2 x3 x4 x5");
    in = replaced(in, "voxel 8 8 8", "voxel 8 8 8 4 4");
    in = replaced(in, "1 0 0 10.0", "1 0 0 1 0 10.0");
    auto r = run("dimension 5\n" + in + "qvectors\n0 0 0.5\nendqvectors\n");
    EXPECT_EQ(r.out,
              "Error - endqvectors detected prematurely.\n2 qvectors expected.\n"
              "Error reading keyword qvectors.\n" +
                  summary(1));
    EXPECT_EQ(r.status, 1);
}

TEST(InputFile, AlgorithmSettings) {
    TempDir dir;
    dir.write("run.Quilmo", replaced(kBase, "algorithm S-S", "algorithm S-S 0 1.0"));
    auto ss = run_quilmo(dir, {"run"});
    EXPECT_EQ(ss.out, "Error! Lambda must not be equal to zero or must be AUTO!\n");
    EXPECT_EQ(ss.err, "");
    EXPECT_EQ(ss.status, 1);
    EXPECT_EQ(dir.read("run.QLlog"), "Error reading algorithmic settings!\r\n");

    auto memsys = run(replaced(kBase, "algorithm S-S", "algorithm MEMSys 2 1 1.0 1.0 0.5"));
    EXPECT_EQ(memsys.out, "Error! The value of METHOD(0) must be either 1 or 4!\n");
    EXPECT_EQ(memsys.status, 1);
}

TEST(InputFile, BadSigmaIsNamedWithItsLine) {
    auto r = run(replaced(kBase, "1 0 0 10.0 0.0 0.5", "1 0 0 10.0 0.0 0.0"));
    EXPECT_EQ(r.out,
              "Error in the fbegin block, sigma must be positive: 1 0 0 10.0 0.0 0.0\n"
              "Error reading keyword fbegin.\n" +
                  summary(1));
    EXPECT_EQ(r.status, 1);
}

}  // namespace
