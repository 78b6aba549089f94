#include "mem/rfactor.h"

#include <cmath>

#include "grid/orbitlist.h"
#include "run/limits.h"

namespace quilmo {

namespace {

// (k-1)!! for even k: the k-th moment of a standard normal distribution, so
// a fit at the level of the sigmas gives moments of about 1.
constexpr double kNormalMoment[9] = {1, 1, 1, 1, 3, 1, 15, 1, 105};

// A ratio whose denominator vanishes (a run with F(000) as the only
// F-constraint, or nothing to normalise by) reports 0 instead of NaN or
// infinity, which would print as asterisks and never meet an aim.
double ratio(double num, double den) { return den != 0.0 ? num / den : 0.0; }

void normalise(std::array<double, 9>& con, int count) {
    for (int k = 1; k <= 8; ++k) {
        auto ks = static_cast<std::size_t>(k);
        con[ks] = ratio(con[ks], static_cast<double>(count)) / kNormalMoment[ks];
    }
}

double delta_modulus(const reftyp& e) { return std::hypot(e.a - e.amem, e.b - e.bmem); }

void ensure_gcalc(RunState& st) {
    if (!st.gcalc.allocated() || st.gcalc.size() != st.ggroups) st.gcalc.allocate(1, st.ggroups);
}

}  // namespace

void add_powers(std::array<double, 9>& con, double x) {
    double p = 1.0;
    for (int k = 1; k <= 8; ++k) {
        p *= x;
        con[static_cast<std::size_t>(k)] += p;
    }
}

void add_group(RSums& s, double gc, double f, double weight, double sigma) {
    s.sumgcal += gc;
    const double dg = f - gc;
    s.sumdeltag += std::fabs(dg);
    s.sumdeltagsq += dg * dg * weight;
    add_powers(s.gcon, dg / sigma);
}

void rfactorinit(RunState& st) {
    st.sumfobs = st.sumfobssq = st.sumgobs = st.sumgobssq = 0;
    if (st.totalf() > 0) {
        for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) {
            const reftyp& e = st.refl(i);
            st.sumfobs += e.f;
            st.sumfobssq += e.f * e.f * e.weight;
        }
    }
    int first = st.sec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        const reftyp& e = st.refl(first);
        st.sumgobs += e.f;
        st.sumgobssq += e.f * e.f * e.weight;
        first += st.gdiff(g);
    }
    st.sumfgobs = st.sumfobs + st.sumgobs;
    st.sumfgobssq = st.sumfobssq + st.sumgobssq;
    ensure_gcalc(st);
}

void rfactor(RunState& st) {
    ensure_gcalc(st);
    st.gcalc.fill(0);
    RSums s;

    // F-constraints; F(000), the first entry, only fixes the charge.
    if (st.totalf() > 0) {
        for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) {
            const reftyp& e = st.refl(i);
            s.sumfcal += e.fmem;
            double d = delta_modulus(e);
            s.sumdeltaf += d;
            s.sumdeltafsq += d * d * e.weight;
            add_powers(s.fcon, d / e.sigma);
        }
    }

    // Prior structure factors steer the fit but are no observations.
    if (st.totalprif() > 0) {
        for (int i = st.sec.prif.start; i <= st.sec.prif.end; ++i) {
            const reftyp& e = st.refl(i);
            add_powers(s.pcon, delta_modulus(e) / e.sigma);
        }
    }

    int first = st.sec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        double summ = 0, sumf2 = 0;
        for (int j = first; j < first + st.gdiff(g); ++j) {
            const reftyp& e = st.refl(j);
            summ += e.mult;
            sumf2 += e.mult * e.fmem * e.fmem;
        }
        const double gc = std::sqrt(ratio(sumf2, summ));
        st.gcalc(g) = gc;
        const reftyp& e0 = st.refl(first);
        add_group(s, gc, e0.f, e0.weight, e0.sigma);
        first += st.gdiff(g);
    }
    rfactor_finish(st, s);
}

void rfactor_finish(RunState& st, const RSums& s) {
    st.r = st.rw = st.rf = st.rwf = st.rg = st.rwg = 0;
    st.sumfcal = st.sumgcal = st.sumfgcal = 0;
    st.sumdeltaf = st.sumdeltag = st.sumdeltafsq = st.sumdeltagsq = 0;
    st.fcon.fill(0);
    st.gcon.fill(0);
    st.pcon.fill(0);
    const int moments = st.totalfpg() - 1;

    if (st.totalf() > 0) {
        st.sumfcal = s.sumfcal;
        st.sumdeltaf = s.sumdeltaf;
        st.sumdeltafsq = s.sumdeltafsq;
        st.fcon = s.fcon;
        normalise(st.fcon, moments);
        st.rf = ratio(st.sumdeltaf, st.sumfobs);
        st.rwf = std::sqrt(ratio(st.sumdeltafsq, st.sumfobssq));
    }
    if (st.totalprif() > 0) {
        st.pcon = s.pcon;
        normalise(st.pcon, moments);
    }
    if (st.ggroups > 0) {
        st.sumgcal = s.sumgcal;
        st.sumdeltag = s.sumdeltag;
        st.sumdeltagsq = s.sumdeltagsq;
        st.gcon = s.gcon;
        normalise(st.gcon, moments);
        st.rg = st.sumgobs > kZeroTol ? st.sumdeltag / st.sumgobs : 0.0;
        st.rwg = st.sumgobssq > kZeroTol ? std::sqrt(st.sumdeltagsq / st.sumgobssq) : 0.0;
    }

    st.sumfgcal = st.sumfcal + st.sumgcal;
    st.r = ratio(st.sumdeltaf + st.sumdeltag, st.sumfgobs);
    st.rw = std::sqrt(ratio(st.sumdeltafsq + st.sumdeltagsq, st.sumfgobssq));

    const int n = st.actcon;
    st.fgcon = ratio(static_cast<double>(moments) * (moment(st.fcon, n) + moment(st.gcon, n)),
                     static_cast<double>(st.totalfg() - 1));
    st.fpgcon = moment(st.fcon, n) + moment(st.pcon, n) + moment(st.gcon, n);
}

void entropy(RunState& st) {
    const double* au = st.au.data();
    const double* rau = st.rau.data();
    const bool two = st.nchan == 2;
    const int norb = st.norb;
    double s = 0;
    for_each_orbit(st.rhotab, norb, [&](int orb, Orbit orbit) {
        const int m = orbit.m;
        const int i = orb - 1;
        s -= m * au[i] * std::log(au[i] / rau[i]);
        if (two) {
            const int k = i + norb;
            s -= m * au[k] * std::log(au[k] / rau[k]);
        }
    });
    st.s = s;
}

}  // namespace quilmo
