// The keyword reader: comments, words, lines, value conversion, registration
// and the end-of-pass check.
#include <gtest/gtest.h>

#include "input/input_run.h"
#include "input/reader.h"
#include "run/console.h"

using namespace quilmo;
using quilmo_test::base_input;
using quilmo_test::InputRun;
using quilmo_test::replaced;

namespace {

std::string line132(const std::string& s) { return fixed(s, kLineLen); }

TEST(Comments, AnyCommentCharacterCutsTheLine) {
    input_module im;
    std::string t = line132("initialfile dens#ity.m81 ! remark");
    delcomments(im, t);
    EXPECT_EQ(trim(t), "initialfile dens");
    EXPECT_EQ(t.size(), kLineLen);
    t = line132("  ! only a remark");
    delcomments(im, t);
    EXPECT_TRUE(blank(t));
}

TEST(FirstWord, CutsTheWordAndLeftAdjustsTheRest) {
    std::string t = line132("  cell\t 10 10 10");
    EXPECT_EQ(trim(firstword(t, true)), "cell");
    EXPECT_EQ(trim(t), "10 10 10");
    std::string u = line132("  endf trailing text");
    EXPECT_EQ(trim(firstword(u, false)), "endf");
    EXPECT_EQ(trim(u), "endf trailing text");
}

TEST(FirstWord, WordReachingTheLastColumnYieldsNoWord) {
    std::string t = std::string(kLineLen - 4, ' ') + "cell";
    EXPECT_TRUE(blank(firstword(t, true)));
    std::string all = line132("");
    EXPECT_TRUE(blank(firstword(all, true)));
    EXPECT_TRUE(blank(all));
}

TEST(ValueConversion, StatusTellsMissingFromMalformed) {
    int i = 7, rc = 0;
    oneint(line132("12 extra"), i, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(i, 12);
    oneint(line132(""), i, rc);
    EXPECT_LT(rc, 0);
    oneint(line132("abc"), i, rc);
    EXPECT_GT(rc, 0);
    double v[3] = {};
    arrayreal(line132("1.5 2 3e1"), v, 3, rc);
    EXPECT_EQ(rc, 0);
    EXPECT_DOUBLE_EQ(v[2], 30.0);
    arrayreal(line132("1.5 2"), v, 3, rc);
    EXPECT_LT(rc, 0);
    int n[2] = {};
    arrayint(line132("4 2.5"), n, 2, rc);
    EXPECT_GT(rc, 0);
}

TEST(ValueConversion, YesNoAcceptsOnlyTheSmallWords) {
    bool b = false;
    int rc = 0;
    yesno(line132("yes"), b, rc);
    EXPECT_TRUE(b);
    EXPECT_EQ(rc, 0);
    yesno(line132("no  # remark"), b, rc);
    EXPECT_FALSE(b);
    for (const char* bad : {"YES", "y", "", "yesno"}) {
        b = true;
        yesno(line132(bad), b, rc);
        EXPECT_EQ(rc, kKeywordError) << bad;
        EXPECT_TRUE(b) << bad;
    }
}

TEST(Registration, SevenGroupsAndFiftyKeywordsInOrder) {
    input_module im;
    register_keywords(im);
    ASSERT_EQ(im.kwdgroupnr, 7);
    ASSERT_EQ(im.kwdnr, 50);
    EXPECT_EQ(trim(im.kwd[1].name), "perform");
    EXPECT_EQ(trim(im.kwd[16].endname), "endsymmetry");
    EXPECT_EQ(trim(im.kwd[29].name), "qvectors");
    EXPECT_EQ(trim(im.kwdgroup[im.kwd[29].group].name), "4D");
    EXPECT_EQ(trim(im.kwd[42].name), "gbegin");
    EXPECT_EQ(trim(im.kwd[44].name), "plancache");
    EXPECT_EQ(trim(im.kwd[47].name), "cff000");
    EXPECT_EQ(trim(im.kwd[50].name), "wavelength");
    EXPECT_TRUE(im.kwdgroup[3].status);   // mem
    EXPECT_FALSE(im.kwdgroup[4].status);  // flip
    flagkwdgroup(im, "nosuchgroup", true);
    flagkwdgroup(im, "flip", true);
    EXPECT_TRUE(im.kwdgroup[4].status);
}

TEST(ReadingLoop, CompleteBaseInputPassesBothPasses) {
    InputRun r(base_input());
    EXPECT_FALSE(r.stopped) << r.out() << r.stop;
    EXPECT_EQ(r.out(), "");
    EXPECT_FALSE(r.st.input.is_open());
}

TEST(ReadingLoop, IndentedKeywordWithRemarkIsRead) {
    InputRun r(replaced(base_input(), "cell 10 10 10 90 90 90", "  cell 5 6 7 90 95 120 # remark"));
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_DOUBLE_EQ(r.st.cell(2), 6.0);
    EXPECT_DOUBLE_EQ(r.st.cell(6), 120.0);
}

TEST(ReadingLoop, CapitalLetterIsNoKeyword) {
    InputRun r(replaced(base_input(), "cell ", "Cell "));
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.out(),
              "Error, the compulsory keyword cell is missing in the input file.\n"
              "There were    1 errors in the input file.\n"
              "Please check the input file and try again.\n");
}

TEST(ReadingLoop, KeywordThreeTimesIsCountedOnce) {
    InputRun r("title a\ntitle b\ntitle c\n" + base_input());
    EXPECT_TRUE(r.stopped);
    // base_input holds a fourth title line.
    EXPECT_TRUE(r.said("Error, keyword title occured  4 times in the input file.\n"));
    EXPECT_TRUE(r.said("There were    1 errors in the input file.\n"));
}

TEST(ReadingLoop, BadIntegerIsAKeywordError) {
    for (const char* value : {"memcheck abc", "memcheck"}) {
        InputRun r(base_input() + value + "\n");
        EXPECT_TRUE(r.stopped);
        EXPECT_EQ(r.out(),
                  "Error reading keyword memcheck.\n"
                  "There were    1 errors in the input file.\n"
                  "Please check the input file and try again.\n")
            << value;
    }
}

TEST(ReadingLoop, OnlyCommentsReportsEveryCompulsoryKeyword) {
    InputRun r("# nothing\n\n   ! here\n");
    EXPECT_TRUE(r.stopped);
    for (const char* k : {"cell", "voxel", "electrons", "initialdensity", "symmetry", "centro",
                          "algorithm", "fbegin"})
        EXPECT_TRUE(r.said(std::string("Error, the compulsory keyword ") + k + " is missing"));
    EXPECT_TRUE(r.said("There were    8 errors in the input file.\n"));
}

TEST(ReadingLoop, CharactersAfterColumn132AreNotRead) {
    const std::string title = "title " + std::string(126, 'a') + "TAIL";
    InputRun r(replaced(base_input(), "title test", title));
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(trim(r.st.title), std::string(126, 'a'));
}

TEST(ReadingLoop, ComplaintsOfOnePassComeTogether) {
    InputRun r(base_input() + "centro maybe\nBiso x\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error reading keyword centro.\nError reading keyword Biso.\n"));
    EXPECT_TRUE(r.said("There were    3 errors"));  // centro is also given twice
}

}  // namespace
