#include <gtest/gtest.h>

#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {
namespace {

TEST(TextHelpers, TrimmingAndBlanks) {
    EXPECT_EQ(idel(std::string(10, ' ')), 0);
    EXPECT_EQ(idel(""), 0);
    EXPECT_EQ(idel("ab        "), 2);
    EXPECT_EQ(idel("ab\t "), 3);  // a tab is a character, not padding
    EXPECT_EQ(idel(std::string("a\0 ", 3)), 2);
    EXPECT_EQ(trim(" ab  "), " ab");
    EXPECT_TRUE(blank("   "));
    EXPECT_FALSE(blank(" \t"));
    EXPECT_EQ(fixed("abc", 5), "abc  ");
    EXPECT_EQ(fixed("abcdef", 3), "abc");
    EXPECT_TRUE(same_text("Cell  ", "Cell"));
    EXPECT_FALSE(same_text("cell", "Cell"));
    EXPECT_FALSE(same_text(" Cell", "Cell"));
}

TEST(TextHelpers, SpaceErase) {
    std::string s = "  \tx1  ";
    spaceerase(s);
    EXPECT_EQ(s, "x1     ");
    std::string b = "    ";
    spaceerase(b);
    EXPECT_EQ(b, "    ");
    std::string n = "x y";
    spaceerase(n);
    EXPECT_EQ(n, "x y");
}

TEST(TextHelpers, DataLength) {
    std::string line = "1/2 1/2 0   ";
    std::string word = "old";
    datalength(line, word);
    EXPECT_EQ(word, fixed("1/2", 132));
    EXPECT_EQ(line, " 1/2 0      ");
    std::string tabbed = "ab\tcd";
    datalength(tabbed, word);
    EXPECT_EQ(trim(word), "ab");
    EXPECT_EQ(tabbed, "\tcd  ");
    // A leading separator: blank word, text unchanged.
    std::string lead = " x";
    datalength(lead, word);
    EXPECT_TRUE(blank(word));
    EXPECT_EQ(word.size(), 132u);
    EXPECT_EQ(lead, " x");
    // No separator at all: nothing changes.
    std::string one = "word";
    word = "keep";
    datalength(one, word);
    EXPECT_EQ(one, "word");
    EXPECT_EQ(word, "keep");
}

TEST(TextHelpers, NextPos) {
    EXPECT_EQ(nextpos("x,y,z", ','), 2);
    EXPECT_EQ(nextpos("xyz", ','), -1);
    EXPECT_EQ(nextpos("", ','), -1);
}

TEST(TextHelpers, NumberLengthLeft) {
    // The coefficient in front of the x.
    EXPECT_EQ(numberlength("x1", 'l', 1), 1);
    EXPECT_EQ(numberlength("-x1", 'l', 2), -1);
    EXPECT_EQ(numberlength("+x1", 'l', 2), 1);
    EXPECT_EQ(numberlength("2x1", 'l', 2), 2);
    EXPECT_EQ(numberlength("-2x1", 'l', 3), -2);
    EXPECT_EQ(numberlength("x2-3x1", 'l', 5), -3);
    EXPECT_EQ(numberlength("x2+12x1", 'l', 6), 12);
    EXPECT_EQ(numberlength("-1/2", 'l', 3), -1);
    EXPECT_EQ(numberlength("1/2", 'l', 2), 1);
    EXPECT_EQ(numberlength("ab/2", 'l', 3), 1);  // only other characters before
}

TEST(TextHelpers, NumberLengthRight) {
    EXPECT_EQ(numberlength("1/3   ", 'r', 2), 3);
    EXPECT_EQ(numberlength("-1/2,x", 'r', 3), 2);
    EXPECT_EQ(numberlength("1/12 ", 'r', 2), 12);
    EXPECT_EQ(numberlength("1/x", 'r', 2), 0);  // an empty field reads as 0
    EXPECT_EQ(numberlength("1/3", 'r', 2), 1);  // digits up to the end: stays 1
}

TEST(TextHelpers, NumberLengthMalformedStops) {
    // A fraction written straight before an x: "1/2x" read left of the x
    // finds the digits "1/2".
    EXPECT_THROW(numberlength("1/2x", 'l', 4), RunStop);
    try {
        numberlength("a+1/2x", 'l', 6);
        FAIL();
    } catch (const RunStop& e) {
        EXPECT_NE(std::string(e.what()).find("a+1/2x"), std::string::npos);
    }
}

}  // namespace
}  // namespace quilmo
