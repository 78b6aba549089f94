// Symmetry operators, centering vectors and q-vectors.
#include <gtest/gtest.h>

#include <vector>

#include "input/input_run.h"
#include "input/reader.h"

using namespace quilmo;
using quilmo_test::base_input;
using quilmo_test::InputRun;
using quilmo_test::replaced;

namespace {

struct Op {
    std::vector<double> m, t;
    double r(int i, int j) const { return m[static_cast<std::size_t>((i - 1) + n * (j - 1))]; }
    int n;
};

Op parse(int n, const std::string& text) {
    Op op{std::vector<double>(static_cast<std::size_t>(n * n)), std::vector<double>(static_cast<std::size_t>(n)), n};
    symmetry(n, fixed(text, kLineLen), op.m.data(), op.t.data());
    return op;
}

std::string stop_of(int n, const std::string& text) {
    try {
        parse(n, text);
    } catch (const RunStop& s) {
        return s.message();
    }
    return "no stop";
}

TEST(Operator, RowsColumnsAndTranslations) {
    Op op = parse(3, "-x1 -x2 x3+1/2");
    EXPECT_EQ(op.r(1, 1), -1);
    EXPECT_EQ(op.r(2, 2), -1);
    EXPECT_EQ(op.r(3, 3), 1);
    EXPECT_EQ(op.r(1, 2), 0);
    EXPECT_DOUBLE_EQ(op.t[2], 0.5);
    EXPECT_DOUBLE_EQ(op.t[0], 0.0);

    Op s4 = parse(4, "x1-x4+1/3\t2x2  x2-3x1 -x4-1/4 ignored");
    EXPECT_EQ(s4.r(1, 1), 1);
    EXPECT_EQ(s4.r(1, 4), -1);
    EXPECT_DOUBLE_EQ(s4.t[0], 1.0 / 3.0);
    EXPECT_EQ(s4.r(2, 2), 2);
    EXPECT_EQ(s4.r(3, 1), -3);
    EXPECT_EQ(s4.r(3, 2), 1);
    EXPECT_DOUBLE_EQ(s4.t[3], -0.25);
}

TEST(Operator, FractionAtTheEndOfTheLine) {
    // The line ends right after the denominator: the padding delimits it.
    EXPECT_DOUBLE_EQ(parse(3, "x1 x2 x3+1/2").t[2], 0.5);
    EXPECT_DOUBLE_EQ(parse(3, "x1 x2 1/6+x3").t[2], 1.0 / 6.0);
    const std::string wide = "x1 x2" + std::string(kLineLen - 12, ' ') + "x3+1/2";
    ASSERT_EQ(wide.size(), kLineLen - 1);
    EXPECT_DOUBLE_EQ(parse(3, wide).t[2], 0.5);
}

TEST(Operator, DecimalTranslationsKeepTheirSign) {
    EXPECT_DOUBLE_EQ(parse(3, "x1 x2 x3+0.25").t[2], 0.25);
    EXPECT_DOUBLE_EQ(parse(3, "x1-0.25 x2 x3").t[0], -0.25);
    EXPECT_DOUBLE_EQ(parse(3, "x1 x2+.5 x3").t[1], 0.5);
}

TEST(Operator, StopsOfTheOperatorSyntax) {
    EXPECT_EQ(stop_of(3, "x1+1/1 x2 x3"), "Symmetry data not consistent: Translationvector => 1?");
    EXPECT_EQ(stop_of(4, "x1 x2 x3"), "Fatal error: Not enough data in symmetry line !!!");
    EXPECT_EQ(stop_of(3, ""), "Fatal error: Not enough data in symmetry line !!!");
}

TEST(Operator, MalformedWordsAreRefusedNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"x x2 x3", "an x must be followed by a column number from 1 to 3"},
        {"x4 x2 x3", "an x must be followed by a column number from 1 to 3"},
        {"x1 1/2x2 x3", "a fraction or number stands directly before an x"},
        {"x1+x2-x3+x1-x2 x2 x3", "it holds more than 4 x"},
        {"x1+1/ x2 x3", "a / must be followed by the digits of a denominator"},
        {"x1+/2 x2 x3", "a / must follow the digits of a numerator"},
        {"x1+1/a x2 x3", "a / must be followed by the digits of a denominator"},
        {"x1+1 x2 x3", "a translation must be written as a fraction (1/2) or a decimal number (0.5)"},
        {"X1 x2 x3", "the character \"X\" is not allowed"},
        {"x1+1/2+1/4 x2 x3", "it holds more than one translation"},
        {"x1x2 x2 x3", "the terms must be joined by + or -"},
        {"x1- x2 x3", "the word ends in a sign"},
        {"x1+1/0 x2 x3", "the denominator is 0"},
    };
    for (const auto& [line, why] : cases) {
        const std::string msg = stop_of(3, line);
        EXPECT_NE(msg.find("\"" + line + "\""), std::string::npos) << msg;
        EXPECT_NE(msg.find(why), std::string::npos) << line << ": " << msg;
    }
}

TEST(OpSearch, CountsXAndFindsTheLastDivision) {
    int div = 5, xcount = 0, divpos = 0;
    std::array<int, 10> xpos{};
    opsearch(3, fixed("-x1+x2+1/2", 20), div, xcount, divpos, xpos);
    EXPECT_EQ(div, 0);
    EXPECT_EQ(xcount, 2);
    EXPECT_EQ(xpos[1], 2);
    EXPECT_EQ(xpos[2], 5);
    EXPECT_EQ(divpos, 9);
}

TEST(CenterVec, FractionsDecimalsAndMissingWords) {
    double v[3] = {9, 9, 9};
    centervec(fixed("1/2 -1/3", kLineLen), 3, v);
    EXPECT_DOUBLE_EQ(v[0], 0.5);
    EXPECT_DOUBLE_EQ(v[1], -1.0 / 3.0);
    EXPECT_DOUBLE_EQ(v[2], 0.0);
    centervec(fixed("0.5 0 .25", kLineLen), 3, v);
    EXPECT_DOUBLE_EQ(v[2], 0.25);
    auto stop = [](const std::string& line) {
        double w[3];
        try {
            centervec(fixed(line, kLineLen), 3, w);
        } catch (const RunStop& s) {
            return s.message();
        }
        return std::string("no stop");
    };
    EXPECT_EQ(stop("1/1 0 0"), "Symmetry data not consistent: Translationvector >= 1?");
    EXPECT_NE(stop("a/2 0 0").find("a fraction must be written as digits/digits"), std::string::npos);
    EXPECT_NE(stop("1/2/3 0 0").find("a fraction must be written as digits/digits"), std::string::npos);
    EXPECT_NE(stop("1/0 0 0").find("the denominator is 0"), std::string::npos);
    EXPECT_NE(stop("half 0 0").find("\"half 0 0\", word \"half\": it is no number"), std::string::npos);
}

TEST(SymmetryBlock, OperatorsAndTestOperatorsAfterTheCenteredList) {
    InputRun r(replaced(base_input(), "x1 x2 x3\n", "x1 x2 x3\n-x1 -x2 x3+1/2\n") +
               "centers\n1/2 1/2 0\nendcenters\ntestsymmetry\n-x1 -x2 -x3\nendtestsymmetry\n");
    ASSERT_FALSE(r.stopped) << r.out();
    const auto& s = r.st;
    EXPECT_EQ(s.nsym, 4);  // the complete list, counted after the input step
    EXPECT_EQ(s.nsympoint, 2);
    EXPECT_EQ(s.ncenter, 2);
    EXPECT_EQ(s.ntestsym, 1);
    EXPECT_EQ(s.rmat.extent3(), 5);
    EXPECT_EQ(s.rmat(2, 2, 2), -1);
    EXPECT_DOUBLE_EQ(s.tvec(3, 2), 0.5);
    EXPECT_EQ(s.rmat(3, 3, 5), -1);
    EXPECT_EQ(s.rmat(1, 1, 3), 1);  // filled by the group completion: operator 1 plus center 2
    EXPECT_DOUBLE_EQ(s.tvec(1, 3), 0.5);
    EXPECT_DOUBLE_EQ(s.center(1, 2), 0.5);
    EXPECT_DOUBLE_EQ(s.center(1, 1), 0.0);
}

TEST(SymmetryBlock, IndentedEndKeywordIsCountedAsAnOperator) {
    InputRun r(replaced(base_input(), "endsymmetry", " endsymmetry\nendsymmetry"));
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.st.nsym, 2);
}

TEST(SymmetryBlock, EmptyOrUnendedBlock) {
    InputRun empty(replaced(base_input(), "x1 x2 x3\n", ""));
    EXPECT_TRUE(empty.said("Error, the symmetry block holds no operator!\nError reading keyword symmetry.\n"));
    InputRun open(replaced(base_input(), "endsymmetry\n", ""));
    EXPECT_TRUE(open.said("Error, end of file detected during reading.\nError reading keyword symmetry.\n"));
}

TEST(CentersBlock, ZeroVectorRule) {
    InputRun one(base_input() + "centers\n1/2 1/2 1/2\nendcenters\n");
    ASSERT_FALSE(one.stopped) << one.out();
    EXPECT_EQ(one.st.ncenter, 2);
    EXPECT_FALSE(one.st.flagzeroc);
    EXPECT_DOUBLE_EQ(one.st.center(3, 1), 0.0);
    EXPECT_DOUBLE_EQ(one.st.center(3, 2), 0.5);
    InputRun zero(base_input() + "centers\n0 0 0\n1/2 1/2 1/2\nendcenters\n");
    ASSERT_FALSE(zero.stopped) << zero.out();
    EXPECT_EQ(zero.st.ncenter, 2);
    EXPECT_TRUE(zero.st.flagzeroc);
    EXPECT_DOUBLE_EQ(zero.st.center(2, 2), 0.5);
    InputRun none(base_input());
    EXPECT_EQ(none.st.ncenter, 1);
    EXPECT_EQ(none.st.center.extent2(), 1);
}

TEST(CentersBlock, EndOfFileInsideTheBlock) {
    InputRun r(base_input() + "centers\n1/2 1/2 0\n");
    EXPECT_TRUE(r.said("Error, end of file detected during reading.\nError reading keyword centers.\n"));
}

std::string five_dims(const std::string& qblock) {
    std::string in = replaced(base_input(), "x1 x2 x3", "x1 x2 x3 x4 x5");
    in = replaced(in, "voxel 8 8 8", "voxel 8 8 8 4 4");
    in = replaced(in, "1 0 0 10.0 0.0 0.5", "1 0 0 1 0 10.0 0.0 0.5");
    return "dimension 5\n" + in + qblock;
}

TEST(QVectors, OneLinePerExtraDimension) {
    InputRun r(five_dims("qvectors\n0.1 0.2 0.3\n  0 0 0.5\n  endqvectors trailing\n"));
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(r.st.ddim, 2);
    EXPECT_DOUBLE_EQ(r.st.qvec(3, 1), 0.3);
    EXPECT_DOUBLE_EQ(r.st.qvec(3, 2), 0.5);
}

TEST(QVectors, TooFewTooManyOrBadLines) {
    InputRun few(five_dims("qvectors\n0.1 0.2 0.3\nendqvectors\n"));
    EXPECT_TRUE(few.said("Error - endqvectors detected prematurely.\n2 qvectors expected.\n"
                         "Error reading keyword qvectors.\n"));
    InputRun many(five_dims("qvectors\n0.1 0.2 0.3\n0 0 0.5\n0 0 0.1\nendqvectors\n"));
    EXPECT_TRUE(many.said("Too many lines before endqvectors\nError reading keyword qvectors.\n"));
    InputRun bad(five_dims("qvectors\n0.1 0.2\n0 0 0.5\nendqvectors\n"));
    EXPECT_TRUE(bad.said("Error reading keyword qvectors.\n"));
}

TEST(QVectors, SuperspaceNeedsThreeRealDimensions) {
    InputRun r("realdimension 2\n" + replaced(five_dims("qvectors\n0 0 0.5\n0 0 0.5\nendqvectors\n"),
                                              "cell 10 10 10 90 90 90", "cell 10 10 90"));
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("needs realdimension 3!\n"));
}

}  // namespace
