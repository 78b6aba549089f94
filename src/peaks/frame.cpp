#include "peaks/frame.h"

#include <cstdio>
#include <cstdlib>

namespace quilmo {

Frame frame_of(const RunState& st) {
    Frame f;
    for (int i = 1; i <= 3; ++i) {
        f.nvox[i - 1] = st.nvox(i);
        f.rlen[i - 1] = st.rcell(i);
        for (int j = 1; j <= 3; ++j) f.g[3 * (i - 1) + (j - 1)] = st.g(i, j);
    }
    f.capvx = st.capvx;
    for (int p = 1; p <= st.nsym; ++p) {
        SymOp op;
        for (int i = 1; i <= 3; ++i) {
            op.t[i - 1] = st.tvec(i, p);
            op.ti[i - 1] = st.tveci(i, p);
            for (int j = 1; j <= 3; ++j) {
                op.r[3 * (i - 1) + (j - 1)] = st.rmat(i, j, p);
                op.ri[3 * (i - 1) + (j - 1)] = st.rmati(i, j, p);
            }
        }
        f.ops.push_back(op);
    }
    return f;
}

namespace {

// A translation as a fraction n/d with d up to 24 when it is one, else as
// a decimal number.
std::string fraction(double t) {
    for (int d : {1, 2, 3, 4, 6, 8, 12, 24}) {
        const long n = std::lround(t * d);
        if (std::fabs(t * d - static_cast<double>(n)) < 1e-6)
            return d == 1 ? std::to_string(n) : std::to_string(n) + "/" + std::to_string(d);
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", t);
    return buf;
}

// A translation as SHELX writes it: a decimal number with at most five
// places and no trailing zeros.
std::string decimal(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5f", t);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string coefficient(double c) {
    if (std::fabs(std::fabs(c) - 1) < 1e-6) return c < 0 ? "-" : "+";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.6g", c);
    return buf;
}

}  // namespace

std::string triplet(const SymOp& op, bool shelx) {
    const char* axes = shelx ? "XYZ" : "xyz";
    std::string text;
    for (int i = 0; i < 3; ++i) {
        std::string row;
        double t = op.t[i];
        if (std::fabs(t) < 1e-9) t = 0;
        if (shelx && t != 0) row = decimal(t);
        for (int j = 0; j < 3; ++j) {
            const double c = op.r[3 * i + j];
            if (std::fabs(c) < 1e-9) continue;
            row.append(coefficient(c)).push_back(axes[j]);
        }
        if (!shelx && t != 0) row.append("+").append(fraction(t));
        if (row.empty()) row.push_back('0');
        if (row[0] == '+') row.erase(0, 1);
        text.append(i ? (shelx ? ", " : ",") : "").append(row);
    }
    return text;
}

}  // namespace quilmo
