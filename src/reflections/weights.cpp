#include "reflections/weights.h"

#include <cmath>

#include "run/limits.h"
#include "textio/stop.h"

namespace quilmo {

double vlen(const RunState& st, const double* ivec, bool /*irec*/) {
    double v[8];
    for (int i = 0; i < 8; ++i) v[i] = ivec[i];
    // Satellite indices add their q-vectors to the main indices; the
    // satellite entries themselves stay as they are.
    for (int j = 1; j <= st.sdim - st.rdim; ++j)
        for (int i = 1; i <= st.rdim; ++i) v[i - 1] += v[st.rdim + j - 1] * st.qvec(i, j);
    double s = 0;
    for (int i = 1; i <= st.rdim; ++i)
        for (int k = 1; k <= st.rdim; ++k) s += v[i - 1] * st.gi(i, k) * v[k - 1];
    return std::sqrt(s);
}

namespace {

// Calls fn(r) for every F- and G-constraint.  The sections are walked by
// their own ranges because the blocks lie in the table in file order (an
// extra block may come first).
template <class Fn>
void each_fg(RunState& st, Fn fn) {
    for (int r = st.sec.f.start; r <= st.sec.f.end; ++r) fn(st.refl(r));
    for (int r = st.sec.g.start; r <= st.sec.g.end; ++r) fn(st.refl(r));
}

double raw_f_weight(const RunState& st, const reftyp& e) {
    if (std::fabs(st.power) <= kZeroTol) return 1.0;
    // A negative power of a zero amplitude has no finite weight; the run
    // cannot go on with it.
    if (st.power < 0 && e.f == 0)
        throw RunStop(
            "Error, conweight F with a negative power needs non-zero amplitudes, "
            "but a constraint has F = 0!");
    return std::pow(e.f, st.power);
}

double raw_h_weight(const RunState& st, const reftyp& e) {
    double ivec[8] = {};
    for (int i = 0; i < st.sdim; ++i) ivec[i] = e.hklfg[static_cast<std::size_t>(i)];
    double d = vlen(st, ivec, true);
    double x = st.power > kZeroTol ? std::pow(d, st.power) : 0.0;
    if (x != 0) return 1.0 / x;
    // The 000 reflection (and every reflection without a positive power) is
    // weighted as if its |d*| were a*.
    int n = static_cast<int>(std::lround(st.power));
    return n > 0 ? 1.0 / std::pow(st.rcell(1), n) : 1.0;
}

}  // namespace

void calcmodwg(RunState& st) {
    const char key = st.modwgkey.empty() ? ' ' : st.modwgkey[0];
    double sum = 0;
    if (key == 'F') {
        each_fg(st, [&](reftyp& e) { sum += e.modwg = raw_f_weight(st, e); });
    } else if (key == 'H') {
        each_fg(st, [&](reftyp& e) { sum += e.modwg = raw_h_weight(st, e); });
    } else {
        for (int r = st.sec.f.start; r <= st.sec.f.end; ++r) st.refl(r).modwg = 1.0;
        sum = st.totalf();
    }
    const double m = sum / st.totalf();
    // All raw weights 0 (every amplitude 0 under "F"): the mean would be 0
    // and every weight undefined; such weights count as 1 like single zeros.
    each_fg(st, [&](reftyp& e) {
        e.modwg = m != 0 ? e.modwg / m : 0.0;
        if (e.modwg == 0) e.modwg = 1.0;
    });
}

}  // namespace quilmo
