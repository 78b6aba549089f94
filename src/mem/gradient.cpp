#include "mem/gradient.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "fourier/spectrum.h"
#include "run/limits.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// The G factors of one call; kept between calls so a cycle allocates nothing.
std::vector<double>& pfac_store() {
    static thread_local std::vector<double> pfac;
    return pfac;
}

}  // namespace

int gradient_ach(const RunState& st) {
    if (st.actcon % 2 != 0) throw RunStop("Only even ActCon possible!");
    // The moments exist for orders 1..8 only.
    if (st.actcon < 2 || st.actcon > 8) throw RunStop("Only ActCon 2, 4, 6 or 8 possible!");
    return st.actcon / 2;
}

void fillfgcon(RunState& st) {
    const int ach = gradient_ach(st);
    TransformArray::Sparse& sf = clear_sf(st);

    if (st.totalfp() > 0) {
        write_memrefl_sf(st, sf, st.msec.f.start, st.msec.prif.end, [ach](const reftyp& e) {
            double da = e.amem - e.a, db = e.bmem - e.b;
            double p = ipow(da * da + db * db, ach - 1);
            double c = ach * p * ipow(e.weight, ach) * e.modwg / e.mult;
            return cplx(da * c, db * c);
        });
    }

    if (st.totalg() > 0) {
        std::vector<double>& pfac = pfac_store();
        if (pfac.size() < static_cast<std::size_t>(st.ggroups) + 1)
            pfac.resize(static_cast<std::size_t>(st.ggroups) + 1);
        int first = st.sec.g.start;
        for (int g = 1; g <= st.ggroups; ++g) {
            const reftyp& r = st.refl(first);
            pfac[static_cast<std::size_t>(g)] = gfactor(ach, st.gcalc(g), r.f, r.modwg, r.weight, st.sumgm(g));
            first += st.gdiff(g);
        }
        // A G member standing on an F position replaces the F value there.
        write_memrefl_sf(st, sf, st.msec.g.start, st.msec.g.end, [&pfac](const reftyp& e) {
            const double f = pfac[static_cast<std::size_t>(e.hklfg[8])];
            return cplx(f * e.amem, f * e.bmem);
        });
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
