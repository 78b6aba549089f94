#include <gtest/gtest.h>

#include <stdexcept>

#include "textio/format.h"

namespace quilmo {
namespace {

TEST(FormatRead, Integers) {
    int v = -5;
    EXPECT_EQ(fparse("(i2)", " 7", {v}), kReadOk);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(fparse("(i2)", "  ", {v}), kReadOk);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(fparse("(i2)", "7x", {v}), kReadError);
    EXPECT_EQ(fparse("(I4)", "-1 2", {v}), kReadOk);  // blanks inside are ignored
    EXPECT_EQ(v, -12);
    EXPECT_EQ(fparse("(I3)", "+5", {v}), kReadOk);  // short record padded with blanks
    EXPECT_EQ(v, 5);
    EXPECT_EQ(fparse("(I3)", "", {v}), kReadOk);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(fparse("(I3)", " - ", {v}), kReadError);
    EXPECT_EQ(fparse("(I3)", "1.5", {v}), kReadError);
    EXPECT_EQ(fparse("(I12)", "99999999999", {v}), kReadError);  // beyond 32 bits
}

TEST(FormatRead, Reals) {
    double x = -1;
    EXPECT_EQ(fparse("(D14.0)", "0.25", {x}), kReadOk);
    EXPECT_DOUBLE_EQ(x, 0.25);
    EXPECT_EQ(fparse("(D14.0)", "25", {x}), kReadOk);
    EXPECT_DOUBLE_EQ(x, 25.0);
    EXPECT_EQ(fparse("(F6.2)", "  1234", {x}), kReadOk);  // implied decimals
    EXPECT_DOUBLE_EQ(x, 12.34);
    EXPECT_EQ(fparse("(F6.2)", "  12.3", {x}), kReadOk);  // a point overrides them
    EXPECT_DOUBLE_EQ(x, 12.3);
    EXPECT_EQ(fparse("(E10.3)", " 1.5E+02", {x}), kReadOk);
    EXPECT_DOUBLE_EQ(x, 150.0);
    EXPECT_EQ(fparse("(E10.3)", "-1.5d-2", {x}), kReadOk);
    EXPECT_DOUBLE_EQ(x, -0.015);
    EXPECT_EQ(fparse("(E10.3)", "1.5-3", {x}), kReadOk);  // exponent by a bare sign
    EXPECT_DOUBLE_EQ(x, 0.0015);
    EXPECT_EQ(fparse("(ES10.3)", "15e1", {x}), kReadOk);  // implied decimals, then exponent
    EXPECT_DOUBLE_EQ(x, 0.15);
    EXPECT_EQ(fparse("(F8.0)", "        ", {x}), kReadOk);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(fparse("(F8.3)", "0.1", {x}), kReadOk);
    EXPECT_EQ(x, 0.1);  // correctly rounded, not 1 * 10^-1 computed in steps
    EXPECT_EQ(fparse("(F8.0)", "1.2.3", {x}), kReadError);
    EXPECT_EQ(fparse("(F8.0)", "1.5E", {x}), kReadError);
    EXPECT_EQ(fparse("(F8.0)", ".", {x}), kReadError);
    EXPECT_EQ(fparse("(F8.0)", "abc", {x}), kReadError);
    EXPECT_EQ(fparse("(F8.0)", "1e999", {x}), kReadError);
}

TEST(FormatRead, TextSkipsArraysAndRecords) {
    std::string s, t;
    int a[3] = {0, 0, 0};
    double r = 0;
    EXPECT_EQ(fparse("(A4,2X,3I2,F5.1)", "abcdXX 1 2 3  2.5", {s, ReadTarget::array(a, 3), r}), kReadOk);
    EXPECT_EQ(s, "abcd");
    EXPECT_EQ(a[0] + a[1] * 10 + a[2] * 100, 321);
    EXPECT_DOUBLE_EQ(r, 2.5);
    EXPECT_EQ(fparse("(A6)", "ab", {s}), kReadOk);
    EXPECT_EQ(s, "ab    ");
    EXPECT_EQ(fparse("(I2,A)", " 1rest of it", {a[0], t}), kReadOk);
    EXPECT_EQ(t, "rest of it");
    // A format that needs a second record cannot be satisfied by one.
    EXPECT_EQ(fparse("(I2/I2)", " 1", {a[0], a[1]}), kReadEnd);
    EXPECT_EQ(fparse("(I2)", " 1 2", {a[0], a[1]}), kReadEnd);
    EXPECT_THROW(fparse("(I2)", " 1", {s}), std::invalid_argument);
    EXPECT_THROW(fparse("(A2)", " 1", {r}), std::invalid_argument);
}

TEST(ListRead, SeparatorsAndTypes) {
    int i = 0, j = 0;
    double x = 0;
    std::string w;
    EXPECT_EQ(listread("  12 \t-3.5e2  word", {i, x, w}), kReadOk);
    EXPECT_EQ(i, 12);
    EXPECT_DOUBLE_EQ(x, -350.0);
    EXPECT_EQ(w, "word");
    EXPECT_EQ(listread("4 , 5", {i, j}), kReadOk);
    EXPECT_EQ(i * 10 + j, 45);
    EXPECT_EQ(listread("6,7", {i, j}), kReadOk);
    EXPECT_EQ(i * 10 + j, 67);
    EXPECT_EQ(listread("2 1.5D-1", {x, x}), kReadOk);
    EXPECT_DOUBLE_EQ(x, 0.15);
    EXPECT_EQ(listread("3", {x}), kReadOk);
    EXPECT_DOUBLE_EQ(x, 3.0);
    EXPECT_EQ(listread("'two words' \"it's\"", {w, w}), kReadOk);
    EXPECT_EQ(w, "it's");
    EXPECT_EQ(listread("'don''t'", {w}), kReadOk);
    EXPECT_EQ(w, "don't");
    EXPECT_EQ(listread("ab,cd", {w}), kReadOk);
    EXPECT_EQ(w, "ab");
}

TEST(ListRead, SlashNullsAndRepeats) {
    int a[4] = {9, 9, 9, 9};
    EXPECT_EQ(listread("1 2 / 3", {ReadTarget::array(a, 4)}), kReadOk);
    EXPECT_EQ(a[0] * 1000 + a[1] * 100 + a[2] * 10 + a[3], 1299);
    EXPECT_EQ(listread("5,,6", {ReadTarget::array(a, 3)}), kReadOk);
    EXPECT_EQ(a[0] * 100 + a[1] * 10 + a[2], 526);
    EXPECT_EQ(listread(",7", {ReadTarget::array(a, 2)}), kReadOk);
    EXPECT_EQ(a[0] * 10 + a[1], 57);
    EXPECT_EQ(listread("3*4 8", {ReadTarget::array(a, 4)}), kReadOk);
    EXPECT_EQ(a[0] * 1000 + a[1] * 100 + a[2] * 10 + a[3], 4448);
    EXPECT_EQ(listread("1 2*,3", {ReadTarget::array(a, 4)}), kReadOk);  // r* = r nulls
    EXPECT_EQ(a[0] * 1000 + a[1] * 100 + a[2] * 10 + a[3], 1443);
    EXPECT_EQ(listread("2* 0 0", {ReadTarget::array(a, 4)}), kReadOk);
    EXPECT_EQ(a[0] * 1000 + a[1] * 100 + a[2] * 10 + a[3], 1400);
    std::string u = "old", v = "old";
    EXPECT_EQ(listread("2*'x y'", {u, v}), kReadOk);
    EXPECT_EQ(u + v, "x yx y");
    EXPECT_EQ(listread("/", {u}), kReadOk);
    EXPECT_EQ(u, "x y");
}

TEST(ListRead, EndAndError) {
    int i = 0, j = 0;
    double x = 0;
    std::string w;
    EXPECT_EQ(listread("", {i}), kReadEnd);
    EXPECT_EQ(listread("   ", {i}), kReadEnd);
    EXPECT_EQ(listread("1", {i, j}), kReadEnd);
    EXPECT_EQ(listread("1,", {i, j}), kReadEnd);
    EXPECT_EQ(listread("1.5", {i}), kReadError);
    EXPECT_EQ(listread("abc", {x}), kReadError);
    EXPECT_EQ(listread("1.0x", {x}), kReadError);
    EXPECT_EQ(listread("'abc", {w}), kReadError);
    EXPECT_EQ(listread("'abc'd", {w}), kReadError);
    EXPECT_EQ(listread("'5'", {i}), kReadError);
    EXPECT_EQ(listread("0*5", {i}), kReadError);
    EXPECT_EQ(listread("1 2 3", {i}), kReadOk);  // values beyond the items are ignored
}

}  // namespace
}  // namespace quilmo
