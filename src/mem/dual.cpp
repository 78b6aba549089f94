#include "mem/dual.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include "fourier/fft.h"
#include "grid/orbitlist.h"
#include "grid/voxels.h"
#include "run/limits.h"
#include "run/simd.h"

namespace quilmo {

namespace {

// phi(x) = 2 Re sum_k conj(t_k) exp(2 pi i h_k.x) at every voxel of sf's
// density.  t_k belongs at the position of h_k and conj(t_k) at that of
// -h_k, added, so that a reflection that is its own Friedel mate on the grid
// gets both terms; the slot that keeps F(h_k) then receives t_k and the one
// that keeps its conjugate conj(t_k).  The backward transform, left
// unscaled, gives phi.
void phi_on_grid(RunState& st, const DualProblem& p, const double* t) {
    st.sf.clear_half(st.nthreads);
    st.sf.sparse().active = false;  // the half itself is written, not the sparse values
    cplx* half = st.sf.half();
    for (int k = 0; k < p.nf; ++k) {
        const cplx tk(t[2 * k], t[2 * k + 1]);
        const HalfPos& pos = p.pos[static_cast<std::size_t>(k)];
        if (pos.direct >= 0) half[pos.direct] += tk;
        if (pos.mirror >= 0) half[pos.mirror] += std::conj(tk);
    }
    fft_backward_unscaled(st);
}

// The orbit means of the density of sf into phibar; returns the largest
// -phibar.  Only the given constraints are placed: the mean over each orbit
// is what symmetrises phi, exactly, whatever the orbit of h holds (its
// symmetry images, -h itself).  With the orbit of every voxel at hand the
// grid is read in voxel order.
double orbit_means(const RunState& st, const DualProblem& p, std::vector<double>& phibar) {
    const double* rho = st.sf.density();
    phibar.assign(static_cast<std::size_t>(st.norb), 0.0);
    double top = -HUGE_VAL;
    if (!p.of.empty()) {
        double* sum = phibar.data();
        const int* of = p.of.data();
        for (long v = 0; v < static_cast<long>(p.of.size()); ++v) sum[of[v]] += rho[v];
        for (std::size_t i = 0; i < phibar.size(); ++i) {
            phibar[i] /= p.m[i];
            top = std::max(top, -phibar[i]);
        }
        return top;
    }
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        double sum = 0;
        for (int j = 0; j < orbit.m; ++j) sum += rho[orbit.voxel[j]];
        const double mean = sum / orbit.m;
        phibar[static_cast<std::size_t>(i - 1)] = mean;
        top = std::max(top, -mean);
    });
    return top;
}

// The largest -phi(x) of a density without symmetry.
QUILMO_CLONES
double lowest(const double* phi, long n) {
    double top = -HUGE_VAL;
    QUILMO_SIMD(reduction(max : top))
    for (long i = 0; i < n; ++i) top = -phi[i] > top ? -phi[i] : top;
    return top;
}

// u_i = rau_i exp(-phibar_i - top) into au, and into grid when it is given
// (no symmetry: orbit i is voxel i, which held phibar_i); the sums z of
// m u and zp of m u phibar.
struct ExpSums {
    double z = 0, zp = 0;
};
QUILMO_CLONES
ExpSums prior_exp(const double* phibar, const double* rau, const double* m, double* au, double* grid, long n,
                  double top) {
    double z = 0, zp = 0;
    if (grid) {
        QUILMO_SIMD(reduction(+ : z, zp))
        for (long i = 0; i < n; ++i) {
            const double ph = phibar[i];
            const double u = rau[i] * std::exp(-ph - top);
            au[i] = u;
            grid[i] = u;
            z += u;
            zp += u * ph;
        }
    } else {
        QUILMO_SIMD(reduction(+ : z, zp))
        for (long i = 0; i < n; ++i) {
            const double ph = phibar[i];
            const double u = rau[i] * std::exp(-ph - top);
            au[i] = u;
            z += m[i] * u;
            zp += m[i] * u * ph;
        }
    }
    return {z, zp};
}

// sum w |t|^2 and sum Re(conj(t) Fo) over the constraints.
QUILMO_CLONES
std::pair<double, double> multiplier_sums(const DualProblem& p, const double* t) {
    const double *w = p.w.data(), *fa = p.fa.data(), *fb = p.fb.data();
    double wt2 = 0, lin = 0;
    QUILMO_SIMD(reduction(+ : wt2, lin))
    for (long k = 0; k < p.nf; ++k) {
        const double tr = t[2 * k], ti = t[2 * k + 1];
        wt2 += w[k] * (tr * tr + ti * ti);
        lin += tr * fa[k] + ti * fb[k];
    }
    return {wt2, lin};
}

QUILMO_CLONES
void scale_values(double* a, long n, double f) {
    QUILMO_SIMD()
    for (long i = 0; i < n; ++i) a[i] *= f;
}

// What the forward transform gives at the constraints: F = the structure
// factors of sf times fscale into fc, the constraint sum c = sum |Fo - F|^2 /
// w, the sum of |Fo - F|, and the gradient 2 (Fo - F) + 2 q w t into g.
struct FitSums {
    double c = 0, dsum = 0;
};
QUILMO_CLONES
FitSums fit(const double* half, const DualProblem& p, const double* t, double* fc, double* g, double fscale,
            double q) {
    const int* at = p.at.data();
    const double *fa = p.fa.data(), *fb = p.fb.data(), *w = p.w.data();
    double c = 0, dsum = 0;
    QUILMO_SIMD(reduction(+ : c, dsum))
    for (long k = 0; k < p.nf; ++k) {
        const auto [ar, ai] = half_value(half, at[k], fscale);
        fc[2 * k] = ar;
        fc[2 * k + 1] = ai;
        const double dr = fa[k] - ar, di = fb[k] - ai;
        const double d2 = dr * dr + di * di;
        c += d2 / w[k];
        dsum += std::sqrt(d2);
        g[2 * k] = 2 * dr + 2 * q * w[k] * t[2 * k];
        g[2 * k + 1] = 2 * di + 2 * q * w[k] * t[2 * k + 1];
    }
    return {c, dsum};
}

}  // namespace

namespace {

// Which components of F_h a symmetric density can take: the structure
// factors of two random orbit densities.  Both zero: an absence; parallel: a
// line; otherwise free.  cdead collects the components of Fo no density can
// follow.
void free_components(RunState& st, DualProblem& p) {
    std::mt19937 rng(20261209);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> r1(static_cast<std::size_t>(st.norb)), r2(r1.size());
    for (std::size_t i = 0; i < r1.size(); ++i) {
        r1[i] = u(rng);
        r2[i] = u(rng);
    }
    std::vector<double> f(4 * static_cast<std::size_t>(p.nf));
    double big = 0;
    for (int which = 0; which < 2; ++which) {
        expandsf(st, which == 0 ? r1.data() : r2.data());
        fft(st, 1);
        for (int k = 0; k < p.nf; ++k) {
            const std::size_t kk = static_cast<std::size_t>(k);
            const cplx fk = st.sf.read(p.pos[kk]);
            f[4 * kk + 2 * static_cast<std::size_t>(which)] = fk.real();
            f[4 * kk + 2 * static_cast<std::size_t>(which) + 1] = fk.imag();
            big = std::max(big, std::abs(fk));
        }
    }
    // Rounding leaves about 1e-16 of the largest structure factor.
    const double tol = 1e-9 * big;
    const std::size_t nf = static_cast<std::size_t>(p.nf);
    p.kind.assign(nf, 2);
    p.dr.assign(nf, 0.0);
    p.di.assign(nf, 0.0);
    p.cdead = 0;
    p.nx = 0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const double a1 = f[4 * kk], b1 = f[4 * kk + 1], a2 = f[4 * kk + 2], b2 = f[4 * kk + 3];
        const double n1 = std::hypot(a1, b1), n2 = std::hypot(a2, b2);
        if (std::max(n1, n2) <= tol) {
            p.kind[kk] = 0;
            p.cdead += (p.fa[kk] * p.fa[kk] + p.fb[kk] * p.fb[kk]) / p.w[kk];
        } else if (std::fabs(a1 * b2 - b1 * a2) <= tol * std::max(n1, n2)) {
            p.kind[kk] = 1;
            const double n = n1 >= n2 ? n1 : n2;
            p.dr[kk] = (n1 >= n2 ? a1 : a2) / n;
            p.di[kk] = (n1 >= n2 ? b1 : b2) / n;
            const double across = p.fb[kk] * p.dr[kk] - p.fa[kk] * p.di[kk];
            p.cdead += across * across / p.w[kk];
        }
        p.nx += p.kind[kk];
    }
}

}  // namespace

void dual_multipliers(const DualProblem& p, const double* x, double* t) {
    int j = 0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        switch (p.kind[kk]) {
            case 2:
                t[2 * k] = x[j++];
                t[2 * k + 1] = x[j++];
                break;
            case 1:
                t[2 * k] = x[j] * p.dr[kk];
                t[2 * k + 1] = x[j] * p.di[kk];
                ++j;
                break;
            default:
                t[2 * k] = t[2 * k + 1] = 0;
        }
    }
}

DualProblem dual_problem(RunState& st, double aim) {
    DualProblem p;
    p.aim = aim;
    p.charge = st.charge;
    const double d = st.totalfg() - 1;
    for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) {
        const reftyp& e = st.refl(i);
        p.pos.push_back(st.sf.position(e.sfloc));
        p.fa.push_back(e.a);
        p.fb.push_back(e.b);
        p.w.push_back(d * e.sigma * e.sigma);
    }
    p.nf = static_cast<int>(p.pos.size());

    for (const HalfPos& pos : p.pos) p.at.push_back(half_slot(pos));
    for (std::size_t k = 0; k < p.pos.size(); ++k) p.osum += std::hypot(p.fa[k], p.fb[k]);
    const OrbitList orb = orbitlist(st);
    p.m = orb.m;
    p.identity = orb.identity;
    if (orb.covers && !orb.identity) p.of = voxel_orbits(st);
    p.rau.assign(st.rau.data(), st.rau.data() + st.norb);
    free_components(st, p);
    return p;
}

DualValues dual_evaluate(RunState& st, const DualProblem& p, const double* xv, double* gv, double* au,
                         double* fc) {
    static thread_local std::vector<double> phibar, tv, gt;
    tv.resize(2 * static_cast<std::size_t>(p.nf));
    gt.resize(tv.size());
    dual_multipliers(p, xv, tv.data());
    const double* x = tv.data();
    double* g = gt.data();
    const double aim = p.aimfree();
    const long norb = static_cast<long>(p.m.size());

    // au_i = Q rau_i exp(-phibar_i) / Z, with the largest exponent taken out
    // of Z so that nothing overflows.  Without symmetry phibar is phi itself
    // and the unscaled density goes straight back onto the grid; its
    // structure factors are then read times Q / Z.
    phi_on_grid(st, p, x);
    double* grid = st.sf.density();
    const double* ph = grid;
    double top = 0;
    if (p.identity) {
        top = lowest(grid, norb);
    } else {
        top = orbit_means(st, p, phibar);
        ph = phibar.data();
    }
    const ExpSums e = prior_exp(ph, p.rau.data(), p.m.data(), au, p.identity ? grid : nullptr, norb, top);
    const double lnz = top + std::log(e.z);
    const double lnq = std::log(p.charge);
    const double qz = p.charge / e.z;
    scale_values(au, norb, qz);
    if (!p.identity) {
        if (!p.of.empty())
            expandsf(st, au, p.of);
        else
            expandsf(st, au);
    }

    DualValues v;
    const auto [wt2, lin] = multiplier_sums(p, x);
    const double root = std::sqrt(aim * wt2);
    v.psi = p.charge * lnz + 2 * lin + 2 * root;
    v.lambda = std::sqrt(wt2 / aim);
    // S = -sum m au ln(au/rau) with ln(au/rau) = ln Q - ln Z - phibar.
    v.s = qz * e.zp + p.charge * (lnz - lnq);

    // F(au): the density on the whole grid, forward.
    fft(st, 1);
    // At t = 0 the root has no derivative; its smallest subgradient is 0.
    const double q = root > 0 ? aim / root : 0.0;
    const double* half = reinterpret_cast<const double*>(st.sf.half());
    const FitSums f = fit(half, p, x, fc, g, p.identity ? qz : 1.0, q);
    // The gradient of the free components; a tied one would be 0 at its
    // optimum, which the lowered aim stands for.
    double gg = 0;
    int j = 0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        if (p.kind[kk] == 2) {
            gv[j++] = g[2 * k];
            gv[j++] = g[2 * k + 1];
            gg += g[2 * k] * g[2 * k] + g[2 * k + 1] * g[2 * k + 1];
        } else if (p.kind[kk] == 1) {
            const double d = g[2 * k] * p.dr[kk] + g[2 * k + 1] * p.di[kk];
            gv[j++] = d;
            gg += d * d;
        }
    }
    v.c = f.c;
    v.gnorm = std::sqrt(gg);
    v.r = p.osum > 0 ? f.dsum / p.osum : 0.0;
    return v;
}

bool dual_start(const DualProblem& p, const double* fc, double* x) {
    int j = 0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        // (F - Fo)/sigma^2 (D is the same for every constraint), free part.
        const double tr = (fc[2 * k] - p.fa[kk]) / p.w[kk], ti = (fc[2 * k + 1] - p.fb[kk]) / p.w[kk];
        if (p.kind[kk] == 2) {
            x[j++] = tr;
            x[j++] = ti;
        } else if (p.kind[kk] == 1) {
            x[j++] = tr * p.dr[kk] + ti * p.di[kk];
        }
    }
    std::vector<double> t(2 * static_cast<std::size_t>(p.nf));
    dual_multipliers(p, x, t.data());
    double sum = 0;
    for (int k = 0; k < p.nf; ++k)
        sum += std::hypot(t[2 * static_cast<std::size_t>(k)], t[2 * static_cast<std::size_t>(k) + 1]);
    if (!(sum > 0) || !std::isfinite(sum)) return false;
    for (int k = 0; k < p.nx; ++k) x[k] *= 0.05 / sum;
    return true;
}

double dual_angle_test(RunState& st, const DualProblem& p, const double* au, const double* fc) {
    // dC/drho(x) = (2/D) Re sum conj(F - Fo) exp(2 pi i h.x) / sigma^2: phi
    // of the multipliers (F - Fo)/w.
    std::vector<double> t(2 * static_cast<std::size_t>(p.nf));
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        t[2 * kk] = (fc[2 * k] - p.fa[kk]) / p.w[kk];
        t[2 * kk + 1] = (fc[2 * k + 1] - p.fb[kk]) / p.w[kk];
    }
    std::vector<double> c;
    phi_on_grid(st, p, t.data());
    orbit_means(st, p, c);

    // Per orbit: dS/dau = m (-1 - ln(au/rau)), dC/dau = m c.  The charge
    // constraint's normal is m; both are projected onto its complement.
    const std::size_t norb = p.m.size();
    std::vector<double> s(norb, 0.0);
    double sm = 0, cm = 0, mm = 0;
    for (std::size_t i = 0; i < norb; ++i) {
        if (au[i] > 0 && p.rau[i] > 0) s[i] = -1.0 - std::log(au[i] / p.rau[i]);
        const double m2 = p.m[i] * p.m[i];
        sm += m2 * s[i];
        cm += m2 * c[i];
        mm += m2;
    }
    sm /= mm;
    cm /= mm;
    double sc = 0, ss = 0, cc = 0;
    for (std::size_t i = 0; i < norb; ++i) {
        const double a = p.m[i] * (s[i] - sm), b = p.m[i] * (c[i] - cm);
        sc += a * b;
        ss += a * a;
        cc += b * b;
    }
    // Gradients next to nothing have no angle; the cycle test value of the
    // Sakata-Sato iteration, the same angle, is guarded alike.
    return ss * cc > kZeroTol ? 1.0 - sc / std::sqrt(ss * cc) : 0.0;
}

}  // namespace quilmo
