// Symmetry input: the symmetry and testsymmetry blocks with their operator
// syntax (x1, -x2+1/2, x1-x4+1/3, 2x1, x3+0.25), the centers block and the
// q-vectors of a superspace description.
#include <cmath>
#include <cstdlib>

#include "input/reader.h"
#include "run/console.h"
#include "run/limits.h"
#include "textio/format.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

namespace {

constexpr std::string_view kEofInBlock = "Error, end of file detected during reading.";

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// Longest digit string the coefficient and fraction reads take ("(I6)").
constexpr std::size_t kMaxDigits = 6;

// Next word of `rest` (leading separators removed first), blank-padded with
// at least one blank after it so that a number at its end is delimited.
// Blank when the text holds no more words.
std::string next_word(std::string& rest) {
    spaceerase(rest);
    if (blank(rest)) return std::string(kLineLen + 1, ' ');
    std::string word(kLineLen, ' ');
    datalength(rest, word);
    if (blank(word)) {  // the word fills the text up to its last character
        word = rest;
        rest.assign(rest.size(), ' ');
    }
    return fixed(trim(word), kLineLen + 1);
}

// Why an operator word cannot be read; empty when it is well formed.  A word
// is a sequence of terms, each but the first led by a sign: [digits]x<col>,
// a fraction digits/digits or a decimal number; at most one translation.
std::string opword_fault(std::string_view w, int isdim) {
    std::size_t pos = 0;
    int terms = 0, translations = 0;
    bool after_translation = false;
    while (pos < w.size()) {
        if (is_sign(w[pos])) {
            ++pos;
        } else if (terms > 0) {
            return after_translation && w[pos] == 'x' ? "a fraction or number stands directly before an x"
                                                      : "the terms must be joined by + or -";
        }
        if (pos >= w.size()) return "the word ends in a sign";
        const std::size_t d0 = pos;
        while (pos < w.size() && is_digit(w[pos])) ++pos;
        const std::size_t nd = pos - d0;
        if (nd > kMaxDigits) return "a number has too many digits";
        const char c = pos < w.size() ? w[pos] : ' ';
        after_translation = c != 'x';
        if (c == 'x') {
            ++pos;
            if (pos >= w.size() || !is_digit(w[pos]) || w[pos] < '1' || w[pos] - '0' > isdim)
                return "an x must be followed by a column number from 1 to " + std::to_string(isdim);
            ++pos;
        } else if (c == '/') {
            if (nd == 0) return "a / must follow the digits of a numerator";
            const std::size_t n0 = ++pos;
            while (pos < w.size() && is_digit(w[pos])) ++pos;
            if (pos == n0) return "a / must be followed by the digits of a denominator";
            if (pos - n0 > kMaxDigits) return "a number has too many digits";
            ++translations;
        } else if (c == '.') {
            const std::size_t n0 = ++pos;
            while (pos < w.size() && is_digit(w[pos])) ++pos;
            if (nd == 0 && pos == n0) return "a decimal point needs digits";
            if (pos - n0 > 14) return "a number has too many digits";
            ++translations;
        } else if (nd > 0) {
            return "a translation must be written as a fraction (1/2) or a decimal number (0.5)";
        } else {
            return std::string("the character \"") + c + "\" is not allowed";
        }
        ++terms;
    }
    if (terms == 0) return "the word is empty";
    if (translations > 1) return "it holds more than one translation";
    return {};
}

[[noreturn]] void bad_operator(const std::string& line, std::string_view word, std::string_view why) {
    throw RunStop("Error in the symmetry operator \"" + trim(line) + "\", word \"" + trim(word) +
                  "\": " + std::string(why) + "!");
}

// Decimal translation of the term whose point stands at `dot` (1-based); a
// minus sign written before the number counts.
double decimal_translation(std::string_view w, int dot) {
    int start = dot - 1;  // 1-based position of the first digit before the point
    while (start >= 1 && is_digit(w[static_cast<std::size_t>(start - 1)])) --start;
    ++start;
    int end = dot;  // last digit after the point
    while (end < static_cast<int>(w.size()) && is_digit(w[static_cast<std::size_t>(end)])) ++end;
    double value = std::strtod(std::string(w.substr(static_cast<std::size_t>(start - 1),
                                                    static_cast<std::size_t>(end - start + 1)))
                                   .c_str(),
                               nullptr);
    if (start >= 2 && w[static_cast<std::size_t>(start - 2)] == '-') value = -value;
    return value;
}

// Number of words of a line.
int count_words(const std::string& line) {
    int n = 0;
    bool in_word = false;
    for (char c : line) {
        const bool sep = c == ' ' || c == '\t';
        if (!sep && !in_word) ++n;
        in_word = !sep;
    }
    return n;
}

std::string first_of(const std::string& line) {
    std::string copy = line;
    return firstword(copy, false);
}

// Pass 1 of the symmetry and testsymmetry blocks: counts the operator
// lines up to the end keyword, which must stand alone at the start of a line.
int count_operators(RunState& st, const input_module& im, std::string_view endword, int& ios) {
    int count = 0;
    std::string line;
    for (;;) {
        int errcd = 0;
        if (!block_line(st, im, line, errcd, kEofInBlock)) {
            ios = errcd;
            return count;
        }
        if (same_text(line, endword)) return count;
        ++count;
    }
}

}  // namespace

void opsearch(int imaxdim, std::string_view ivbuffer, int& odiv, int& oxcount, int& odivpos,
              std::array<int, 10>& oxpos) {
    odiv = 0;
    oxcount = 0;
    odivpos = 0;
    for (std::size_t i = 0; i < ivbuffer.size(); ++i) {
        const char c = ivbuffer[i];
        if (c == 'x') {
            ++oxcount;
            if (oxcount <= imaxdim + 1 && oxcount < static_cast<int>(oxpos.size()))
                oxpos[static_cast<std::size_t>(oxcount)] = static_cast<int>(i) + 1;
        } else if (c == '/' || c == '.') {
            odivpos = static_cast<int>(i) + 1;
        }
    }
}

void symmetry(int isdim, const std::string& ibuffer, double* ormat, double* otvec) {
    std::string rest = fixed(ibuffer, kLineLen);
    for (int k = 1; k <= isdim; ++k) {
        spaceerase(rest);
        if (blank(rest)) throw RunStop("Fatal error: Not enough data in symmetry line !!!");
        const std::string word = next_word(rest);
        const std::string fault = opword_fault(trim(word), isdim);
        if (!fault.empty()) bad_operator(ibuffer, word, fault);

        int div = 0, xcount = 0, divpos = 0;
        std::array<int, 10> xpos{};
        opsearch(isdim, word, div, xcount, divpos, xpos);
        if (xcount > isdim + 1)
            bad_operator(ibuffer, word, "it holds more than " + std::to_string(isdim + 1) + " x");

        for (int x = 1; x <= xcount; ++x) {
            const int q = xpos[static_cast<std::size_t>(x)];
            int c = 0;
            fparse("(I1)", std::string_view(word).substr(static_cast<std::size_t>(q), 1), {c});
            ormat[(k - 1) + isdim * (c - 1)] = numberlength(word, 'l', q);
        }

        double t = 0;
        if (divpos > 0 && word[static_cast<std::size_t>(divpos - 1)] == '/') {
            const int num = numberlength(word, 'l', divpos);
            const int den = numberlength(word, 'r', divpos);
            if (den == 1) throw RunStop("Symmetry data not consistent: Translationvector => 1?");
            if (den == 0) bad_operator(ibuffer, word, "the denominator is 0");
            t = static_cast<double>(num) / den;
        } else if (divpos > 0) {
            t = decimal_translation(trim(word), divpos);
            if (!std::isfinite(t)) bad_operator(ibuffer, word, "the translation is too large");
        }
        otvec[k - 1] = t;
    }
}

void centervec(const std::string& ibuffer, int isdim, double* ovec) {
    std::string rest = fixed(ibuffer, kLineLen);
    for (int i = 1; i <= isdim; ++i) {
        const std::string word = next_word(rest);
        const std::string w = trim(word);
        auto bad = [&](std::string_view why) {
            throw RunStop("Error in the centering vector \"" + trim(ibuffer) + "\", word \"" + w +
                          "\": " + std::string(why) + "!");
        };
        const int slash = nextpos(word, '/');
        if (slash > 0) {
            // sign, digits, "/", digits and nothing else
            std::size_t p = is_sign(w[0]) ? 1 : 0;
            const std::size_t n0 = p;
            while (p < w.size() && is_digit(w[p])) ++p;
            const bool numerator = p > n0 && p < w.size() && w[p] == '/';
            const std::size_t d0 = ++p;
            while (p < w.size() && is_digit(w[p])) ++p;
            if (!numerator || p == d0 || p != w.size() || d0 - n0 > kMaxDigits + 1 ||
                p - d0 > kMaxDigits)
                bad("a fraction must be written as digits/digits");
            const int num = numberlength(word, 'l', slash);
            const int den = numberlength(word, 'r', slash);
            if (den == 1) throw RunStop("Symmetry data not consistent: Translationvector >= 1?");
            if (den == 0) bad("the denominator is 0");
            ovec[i - 1] = static_cast<double>(num) / den;
        } else {
            double v = 0;
            if (w.size() > 14 || fparse("(F14.0)", w, {v}) != kReadOk) bad("it is no number");
            ovec[i - 1] = v;
        }
    }
}

void readsymmetry(RunState& st, const input_module& im, int& errcd, int code) {
    const int first = code == 0 ? 1 : st.nsym * st.ncenter + 1;
    const int count = code == 0 ? st.nsym : st.ntestsym;
    std::string line;
    FArray2<double> dmat(st.sdim, st.sdim);
    FArray<double> dvec(1, st.sdim);
    errcd = 0;
    for (int p = first; p < first + count; ++p) {
        if (!block_line(st, im, line, errcd, kEofInBlock)) return;
        dmat.fill(0);
        dvec.fill(0);
        symmetry(st.sdim, line, dmat.data(), dvec.data());
        for (int j = 1; j <= st.sdim; ++j) {
            for (int i = 1; i <= st.sdim; ++i) st.rmat(i, j, p) = dmat(i, j);
            st.tvec(j, p) = dvec(j);
        }
    }
}

void symmetryblock(RunState& st, input_module& im, int& ios) {
    if (im.pass == 2) {
        readsymmetry(st, im, ios, 0);
        return;
    }
    st.nsym = count_operators(st, im, "endsymmetry", ios);
    st.nsympoint = st.nsym;
    // The operator tables and the group completion start from the given
    // operators; an empty block leaves nothing to start from.
    if (ios == 0 && st.nsym == 0) {
        errormsg(st, "Error, the symmetry block holds no operator!");
        ios = kKeywordError;
    }
}

void testsymmetryblock(RunState& st, input_module& im, int& ios) {
    if (im.pass == 2)
        readsymmetry(st, im, ios, 1);
    else
        st.ntestsym = count_operators(st, im, "endtestsymmetry", ios);
}

void centersblock(RunState& st, input_module& im, int& ios) {
    std::string line;
    if (im.pass == 1) {
        st.ncenter = 0;
        st.flagzeroc = false;
        for (;;) {
            int errcd = 0;
            if (!block_line(st, im, line, errcd, kEofInBlock)) {
                ios = errcd;
                break;
            }
            if (same_text(line, "endcenters")) break;
            ++st.ncenter;
            const int n = count_words(line);
            if (n >= 1 && n <= 8) {
                double v[8] = {};
                centervec(line, n, v);
                bool zero = true;
                for (int i = 0; i < n; ++i) zero = zero && std::fabs(v[i]) <= kZeroTol;
                if (zero) st.flagzeroc = true;
            }
        }
        if (!st.flagzeroc) ++st.ncenter;  // room for the zero vector
        return;
    }
    int first = 1;
    if (!st.flagzeroc) {
        for (int i = 1; i <= st.sdim; ++i) st.center(i, 1) = 0;
        first = 2;
    }
    for (int j = first; j <= st.ncenter; ++j) {
        if (!block_line(st, im, line, ios, kEofInBlock)) return;
        FArray<double> dvec(1, st.sdim);
        centervec(line, st.sdim, dvec.data());
        for (int i = 1; i <= st.sdim; ++i) st.center(i, j) = dvec(i);
    }
}

void qvectors(RunState& st, const input_module& im, int kid, int& errcd) {
    const std::string endword = trim(im.kwd[static_cast<std::size_t>(kid)].endname);
    std::string line;
    for (int i = 1; i <= st.ddim; ++i) {
        nextline(st, im, line, errcd);
        if (errcd != 0) return;
        if (same_text(first_of(line), endword)) {
            errormsg(st, "Error - " + endword + " detected prematurely.");
            errormsg(st, fformat("(i1,a)", {st.ddim, " qvectors expected."}, false));
            errcd = kKeywordError;
            return;
        }
        double q[3] = {};
        arrayreal(line, q, 3, errcd);
        if (errcd != 0) return;
        for (int r = 1; r <= std::min(3, st.rdim); ++r) st.qvec(r, i) = q[r - 1];
    }
    nextline(st, im, line, errcd);
    if (errcd != 0) return;
    if (!same_text(first_of(line), endword)) {
        errormsg(st, "Too many lines before " + endword);
        errcd = kKeywordError;
    }
}

}  // namespace quilmo
