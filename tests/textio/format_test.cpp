#include <gtest/gtest.h>

#include <stdexcept>

#include "textio/format.h"

namespace quilmo {
namespace {

std::string f(std::string_view fmt, const FmtItems& items) { return fformat(fmt, items, true, "\n"); }

TEST(FormatWrite, Integers) {
    EXPECT_EQ(f("(I3)", {1000}), "***\n");
    EXPECT_EQ(f("(I3)", {-99}), "-99\n");
    EXPECT_EQ(f("(I3)", {-100}), "***\n");
    EXPECT_EQ(f("(I5)", {42}), "   42\n");
    EXPECT_EQ(f("(i2.2)", {5}), "05\n");
    EXPECT_EQ(f("(I4.3)", {-7}), "-007\n");
    EXPECT_EQ(f("(I3.3)", {-7}), "***\n");
    EXPECT_EQ(f("(I3.0)", {0}), "   \n");
}

TEST(FormatWrite, TextAndLiterals) {
    EXPECT_EQ(f("(A)", {"ab "}), "ab \n");
    EXPECT_EQ(f("(A5)", {"ab"}), "   ab\n");
    EXPECT_EQ(f("(A2)", {"abcd"}), "ab\n");
    EXPECT_EQ(f("('it''s',1X,A)", {"x"}), "it's x\n");
    EXPECT_EQ(f("(\"q\",A)", {"x"}), "qx\n");
    EXPECT_EQ(f("(L3,L1)", {FmtItem::logical(true), FmtItem::logical(false)}), "  TF\n");
}

TEST(FormatWrite, FixedPoint) {
    EXPECT_EQ(f("(F10.5)", {-0.000001}), "  -0.00000\n");
    EXPECT_EQ(f("(f10.5)", {3.14159265}), "   3.14159\n");
    EXPECT_EQ(f("(F5.1)", {0.25}), "  0.3\n");   // an exact tie goes away from zero
    EXPECT_EQ(f("(F5.1)", {-0.25}), " -0.3\n");
    EXPECT_EQ(f("(F5.2)", {0.125}), " 0.13\n");
    EXPECT_EQ(f("(F5.0)", {2.5}), "   3.\n");
    EXPECT_EQ(f("(F5.1)", {0.35}), "  0.3\n");   // 0.35 is 0.34999...
    EXPECT_EQ(f("(F5.1)", {0.45}), "  0.5\n");   // 0.45 is 0.45000000000000001...
    EXPECT_EQ(f("(F4.3)", {0.5}), ".500\n");     // no room for the leading zero
    EXPECT_EQ(f("(F5.3)", {-0.5}), "-.500\n");
    EXPECT_EQ(f("(F5.3)", {0.5}), "0.500\n");
    EXPECT_EQ(f("(F4.1)", {123.4}), "****\n");
    EXPECT_EQ(f("(F4.0)", {12.0}), " 12.\n");
    EXPECT_EQ(f("(F6.2)", {-0.0}), "  0.00\n");
    EXPECT_EQ(f("(F6.2)", {3}), "  3.00\n");  // an integer under F is its real value
}

TEST(FormatWrite, Exponents) {
    EXPECT_EQ(f("(ES13.6)", {0.0}), " 0.000000E+00\n");
    EXPECT_EQ(f("(ES13.6)", {123.456}), " 1.234560E+02\n");
    EXPECT_EQ(f("(es12.3)", {-1.0e-200}), "  -1.000-200\n");
    EXPECT_EQ(f("(E12.4)", {123.456}), "  0.1235E+03\n");
    EXPECT_EQ(f("(E10.4)", {123.456}), "0.1235E+03\n");
    EXPECT_EQ(f("(E9.4)", {123.456}), ".1235E+03\n");
    EXPECT_EQ(f("(E9.4)", {-123.456}), "*********\n");
    EXPECT_EQ(f("(E10.3)", {1e100}), " 0.100+101\n");
    EXPECT_EQ(f("(E11.3)", {0.0}), "  0.000E+00\n");
    EXPECT_EQ(f("(E10.3)", {9.9996}), " 0.100E+02\n");
    EXPECT_EQ(f("(D12.4)", {-2.5e-3}), " -0.2500D-02\n");
    EXPECT_EQ(f("(D11.3)", {1e-150}), "  0.100-149\n");
    // Ties in the significant digits also go away from zero.
    EXPECT_EQ(f("(ES8.1)", {125.0}), " 1.3E+02\n");
    EXPECT_EQ(f("(E9.2)", {0.125}), " 0.13E+00\n");
    EXPECT_EQ(f("(ES9.2)", {1.005}), " 1.00E+00\n");  // 1.005 is 1.00499...
}

TEST(FormatWrite, RepeatsGroupsAndReversion) {
    EXPECT_EQ(f("(3(a,i3))", {"a", 1, "b", 2, "c", 3}), "a  1b  2c  3\n");
    EXPECT_EQ(f("(2(A,F7.4))", {"x", 1.0, "y", -2.0}), "x 1.0000y-2.0000\n");
    EXPECT_EQ(f("(6ES22.15)", {1., 2., 3., 4., 5., 6., 7.}),
              " 1.000000000000000E+00 2.000000000000000E+00 3.000000000000000E+00"
              " 4.000000000000000E+00 5.000000000000000E+00 6.000000000000000E+00\n"
              " 7.000000000000000E+00\n");
    // Reversion goes back to the last top-level group with its repeat count.
    EXPECT_EQ(f("(A,2(I2))", {"h", 1, 2, 3, 4, 5}), "h 1 2\n 3 4\n 5\n");
    // Without a group it starts again from the beginning.
    EXPECT_EQ(f("('v=',I1)", {1, 2}), "v=1\nv=2\n");
    // A slash before the next data descriptor still ends a record.
    EXPECT_EQ(f("(I1/I1)", {1, 2, 3}), "1\n2\n3\n\n");
    EXPECT_EQ(f("(/,A)", {"x"}), "\nx\n");
    EXPECT_EQ(f("( 3 X , A )", {"x"}), "   x\n");
    EXPECT_EQ(f("(  3I4,2F6.1)", {1, 2, 3, 1.5, 2.5}), "   1   2   3   1.5   2.5\n");
}

TEST(FormatWrite, ItemsRunningOut) {
    // Literals and blanks before the next data descriptor are still written.
    EXPECT_EQ(f("(A,' = ',I3,' end')", {"n"}), "n = \n");
    EXPECT_EQ(f("(I2,' and ',I2,' done')", {1, 2}), " 1 and  2 done\n");
    EXPECT_EQ(f("('title')", {}), "title\n");
    EXPECT_EQ(f("(A)", {}), "\n");
    EXPECT_EQ(f("(I2,/)", {1}), " 1\n\n");
}

TEST(FormatWrite, AdvanceAndRecordEnd) {
    EXPECT_EQ(fformat("(A)", {"x"}), "x\r\n");
    EXPECT_EQ(fformat("(A)", {"x"}, false), "x");
    EXPECT_EQ(fformat("(I1)", {1, 2}, false), "1\r\n2");
}

TEST(FormatWrite, ProgrammingErrors) {
    EXPECT_THROW(f("(I3)", {"text"}), std::invalid_argument);
    EXPECT_THROW(f("(I3)", {1.5}), std::invalid_argument);
    EXPECT_THROW(f("(A)", {3}), std::invalid_argument);
    EXPECT_THROW(f("(I3", {3}), std::invalid_argument);
    EXPECT_THROW(f("(Q3)", {3}), std::invalid_argument);
    EXPECT_THROW(f("('x)", {}), std::invalid_argument);
    EXPECT_THROW(f("('x')", {1}), std::invalid_argument);  // items but nothing to take them
    EXPECT_THROW(f("(I2,('x'))", {1, 2}), std::invalid_argument);  // would revert forever
}

TEST(ListWrite, Forms) {
    EXPECT_EQ(flist({}), "");
    EXPECT_EQ(flist({"Error", -12, "x"}), " Error -12 x");
    EXPECT_EQ(flist({0.1}), " 0.1");
    EXPECT_EQ(flist({1.0}), " 1.0");
    EXPECT_EQ(flist({100.0}), " 100.0");
    EXPECT_EQ(flist({-0.25}), " -0.25");
    EXPECT_EQ(flist({1.5e20}), " 1.5E+20");
    EXPECT_EQ(flist({1e-7}), " 1.0E-07");
    EXPECT_EQ(flist({1e-6}), " 0.000001");
    EXPECT_EQ(flist({1234567.0}), " 1234567.0");
    EXPECT_EQ(flist({12345678.0}), " 1.2345678E+07");
    EXPECT_EQ(flist({2.5e300}), " 2.5E+300");
    EXPECT_EQ(flist({0.0}), " 0.0");
    EXPECT_EQ(flist({1.0 / 3.0}), " 0.3333333333333333");
    EXPECT_EQ(flist({FmtItem::logical(true)}), " T");
}

}  // namespace
}  // namespace quilmo
