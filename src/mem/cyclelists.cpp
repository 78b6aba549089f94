#include "mem/cyclelists.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "mem/gradient.h"
#include "mem/rfactor.h"
#include "run/parallel.h"
#include "run/simd.h"

namespace quilmo {

void ObsSums::add(const ObsSums& o) {
    fcal += o.fcal;
    dsum += o.dsum;
    dsq += o.dsq;
    for (std::size_t i = 1; i <= 8; ++i) con[i] += o.con[i];
}

namespace {

// The R terms of one F-constraint with calculated parts re rf, im rf:
// amplitude, |dF|, w |dF|^2 and the powers of |dF|/sigma.
#define QUILMO_R_TERMS                            \
    fcal += std::sqrt(re * re + im * im) * rf[j]; \
    {                                             \
        const double d = std::sqrt(d2);           \
        dsum += d;                                \
        dsq += d2 * w[j];                         \
        const double x = d / sigma[j];            \
        double p = x;                             \
        c1 += p;                                  \
        c2 += p *= x;                             \
        c3 += p *= x;                             \
        c4 += p *= x;                             \
        c5 += p *= x;                             \
        c6 += p *= x;                             \
        c7 += p *= x;                             \
        c8 += p *= x;                             \
    }

ObsSums obs_result(double fcal, double dsum, double dsq, const std::array<double, 8>& c) {
    ObsSums s;
    s.fcal = fcal;
    s.dsum = dsum;
    s.dsq = dsq;
    for (std::size_t i = 0; i < 8; ++i) s.con[i + 1] = c[i];
    return s;
}

// The gradient values of F and P entries begin..end-1 (fillfgcon's
// formula): with d = F rf - Fobs, d (actcon/2) |d|^(actcon-2) k.  With
// kTwins also the R sums of the entries (all twins).
template <int kAch, bool kTwins>
[[gnu::always_inline]] inline ObsSums gradient_fp(const double* half, const CycleLists& cl, double* v,
                                                  long begin, long end, double scale) {
    const int* at = cl.at.data();
    const double *rf = cl.rf.data(), *a = cl.a.data(), *b = cl.b.data(), *k = cl.k.data();
    const double *sigma = cl.sigma.data(), *w = cl.weight.data();
    double fcal = 0, dsum = 0, dsq = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0, c5 = 0, c6 = 0, c7 = 0, c8 = 0;
    QUILMO_SIMD(reduction(+ : fcal, dsum, dsq, c1, c2, c3, c4, c5, c6, c7, c8))
    for (long j = begin; j < end; ++j) {
        const auto [re, im] = half_value(half, at[j], scale);
        const double da = re * rf[j] - a[j], db = im * rf[j] - b[j];
        const double d2 = da * da + db * db;
        // |d|^(actcon-2), multiplied up as ipow does.
        double p = 1.0;
        if constexpr (kAch > 1) p = d2;
        if constexpr (kAch > 2) p *= d2;
        if constexpr (kAch > 3) p *= d2;
        const double c = kAch * p * k[j];
        v[2 * j] = da * c;
        v[2 * j + 1] = db * c;
        if constexpr (kTwins) {
            QUILMO_R_TERMS
        }
    }
    return obs_result(fcal, dsum, dsq, {c1, c2, c3, c4, c5, c6, c7, c8});
}

template <bool kTwins>
QUILMO_CLONES ObsSums gradient_fp(const double* half, const CycleLists& cl, double* v, long begin, long end,
                                  double scale) {
    switch (cl.ach) {
        case 1:
            return gradient_fp<1, kTwins>(half, cl, v, begin, end, scale);
        case 2:
            return gradient_fp<2, kTwins>(half, cl, v, begin, end, scale);
        case 3:
            return gradient_fp<3, kTwins>(half, cl, v, begin, end, scale);
        default:
            return gradient_fp<4, kTwins>(half, cl, v, begin, end, scale);
    }
}

// The calculated structure factors of G entries begin..end-1.
QUILMO_CLONES
void calculated_g(const double* half, const int* at, const double* rf, double* v, long begin, long end,
                  double scale) {
    QUILMO_SIMD()
    for (long j = begin; j < end; ++j) {
        const auto [re, im] = half_value(half, at[j], scale);
        v[2 * j] = re * rf[j];
        v[2 * j + 1] = im * rf[j];
    }
}

// The R sums of entries begin..end-1 of an observation list.
QUILMO_CLONES
ObsSums obs_sums(const double* half, const ObsList& o, long begin, long end, double scale) {
    const int* at = o.at.data();
    const double *rf = o.rf.data(), *a = o.a.data(), *b = o.b.data(), *sigma = o.sigma.data(),
                 *w = o.weight.data();
    double fcal = 0, dsum = 0, dsq = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0, c5 = 0, c6 = 0, c7 = 0, c8 = 0;
    QUILMO_SIMD(reduction(+ : fcal, dsum, dsq, c1, c2, c3, c4, c5, c6, c7, c8))
    for (long j = begin; j < end; ++j) {
        const auto [re, im] = half_value(half, at[j], scale);
        const double da = a[j] - re * rf[j], db = b[j] - im * rf[j];
        const double d2 = da * da + db * db;
        QUILMO_R_TERMS
    }
    return obs_result(fcal, dsum, dsq, {c1, c2, c3, c4, c5, c6, c7, c8});
}

#undef QUILMO_R_TERMS

// obs_sums over a whole list, in parts when it is long; the parts are
// added in order.
ObsSums list_sums(const RunState& st, const double* half, const ObsList& o, double scale) {
    const long n = o.size();
    const int parts = part_count(st.nthreads, n);
    std::array<ObsSums, kMaxThreads> part;
    for_parts(parts, n, [&](int k, long begin, long end) {
        part[static_cast<std::size_t>(k)] = obs_sums(half, o, begin, end, scale);
    });
    ObsSums s;
    for (int k = 0; k < parts; ++k) s.add(part[static_cast<std::size_t>(k)]);
    return s;
}

// Half the gradient values of entries begin..end-1 into the half h: stored
// where F(h) itself is kept, or added as a conjugate (`kMirror`).  G values
// are F times the factor of their group (pfac[group[j - goff]]).
template <bool kGroup, bool kMirror>
[[gnu::always_inline]] inline void put_halves(double* h, const int* at, const double* v, const int* group,
                                              long goff, const double* pfac, long begin, long end) {
    QUILMO_SIMD()
    for (long j = begin; j < end; ++j) {
        const double f = kGroup ? pfac[group[j - goff]] : 1.0;
        const double re = 0.5 * (f * v[2 * j]), im = 0.5 * (f * v[2 * j + 1]);
        const int s = at[j];
        if constexpr (kMirror) {
            const long q = 2L * ~s;
            h[q] += re;
            h[q + 1] -= im;
        } else {
            const long q = 2L * s;
            h[q] = re;
            h[q + 1] = im;
        }
    }
}

QUILMO_CLONES
void put_gradient(double* h, const CycleLists& c) {
    const int* at = c.at.data();
    const double* v = c.v.data();
    const int* group = c.group.data();
    const double* pfac = c.pfac.data();
    const long fpd = c.nfpd, fp = c.nfp, gd = c.nfp + c.ngd, n = static_cast<long>(c.at.size());
    put_halves<false, false>(h, at, v, group, fp, pfac, 0, fpd);
    put_halves<true, false>(h, at, v, group, fp, pfac, fp, gd);
    put_halves<false, true>(h, at, v, group, fp, pfac, fpd, fp);
    put_halves<true, true>(h, at, v, group, fp, pfac, gd, n);
}

void add_obs(const RunState& st, ObsList& o, const reftyp& e) {
    o.at.push_back(half_slot(st.sf.position(e.sfloc)));
    o.rf.push_back(e.rf);
    o.a.push_back(e.a);
    o.b.push_back(e.b);
    o.sigma.push_back(e.sigma);
    o.weight.push_back(e.weight);
}

// Calls f(lo, hi) for the part of [lo, hi) that lies in [begin, end).
template <class F>
void within(long begin, long end, long lo, long hi, F f) {
    lo = std::max(lo, begin);
    hi = std::min(hi, end);
    if (lo < hi) f(lo, hi);
}

}  // namespace

CycleLists cycle_lists(const RunState& st) {
    CycleLists c;
    // An order fillfgcon refuses stops the run at the first gradient, not here.
    c.ach = std::clamp(st.actcon / 2, 1, 4);

    // The entries fillfgcon writes, in the order it writes them.
    std::vector<int> written;
    if (st.totalfp() > 0)
        for (int i = st.msec.f.start; i <= st.msec.prif.end; ++i) written.push_back(i);
    const std::size_t nwritten_fp = written.size();
    if (st.totalg() > 0)
        for (int i = st.msec.g.start; i <= st.msec.g.end; ++i) written.push_back(i);
    // Of the entries on one position the last written stays.
    std::vector<std::size_t> order(written.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto loc = [&](std::size_t w) { return st.memrefl(written[w]).sfloc; };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t x, std::size_t y) { return loc(x) < loc(y); });
    std::vector<char> stays(written.size(), 0);
    for (std::size_t r = 0; r < order.size(); ++r)
        if (r + 1 == order.size() || loc(order[r + 1]) != loc(order[r])) stays[order[r]] = 1;

    // The F-constraints of refl by position (the first of a repeated one),
    // and the twin of each F and P entry that stays: the constraint on its
    // position, when it observed the same value.
    std::unordered_map<int, int> fpos;
    if (st.totalf() > 0)
        for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) fpos.emplace(st.refl(i).sfloc, i);
    std::vector<int> twin(written.size(), 0);
    std::vector<char> paired(static_cast<std::size_t>(std::max(st.sec.f.end, 0)) + 1, 0);
    for (std::size_t w = 0; w < nwritten_fp; ++w) {
        if (!stays[w]) continue;
        const reftyp& e = st.memrefl(written[w]);
        const auto it = fpos.find(e.sfloc);
        if (it == fpos.end()) continue;
        const reftyp& r = st.refl(it->second);
        if (r.a == e.a && r.b == e.b && r.rf == e.rf) {
            twin[w] = it->second;
            paired[static_cast<std::size_t>(it->second)] = 1;
        }
    }

    // F and P entries first, then G; within each those whose F(h) is stored
    // as it is (direct) before those stored as a conjugate (mirror), so
    // that fill_gradient can store the first kind and add the second; among
    // F and P entries of a kind the twins first.
    auto add_entries = [&](std::size_t from, std::size_t to, bool fp, bool direct, bool twins) {
        for (std::size_t w = from; w < to; ++w) {
            if (!stays[w] || (twin[w] != 0) != twins) continue;
            const reftyp& e = st.memrefl(written[w]);
            const HalfPos pos = st.sf.position(e.sfloc);
            if ((pos.direct >= 0) != direct) continue;
            if (pos.direct >= 0 && pos.mirror >= 0)
                c.mates.emplace_back(static_cast<long>(c.at.size()), static_cast<int>(pos.mirror));
            c.at.push_back(half_slot(pos));
            c.rf.push_back(e.rf);
            if (fp) {
                c.a.push_back(e.a);
                c.b.push_back(e.b);
                c.k.push_back(ipow(e.weight, c.ach) * e.modwg / e.mult);
                c.sigma.push_back(twins ? st.refl(twin[w]).sigma : 1.0);
                c.weight.push_back(twins ? st.refl(twin[w]).weight : 0.0);
            } else {
                c.group.push_back(e.hklfg[8]);
            }
        }
    };
    add_entries(0, nwritten_fp, true, true, true);
    c.ntd = static_cast<long>(c.at.size());
    add_entries(0, nwritten_fp, true, true, false);
    c.nfpd = static_cast<long>(c.at.size());
    add_entries(0, nwritten_fp, true, false, true);
    c.ntm = static_cast<long>(c.at.size()) - c.nfpd;
    add_entries(0, nwritten_fp, true, false, false);
    c.nfp = static_cast<long>(c.at.size());
    add_entries(nwritten_fp, written.size(), false, true, false);
    c.ngd = static_cast<long>(c.at.size()) - c.nfp;
    add_entries(nwritten_fp, written.size(), false, false, false);
    c.v.assign(2 * c.at.size(), 0.0);
    c.vb = c.v;

    const std::size_t ng = static_cast<std::size_t>(std::max(st.ggroups, 0)) + 1;
    c.gf.assign(ng, 0.0);
    c.gmodwg.assign(ng, 0.0);
    c.gweight.assign(ng, 0.0);
    c.gsigma.assign(ng, 0.0);
    c.sumgm.assign(ng, 0.0);
    c.pfac.assign(ng, 0.0);
    c.gend.assign(ng, 0);
    if (st.totalf() > 0)
        for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i)
            if (!paired[static_cast<std::size_t>(i)]) add_obs(st, c.f, st.refl(i));
    if (st.totalprif() > 0)
        for (int i = st.sec.prif.start; i <= st.sec.prif.end; ++i) add_obs(st, c.p, st.refl(i));
    int first = st.sec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        const std::size_t gs = static_cast<std::size_t>(g);
        const reftyp& r = st.refl(first);
        c.gf[gs] = r.f;
        c.gmodwg[gs] = r.modwg;
        c.gweight[gs] = r.weight;
        c.gsigma[gs] = r.sigma;
        c.sumgm[gs] = st.sumgm.allocated() && st.sumgm.size() >= g ? st.sumgm(g) : 0.0;
        for (int j = first; j < first + st.gdiff(g); ++j) {
            const reftyp& e = st.refl(j);
            c.gat.push_back(half_slot(st.sf.position(e.sfloc)));
            c.grf.push_back(e.rf);
            c.gmult.push_back(e.mult);
        }
        c.gend[gs] = static_cast<long>(c.gat.size());
        first += st.gdiff(g);
    }
    return c;
}

void take_sf(RunState& st, CycleLists& c, double scale) {
    const double* half = reinterpret_cast<const double*>(st.sf.half());
    const long n = static_cast<long>(c.at.size());
    const int parts = part_count(st.nthreads, n);
    std::array<ObsSums, kMaxThreads> sums;
    double* v = c.v.data();
    for_parts(parts, n, [&](int k, long begin, long end) {
        ObsSums& s = sums[static_cast<std::size_t>(k)];
        s = ObsSums{};
        const long tm = c.nfpd + c.ntm;
        within(begin, end, 0, c.ntd,
               [&](long lo, long hi) { s.add(gradient_fp<true>(half, c, v, lo, hi, scale)); });
        within(begin, end, c.ntd, c.nfpd,
               [&](long lo, long hi) { gradient_fp<false>(half, c, v, lo, hi, scale); });
        within(begin, end, c.nfpd, tm,
               [&](long lo, long hi) { s.add(gradient_fp<true>(half, c, v, lo, hi, scale)); });
        within(begin, end, tm, c.nfp,
               [&](long lo, long hi) { gradient_fp<false>(half, c, v, lo, hi, scale); });
        within(begin, end, c.nfp, n,
               [&](long lo, long hi) { calculated_g(half, c.at.data(), c.rf.data(), v, lo, hi, scale); });
    });
    c.twins = ObsSums{};
    for (int k = 0; k < parts; ++k) c.twins.add(sums[static_cast<std::size_t>(k)]);
}

void rfactor_sf(RunState& st, const CycleLists& c, double scale) {
    const double* half = reinterpret_cast<const double*>(st.sf.half());
    RSums s;
    ObsSums f = c.twins;
    f.add(list_sums(st, half, c.f, scale));
    s.sumfcal = f.fcal;
    s.sumdeltaf = f.dsum;
    s.sumdeltafsq = f.dsq;
    s.fcon = f.con;
    s.pcon = list_sums(st, half, c.p, scale).con;

    if (!st.gcalc.allocated() || st.gcalc.size() != st.ggroups) st.gcalc.allocate(1, st.ggroups);
    long j = 0;
    for (int g = 1; g <= st.ggroups; ++g) {
        const std::size_t gs = static_cast<std::size_t>(g);
        double summ = 0, sumf2 = 0;
        for (; j < c.gend[gs]; ++j) {
            const std::size_t jj = static_cast<std::size_t>(j);
            const auto [re, im] = half_value(half, c.gat[jj], scale);
            const double fmem = std::sqrt(re * re + im * im) * c.grf[jj];
            summ += c.gmult[jj];
            sumf2 += c.gmult[jj] * fmem * fmem;
        }
        const double gc = summ != 0.0 ? std::sqrt(sumf2 / summ) : 0.0;
        st.gcalc(g) = gc;
        add_group(s, gc, c.gf[gs], c.gweight[gs], c.gsigma[gs]);
    }
    rfactor_finish(st, s);
}

void fill_gradient(RunState& st, CycleLists& c) {
    const int ach = gradient_ach(st);
    // The half is written here, not through the values at reflection
    // positions.
    st.sf.sparse().active = false;
    st.sf.clear_half(st.nthreads);

    for (int g = 1; g <= st.ggroups; ++g) {
        const std::size_t gs = static_cast<std::size_t>(g);
        c.pfac[gs] = gfactor(ach, st.gcalc(g), c.gf[gs], c.gmodwg[gs], c.gweight[gs], c.sumgm[gs]);
    }
    // Each entry puts half its value where F(h) is stored and half its
    // conjugate where F(-h) is (the Hermitian part that the backward
    // transform of a real density takes).  A slot holds F(h) for one h
    // and a conjugate for one h, so the direct halves are stored, and the
    // conjugate halves added, in any order.
    double* h = reinterpret_cast<double*>(st.sf.half());
    put_gradient(h, c);
    const long fp = c.nfp;
    for (const auto& [j, slot] : c.mates) {
        const std::size_t jj = static_cast<std::size_t>(j);
        const double f =
            j < fp ? 1.0 : c.pfac[static_cast<std::size_t>(c.group[jj - static_cast<std::size_t>(fp)])];
        const double re = 0.5 * (f * c.v[2 * jj]), im = 0.5 * (f * c.v[2 * jj + 1]);
        h[2 * static_cast<std::size_t>(slot)] += re;
        h[2 * static_cast<std::size_t>(slot) + 1] -= im;
    }
}

}  // namespace quilmo
