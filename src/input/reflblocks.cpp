// The reflection blocks: F-constraints (fbegin .. endf), G-constraint groups
// (gbegin .. endg) and extra reflections (extra .. endextra).  Pass 1 counts
// the lines and gives each block its range of refl; pass 2 fills the ranges.
#include <algorithm>
#include <cmath>

#include "input/reader.h"
#include "run/console.h"
#include "textio/text.h"

namespace quilmo {

namespace {

// First word of a line, the line itself left as it is.
std::string first_of(const std::string& line) {
    std::string copy = line;
    return firstword(copy, false);
}

// Reports a reflection line that cannot be used; the keyword then counts as
// erroneous and the run stops at the end of the pass.
void bad_line(RunState& st, std::string_view keyword, const std::string& line, std::string_view why) {
    errormsg(st, std::string("Error in the ") + std::string(keyword) + " block, " + std::string(why) +
                     ": " + trim(line));
}

// Reads the next `n` words of `line` as integers (cutting them off).
bool next_ints(std::string& line, int* v, int n) {
    for (int k = 0; k < n; ++k) {
        int rc = 0;
        oneint(firstword(line, true), v[k], rc);
        if (rc != 0) return false;
    }
    return true;
}

bool next_real(std::string& line, double& v) {
    int rc = 0;
    onereal(firstword(line, true), v, rc);
    return rc == 0;
}

// Pass 1: reads up to the end keyword; false (with the message) at the end
// of the file.  `each` sees every line of the block.
template <class F>
bool count_block(RunState& st, const input_module& im, std::string_view endword, F each) {
    std::string line;
    for (;;) {
        if (!block_line(st, im, line)) return false;
        if (same_text(first_of(line), endword)) return true;
        each(line);
    }
}

bool all_zero(const reftyp& r, int sdim) {
    for (int k = 0; k < sdim; ++k)
        if (r.hklfg[static_cast<std::size_t>(k)] != 0) return false;
    return true;
}

void fblock_pass1(RunState& st, input_module& im, int& ios) {
    st.sec.f.start = st.totalfge() + 1;
    im.f000 = false;
    const bool complete = count_block(st, im, "endf", [&](const std::string& line) {
        int idx[8] = {};
        int rc = 0;
        arrayint(line, idx, st.sdim, rc);
        if (rc == 0 && std::all_of(idx, idx + st.sdim, [](int h) { return h == 0; })) im.f000 = true;
        st.sec.f.end = st.totalfge() + 1;
    });
    if (!complete) ios = kKeywordError;
    if (!im.f000) {  // room for F(000)
        st.sec.f.end = st.totalfge() + 1;
    }
}

// The R-factors and charge flipping take refl(sec.f.start) as F(000): a 0 0 0
// line is stored there wherever it stands in the block.
void fblock_pass2(RunState& st, input_module& im, int& ios) {
    const int nlines = im.f000 ? st.totalf() : st.totalf() - 1;
    double sigmin = std::max(st.charge, 1000.0);
    int next = st.sec.f.start + 1;
    int nzero = 0;
    std::string line;
    for (int l = 1; l <= nlines; ++l) {
        if (!block_line(st, im, line)) {
            ios = kKeywordError;
            return;
        }
        reftyp r;
        std::string rest = line;
        if (!next_ints(rest, r.hklfg.data(), st.sdim) || !next_real(rest, r.a) ||
            !next_real(rest, r.b) || !next_real(rest, r.sigma)) {
            bad_line(st, "fbegin", line, "the line needs the indices, A, B and sigma");
            ios = kKeywordError;
            continue;
        }
        if (!(r.sigma > 0)) {
            bad_line(st, "fbegin", line, "sigma must be positive");
            ios = kKeywordError;
            continue;
        }
        r.f = std::sqrt(r.a * r.a + r.b * r.b);
        r.weight = 1.0 / (r.sigma * r.sigma);
        sigmin = std::min(sigmin, r.sigma);
        const bool zero = all_zero(r, st.sdim);
        if (zero) ++nzero;
        if (zero && im.f000 && nzero == 1) {
            st.refl(st.sec.f.start) = r;
        } else if (next <= st.sec.f.end) {
            st.refl(next++) = r;
        }
        if (zero && nzero == 2) {
            bad_line(st, "fbegin", line, "F(000) is given twice");
            ios = kKeywordError;
        }
    }
    // Pass 1 looked for the 0 0 0 line with the dimension known at that
    // point; a dimension given after the block can change the answer.
    if (ios == 0 && (nzero > 0) != im.f000) {
        errormsg(st, "Error, the keyword dimension must stand before the fbegin block!");
        ios = kKeywordError;
        return;
    }
    if (!im.f000) {
        reftyp& r = st.refl(st.sec.f.start);
        r = reftyp{};
        r.a = r.f = st.charge;
        r.sigma = sigmin / 3.0;
        r.weight = 1.0 / (r.sigma * r.sigma);
    }
    // Charge flipping divides by the sum of the amplitudes after F(000):
    // without a non-zero one its R value is 0/0.
    if (ios == 0 && st.flipcharge) {
        bool observed = false;
        for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) observed = observed || st.refl(i).f > 0;
        if (!observed) {
            errormsg(st,
                     "Error, charge flipping needs reflections with non-zero amplitudes besides F(000) "
                     "in the F block!");
            ios = kKeywordError;
        }
    }
}

void gblock_pass1(RunState& st, input_module& im, int& ios) {
    st.sec.g.start = st.totalfge() + 1;
    int groups = 0, members = 0;  // groups of this block, members of the current group
    bool ok = true;
    auto close_group = [&](const std::string& line) {
        if (groups > 0 && members == 0) {
            bad_line(st, "gbegin", line, "the group before this line has no members");
            ok = false;
        }
    };
    const bool complete = count_block(st, im, "endg", [&](const std::string& line) {
        if (same_text(first_of(line), "ggroup")) {
            close_group(line);
            ++st.ggroups;
            ++groups;
            members = 0;
            return;
        }
        if (groups == 0) {
            bad_line(st, "gbegin", line, "a member line before the first ggroup line");
            ok = false;
        }
        ++members;
        st.sec.g.end = st.totalfge() + 1;
    });
    if (complete) close_group("endg");
    if (!complete || !ok) ios = kKeywordError;
}

void gblock_pass2(RunState& st, input_module& im, int& ios) {
    int member = st.sec.g.start - 1;
    int group = 0;
    double gvalue = 0;
    std::string line;
    for (;;) {
        int errcd = 0;
        if (!block_line(st, im, line, errcd, "Premature end of file detected!")) {
            ios = kKeywordError;
            return;
        }
        const std::string word = first_of(line);
        if (same_text(word, "endg")) return;
        if (same_text(word, "ggroup")) {
            ++group;
            std::string rest = line;
            firstword(rest, true);
            double g = 0, sigma = 0;
            if (!next_real(rest, g) || !next_real(rest, sigma)) {
                bad_line(st, "gbegin", line, "the ggroup line needs G and sigma");
                ios = kKeywordError;
            } else if (!(sigma > 0)) {
                bad_line(st, "gbegin", line, "sigma must be positive");
                ios = kKeywordError;
            }
            if (group > st.ggroups || member + 1 > st.sec.g.end) continue;  // rejected in pass 1
            reftyp& r = st.refl(member + 1);
            r.a = g;
            r.b = 0;
            r.sigma = sigma;
            r.weight = sigma > 0 ? 1.0 / (sigma * sigma) : 0;
            st.gdiff(group) = 0;
            gvalue = g;
            continue;
        }
        ++member;
        if (group < 1 || member > st.sec.g.end) continue;  // rejected in pass 1
        reftyp& r = st.refl(member);
        int rc = 0;
        arrayint(line, r.hklfg.data(), st.sdim, rc);
        if (rc != 0) {
            bad_line(st, "gbegin", line, "the member line needs the indices");
            ios = kKeywordError;
        }
        r.mult = 0;
        r.f = r.a;
        if (r.a != gvalue) r.a = 0;
        r.hklfg[8] = group;
        ++st.gdiff(group);
    }
}

void extra_pass1(RunState& st, input_module& im, int& ios) {
    st.sec.extra.start = st.totalfge() + 1;
    const bool complete = count_block(st, im, "endextra", [&](const std::string&) {
        st.sec.extra.end = st.totalfge() + 1;
    });
    if (!complete) ios = kKeywordError;
}

void extra_pass2(RunState& st, input_module& im, int& ios) {
    std::string line;
    for (int e = st.sec.extra.start; e <= st.sec.extra.end; ++e) {
        if (!block_line(st, im, line)) {
            ios = kKeywordError;
            return;
        }
        reftyp r;
        std::string rest = line;
        if (!next_ints(rest, r.hklfg.data(), st.sdim) || !next_real(rest, r.a) || !next_real(rest, r.b)) {
            bad_line(st, "extra", line, "the line needs the indices, A and B");
            ios = kKeywordError;
        }
        st.refl(e) = r;
    }
}

}  // namespace

void fblock(RunState& st, input_module& im, int& ios) {
    if (im.pass == 1)
        fblock_pass1(st, im, ios);
    else
        fblock_pass2(st, im, ios);
}

void gblock(RunState& st, input_module& im, int& ios) {
    if (im.pass == 1)
        gblock_pass1(st, im, ios);
    else
        gblock_pass2(st, im, ios);
}

void extrablock(RunState& st, input_module& im, int& ios) {
    if (im.pass == 1)
        extra_pass1(st, im, ios);
    else
        extra_pass2(st, im, ios);
}

}  // namespace quilmo
