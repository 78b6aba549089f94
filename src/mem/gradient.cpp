#include "mem/gradient.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "run/limits.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

double ipow(double x, int n) {
    double p = 1.0;
    for (int k = 0; k < n; ++k) p *= x;
    return p;
}

// The G factors of one call; kept between calls so a cycle allocates nothing.
std::vector<double>& pfac_store() {
    static thread_local std::vector<double> pfac;
    return pfac;
}

}  // namespace

void fillfgcon(RunState& st) {
    if (st.actcon % 2 != 0) throw RunStop("Only even ActCon possible!");
    // The moments exist for orders 1..8 only.
    if (st.actcon < 2 || st.actcon > 8) throw RunStop("Only ActCon 2, 4, 6 or 8 possible!");
    const int ach = st.actcon / 2;
    double* sf = st.sf.data();
    std::fill(st.sf.vec().begin(), st.sf.vec().end(), 0.0);

    if (st.totalfp() > 0) {
        for (int i = st.msec.f.start; i <= st.msec.prif.end; ++i) {
            const reftyp& e = st.memrefl(i);
            double da = e.amem - e.a, db = e.bmem - e.b;
            double p = ipow(da * da + db * db, ach - 1);
            double c = ach * p * ipow(e.weight, ach) * e.modwg / e.mult;
            sf[e.sfloc] = da * c;
            sf[e.sfloc + 1] = db * c;
        }
    }

    if (st.totalg() > 0) {
        std::vector<double>& pfac = pfac_store();
        if (pfac.size() < static_cast<std::size_t>(st.ggroups) + 1)
            pfac.resize(static_cast<std::size_t>(st.ggroups) + 1);
        int first = st.sec.g.start;
        for (int g = 1; g <= st.ggroups; ++g) {
            const reftyp& r = st.refl(first);
            double gc = st.gcalc(g);
            double f = 0.0;
            if (gc > kZeroTol) {
                double dg = gc - r.f;
                f = ach * ipow(dg * dg, ach - 1) * r.modwg * dg * ipow(r.weight, ach) /
                    (st.sumgm(g) * gc);
            }
            pfac[static_cast<std::size_t>(g)] = f;
            first += st.gdiff(g);
        }
        for (int i = st.msec.g.start; i <= st.msec.g.end; ++i) {
            const reftyp& e = st.memrefl(i);
            double f = pfac[static_cast<std::size_t>(e.hklfg[8])];
            sf[e.sfloc] = f * e.amem;
            sf[e.sfloc + 1] = f * e.bmem;
        }
    }
}

double startlambda(const double* g, const double* m, const double* rau, int norb,
                   double chargeterm, double normcon) {
    double lmax = 1e99;
    for (int i = 0; i < norb; ++i) lmax = std::min(lmax, lambda_limit(g[i]));

    double sum = 0;
    for (int i = 0; i < norb; ++i) sum += m[i] * rau[i] * std::exp(-lmax * g[i]);

    // ln of the factor that would bring the trial density back to the charge.
    double lnrho = 0;
    bool defined = true;
    double rhonorm = chargeterm / (sum * normcon);
    const bool plain = std::isfinite(sum) && sum >= DBL_MIN && std::isfinite(rhonorm) && rhonorm > 0;
    if (plain) {
        lnrho = std::log(rhonorm);
    } else {
        // Log-sum-exp: every term taken relative to the largest one.
        double top = -HUGE_VAL;
        for (int i = 0; i < norb; ++i)
            if (m[i] * rau[i] != 0) top = std::max(top, std::log(std::fabs(m[i] * rau[i])) - lmax * g[i]);
        double rest = 0;
        for (int i = 0; i < norb; ++i) {
            double w = m[i] * rau[i];
            if (w != 0) rest += std::copysign(std::exp(std::log(std::fabs(w)) - lmax * g[i] - top), w);
        }
        defined = rest > 0 && chargeterm > 0 && normcon > 0;
        if (defined) lnrho = std::log(chargeterm) - (top + std::log(rest)) - std::log(normcon);
    }

    // Outside 1/101.1 .. 101.1 the step is damped by the size of the charge
    // change; the magnitude keeps lambda positive for a shrinking charge.
    // Inside, lambda starts at lmax itself.
    double lambda = lmax;
    if (defined && std::fabs(lnrho) > kChargeLimit) {
        double log10inv = plain ? std::log10(1.0 / rhonorm) : -lnrho / std::log(10.0);
        lambda = lmax / (1.0 + std::fabs(log10inv));
    }
    return lambda / 10.0;
}

}  // namespace quilmo
