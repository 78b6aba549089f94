#include "chargeflip/coincidence.h"

#include <cmath>
#include <numbers>

#include "grid/voxels.h"
#include "reflections/orbits.h"

namespace quilmo {

// The modulus below which a structure factor has no phase; the threshold is
// the single-precision 1.0e-6 the phase has always been taken with, so phases
// of tiny moduli stay the same on every build.
constexpr double kPhaseZeroTol = 1.0e-6f;

double phase(double a, double b) {
    const double r = std::sqrt(a * a + b * b);
    double phi = r > kPhaseZeroTol ? std::acos(a / r) : 0.0;
    if (b < 0) phi = -phi;
    return phi;
}

double halfcycle(double p) {
    p -= std::trunc(p);
    if (std::fabs(p) > 0.5) p += p < 0 ? 1.0 : -1.0;
    return p;
}

void CoincidenceTable::symmetry(const RunState& st, int symop) { build(st, true, symop, 1); }

void CoincidenceTable::shift(const RunState& st, int enant) { build(st, false, 0, enant); }

void CoincidenceTable::build(const RunState& st, bool with_operator, int symop, int enant) {
    sdim_ = st.sdim;
    totalf_ = st.totalf();
    for (int i = 0; i < 8; ++i) {
        t_[i] = 0;
        for (int k = 0; k < 8; ++k) m_[i][k] = 0;
    }
    if (with_operator)
        for (int i = 1; i <= sdim_; ++i) {
            t_[i - 1] = st.tvec(i, symop);
            for (int k = 1; k <= sdim_; ++k) m_[i - 1][k - 1] = st.rmat(i, k, symop);
        }
    const std::size_t n = static_cast<std::size_t>(std::max(st.sec.f.end - st.sec.f.start + 1, 0));
    h_.assign(n * static_cast<std::size_t>(sdim_), 0.0);
    delta_.assign(n, 0.0);
    w_.assign(n, 0.0);
    for (int i = st.sec.f.start; i <= st.sec.f.end; ++i) {
        const reftyp& e = st.refl(i);
        const std::size_t r = static_cast<std::size_t>(i - st.sec.f.start);
        // h' = h·R, each partial sum cut to an integer; a plain shift
        // compares with the same h.
        const std::array<int, 9> hp = with_operator ? hklimage(st, e.hklfg, symop) : e.hklfg;
        for (int k = 0; k < sdim_; ++k) h_[r * sdim_ + k] = e.hklfg[k];
        const int loc = arraylocation(st, hp, 2);
        const cplx f = st.sf.at(loc);
        delta_[r] = (phase(e.amem, enant * e.bmem) - phase(f.real(), f.imag())) / (2.0 * std::numbers::pi);
        w_[r] = e.f * e.f;
    }
}

double CoincidenceTable::operator()(const double* s) const {
    // d = s - R·s - t; for a plain shift R and t are zero and d = s.
    double d[8];
    for (int i = 0; i < sdim_; ++i) {
        double rs = 0;
        for (int k = 0; k < sdim_; ++k) rs += m_[i][k] * s[k];
        d[i] = s[i] - rs - t_[i];
    }
    double sum = 0, sumden = 0;
    const std::size_t n = w_.size();
    const double* h = h_.data();
    for (std::size_t r = 0; r < n; ++r, h += sdim_) {
        double hd = 0;
        for (int i = 0; i < sdim_; ++i) hd += h[i] * d[i];
        const double p = halfcycle(hd + delta_[r]);
        sum += w_[r] * p * p;
        sumden += w_[r];
    }
    return sum * 100000.0 / (sumden * static_cast<double>(totalf_));
}

double coincidencers(const RunState& st, int symop, const double* s) {
    CoincidenceTable t;
    t.symmetry(st, symop);
    return t(s);
}

double coincidenceshift(const RunState& st, const double* s, int enant) {
    CoincidenceTable t;
    t.shift(st, enant);
    return t(s);
}

}  // namespace quilmo
