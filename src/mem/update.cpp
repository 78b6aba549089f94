#include "mem/update.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "grid/voxels.h"
#include "mem/gradient.h"
#include "run/console.h"
#include "run/limits.h"
#include "run/parallel.h"
#include "run/simd.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// Orbits per block: the gradient of a block is read twice (for its largest
// value, then for the step), and where the orbit table is walked the new
// values are spread over the grid while they are still in the first-level
// cache.
constexpr long kBlock = 512;

// Partial sums of the update over a range of orbits.
struct Sums {
    double sc = 0, slen = 0, clen = 0, sumrho = 0, slog = 0;
    double gmax = 0;  // largest |g|
    void add(const Sums& o) {
        sc += o.sc;
        slen += o.slen;
        clen += o.clen;
        sumrho += o.sumrho;
        slog += o.slog;
        gmax = std::max(gmax, o.gmax);
    }
};

// Where the values go and come from: au, its log ratios and their pending
// scaling in, the new ones out (may be the same arrays).
struct Arrays {
    const double *au, *lr;
    double *nau, *nlr;
    double scale, shift;
};

// The step of orbits begin..end-1.  With `kIdentity` orbit i is voxel i, its
// multiplicity 1, and the new value replaces the gradient at once.  With
// `kTwo` the second channel au(norb+i) moves the other way.  e = -lambda g,
// the sums are taken with the values before the step:
//   sc -= m^2 ln(au/rau) g, slen += (m ln(au/rau))^2, clen += (m g)^2,
// and after it: sumrho += m au, slog += m au ln(au/rau).
// The largest |g| is found first, in a loop of its own: a comparison in the
// loop of the exponential keeps the compiler from its vector version.
// |lambda g| >= 708 anywhere then means |lambda| gmax >= 708.
template <bool kIdentity, bool kTwo>
[[gnu::always_inline]] inline Sums step(double* grad, const int* v, const double* m, const Arrays& a,
                                        long norb, long begin, long end, double norm, double lambda) {
    double gmax = 0;
    QUILMO_SIMD(reduction(max : gmax))
    for (long i = begin; i < end; ++i) {
        const double ag = std::fabs((kIdentity ? grad[i] : grad[v[i]]) / norm);
        gmax = ag > gmax ? ag : gmax;
    }
    double sc = 0, slen = 0, clen = 0, sumrho = 0, slog = 0;
    const double *au = a.au, *lr = a.lr;
    double *nau = a.nau, *nlr = a.nlr;
    const double scale = a.scale, shift = a.shift;
    QUILMO_SIMD(reduction(+ : sc, slen, clen, sumrho, slog))
    for (long i = begin; i < end; ++i) {
        const double mi = kIdentity ? 1.0 : m[i];
        const double g = (kIdentity ? grad[i] : grad[v[i]]) / norm;
        const double e = -lambda * g;
        const double l1 = lr[i] + shift;
        sc -= mi * mi * l1 * g;
        slen += (mi * l1) * (mi * l1);
        clen += (mi * g) * (mi * g);
        const double x = std::exp(e);
        const double n1 = au[i] * scale * x, nl1 = l1 + e;
        nau[i] = n1;
        nlr[i] = nl1;
        sumrho += mi * n1;
        slog += mi * n1 * nl1;
        if constexpr (kTwo) {
            const double l2 = lr[i + norb] + shift;
            sc -= mi * mi * l2 * g;
            slen += (mi * l2) * (mi * l2);
            const double n2 = au[i + norb] * scale / x, nl2 = l2 - e;
            nau[i + norb] = n2;
            nlr[i + norb] = nl2;
            sumrho += mi * n2;
            slog += mi * n2 * nl2;
        }
        if constexpr (kIdentity) grad[i] = n1;
    }
    return Sums{sc, slen, clen, sumrho, slog, gmax};
}

QUILMO_CLONES
Sums step_identity(double* grad, const Arrays& a, long begin, long end, double norm, double lambda) {
    return step<true, false>(grad, nullptr, nullptr, a, 0, begin, end, norm, lambda);
}

QUILMO_CLONES
Sums step_orbits(double* grad, const int* v, const double* m, const Arrays& a, long begin, long end,
                 double norm, double lambda) {
    return step<false, false>(grad, v, m, a, 0, begin, end, norm, lambda);
}

QUILMO_CLONES
Sums step_two(double* grad, const int* v, const double* m, const Arrays& a, long norb, long begin, long end,
              double norm, double lambda) {
    return step<false, true>(grad, v, m, a, norb, begin, end, norm, lambda);
}

// Writes the new value of orbits begin..end-1 (the first channel less the
// second with two) to their voxels, reading rhotab from position t on;
// returns the position after the last orbit.
long spread(double* rho, const int* tab, long t, const double* nau, long norb, bool two, long begin,
            long end) {
    for (long i = begin; i < end; ++i) {
        const int m = tab[t];
        const double value = two ? nau[i] - nau[i + norb] : nau[i];
        for (int j = 1; j <= m; ++j) rho[tab[t + j]] = value;
        t += m + 1;
    }
    return t;
}

[[noreturn]] void lambda_too_large(RunState& st, double lambda, double gmax) {
    const double r = std::min(lambda, lambda_limit(gmax));
    FmtItems msg{"Lambda too large. Lower the value at least to", r, ". Stopping."};
    st.log.write("(A,e10.3,A)", msg);
    st.log.close();
    TextOut con(*st.con);
    con.write("(A,e10.3,A)", msg);
    throw RunStop();
}

}  // namespace

void init_density(RunState& st, const OrbitList& orb, IterDensity& d) {
    const double* au = st.au.data();
    const double* rau = st.rau.data();
    d.now.resize(static_cast<std::size_t>(st.au.size()));
    for (std::size_t k = 0; k < d.now.size(); ++k) d.now[k] = std::log(au[k] / rau[k]);
    d.backup = d.now;
    d.scale = d.bscale = 1;
    d.shift = d.bshift = 0;
    d.pinned = false;
    if (!st.bau.allocated() || st.bau.size() != st.au.size()) st.bau.allocate(1, st.au.size());

    // The parts of the update begin where for_parts cuts the orbits.
    const int parts = part_count(st.nthreads, st.norb);
    d.tab_start.assign(static_cast<std::size_t>(parts), 0);
    long t = 0;
    int k = 0;
    for (long i = 0; i < st.norb && k < parts; ++i) {
        while (k < parts && i == static_cast<long>(st.norb) * k / parts)
            d.tab_start[static_cast<std::size_t>(k++)] = t;
        t += st.rhotab.data()[t] + 1;
    }
    d.of.clear();
    if (orb.covers && !orb.identity && st.nchan == 1) d.of = voxel_orbits(st);
}

StepResult update(RunState& st, const OrbitList& orb, IterDensity& d, double lambda) {
    const long norb = st.norb;
    const bool two = st.nchan == 2;
    const bool identity = orb.identity && !two;
    const Arrays arrays{st.au.data(),
                        d.now.data(),
                        d.pinned ? st.au.data() : st.bau.data(),
                        d.pinned ? d.now.data() : d.backup.data(),
                        d.scale,
                        d.shift};
    double* grad = st.sf.density();
    const int* tab = st.rhotab.data();
    const int* v = orb.v.data();
    const double* m = orb.m.data();
    const double norm = st.norm;
    const int parts = part_count(st.nthreads, norb);
    std::array<Sums, kMaxThreads> sums;  // no allocation in the cycle
    // Each voxel belongs to one orbit, so writing an orbit's voxels never
    // overwrites the gradient at the first voxel of another.
    const bool walk = !identity && orb.covers && d.of.empty();
    for_parts(parts, norb, [&](int k, long begin, long end) {
        Sums& p = sums[static_cast<std::size_t>(k)];
        p = Sums{};
        long t = d.tab_start[static_cast<std::size_t>(k)];
        for (long b = begin; b < end; b += kBlock) {
            const long e = std::min(end, b + kBlock);
            p.add(identity ? step_identity(grad, arrays, b, e, norm, lambda)
                  : two    ? step_two(grad, v, m, arrays, norb, b, e, norm, lambda)
                           : step_orbits(grad, v, m, arrays, b, e, norm, lambda));
            if (walk) t = spread(grad, tab, t, arrays.nau, norb, two, b, e);
        }
    });
    // With the orbit of every voxel at hand the grid is filled in voxel
    // order, once every gradient value has been read.
    if (!d.of.empty()) expandsf(st, arrays.nau, d.of);
    Sums total;
    for (int k = 0; k < parts; ++k) total.add(sums[static_cast<std::size_t>(k)]);
    if (std::fabs(lambda) * total.gmax >= 708) lambda_too_large(st, lambda, total.gmax);

    if (!d.pinned) {
        std::swap(st.au, st.bau);
        std::swap(d.now, d.backup);
        std::swap(d.scale, d.bscale);
        std::swap(d.shift, d.bshift);
    }
    // A table that leaves voxels out: they must be 0, and the gradient was
    // still wanted until the last orbit.
    if (!orb.covers) expandsf(st);

    StepResult u;
    d.scale = 1;
    d.shift = 0;
    if (two) {
        u.s = -total.slog;  // two channels keep their charge
    } else {
        // With u = au exp(e) before the scaling, ln(au_new/rau) = ln(au/rau) +
        // e + ln(rhonorm), so s = -rhonorm (sum m u (ln(au/rau) + e) +
        // ln(rhonorm) sum m u).
        u.rhonorm = st.charge / (total.sumrho * st.normcon);
        d.scale = u.rhonorm;
        d.shift = std::log(u.rhonorm);
        u.s = -u.rhonorm * (total.slog + d.shift * total.sumrho);
    }
    u.sc = total.slen * total.clen > kZeroTol ? 1.0 - total.sc / std::sqrt(total.slen * total.clen) : 0.0;
    return u;
}

void settle(RunState& st, IterDensity& d) {
    if (d.scale == 1 && d.shift == 0) return;
    double* au = st.au.data();
    double* lr = d.now.data();
    const long n = static_cast<long>(d.now.size());
    const double scale = d.scale, shift = d.shift;
    for_parts(part_count(st.nthreads, n), n, [&](int, long begin, long end) {
        for (long i = begin; i < end; ++i) {
            au[i] *= scale;
            lr[i] += shift;
        }
    });
    d.scale = 1;
    d.shift = 0;
}

void to_backup(RunState& st, IterDensity& d) {
    std::swap(st.au, st.bau);
    std::swap(d.now, d.backup);
    std::swap(d.scale, d.bscale);
    std::swap(d.shift, d.bshift);
    d.pinned = false;
    settle(st, d);
}

}  // namespace quilmo
