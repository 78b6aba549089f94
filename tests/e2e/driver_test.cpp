// The program's start: title, run-file names, cycle limit, exit status.
#include <gtest/gtest.h>

#include "support/e2e.h"

using quilmo_test::run_quilmo;
using quilmo_test::TempDir;

namespace {

const std::string kPrompt =
    "Please insert the filetitel without \".Quilmo\" of your datafile (max.  264 chars): ";

TEST(ProgramStart, PromptsUntilATitleIsTyped) {
    TempDir dir;
    auto r = run_quilmo(dir, {}, "\n \t \n  abc\n");
    // Two refused answers, then abc (leading blanks removed) names the input.
    std::string refused = "\n" + kPrompt + "\nNo filetitle given! Try again...\n\n";
    EXPECT_EQ(r.out, refused + refused + "\n" + kPrompt + "\n" +
                         "Error opening input file. Check the access rights!\n"
                         "abc.Quilmo: No such file or directory\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(dir.exists("abc.QLlog"));
}

TEST(ProgramStart, ClosedConsoleWithoutTitleStopsInsteadOfLooping) {
    TempDir dir;
    auto r = run_quilmo(dir, {}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("STOP "), std::string::npos);
}

TEST(ProgramStart, MissingInputFileEndsWithStatusOneAndAnEmptyLog) {
    TempDir dir;
    auto r = run_quilmo(dir, {"abc"});
    EXPECT_EQ(r.out, "Error opening input file. Check the access rights!\n"
                     "abc.Quilmo: No such file or directory\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    ASSERT_TRUE(dir.exists("abc.QLlog"));
    EXPECT_EQ(dir.read("abc.QLlog"), "");
    EXPECT_FALSE(dir.exists("getreclen.tmp"));
}

TEST(ProgramStart, NegativeCycleLimitStops) {
    TempDir dir;
    auto r = run_quilmo(dir, {"abc", "-1"});
    EXPECT_EQ(r.err, "STOP Error: Number of cycles must be positive integer!\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ProgramStart, CycleLimitThatIsNoIntegerStops) {
    TempDir dir;
    for (const char* arg : {"many", "12.5", "10 cycles"}) {
        auto r = run_quilmo(dir, {"abc", arg});
        EXPECT_EQ(r.err, "STOP Error: The number of cycles (second argument) must be an integer!\n")
            << arg;
        EXPECT_EQ(r.status, 1);
    }
}

TEST(ProgramStart, AcceptedCycleLimitsGoOnToTheInputFile) {
    TempDir dir;
    for (const char* arg : {"0", "500", "  7"}) {
        auto r = run_quilmo(dir, {"abc", arg});
        EXPECT_EQ(r.out, "Error opening input file. Check the access rights!\n"
                         "abc.Quilmo: No such file or directory\n")
            << arg;
        EXPECT_EQ(r.err, "");
    }
}

TEST(ProgramStart, StaleCommandFileIsRemovedBeforeTheInputIsRead) {
    TempDir dir;
    dir.write("abc.QLcom", "STOP\n");
    run_quilmo(dir, {"abc"});
    EXPECT_FALSE(dir.exists("abc.QLcom"));
}

TEST(ProgramStart, OverlongTitleIsRefused) {
    TempDir dir;
    auto r = run_quilmo(dir, {std::string(300, 'a')});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "STOP Error: The file title is too long (at most 256 characters)!\n");
}

}  // namespace
