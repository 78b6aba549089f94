#include "mem/dual.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "fourier/fft.h"
#include "grid/orbitlist.h"
#include "grid/voxels.h"
#include "run/limits.h"

namespace quilmo {

namespace {

// The orbit means of phi(x) = 2 Re sum_k conj(t_k) exp(2 pi i h_k.x) into
// phibar.  t_k goes to the position of h_k and conj(t_k) to that of -h_k,
// added, so that a reflection that is its own Friedel mate on the grid gets
// both terms; the backward transform then gives phi / n.  Only the given
// constraints are placed: the mean over each orbit is what symmetrises phi,
// exactly, whatever the orbit of h holds (its symmetry images, -h itself).
void orbit_means(RunState& st, const DualProblem& p, const double* t, std::vector<double>& phibar) {
    double* sf = st.sf.data();
    std::fill(st.sf.vec().begin(), st.sf.vec().end(), 0.0);
    for (int k = 0; k < p.nf; ++k) {
        const double tr = t[2 * k], ti = t[2 * k + 1];
        sf[p.pos[static_cast<std::size_t>(k)]] += tr;
        sf[p.pos[static_cast<std::size_t>(k)] + 1] += ti;
        sf[p.neg[static_cast<std::size_t>(k)]] += tr;
        sf[p.neg[static_cast<std::size_t>(k)] + 1] -= ti;
    }
    fft(st, -1);
    phibar.resize(p.m.size());
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        double sum = 0;
        for (int j = 0; j < orbit.m; ++j) sum += sf[2L * orbit.voxel[j]];
        phibar[static_cast<std::size_t>(i - 1)] = p.n * sum / orbit.m;
    });
}

}  // namespace

namespace {

// Which components of F_h a symmetric density can take: the structure
// factors of two random orbit densities, both real, are transformed at once
// as rho1 + i rho2.  Both zero: an absence; parallel: a line; otherwise free.
// cdead collects the components of Fo no density can follow.
void free_components(RunState& st, DualProblem& p) {
    std::mt19937 rng(20261209);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    double* sf = st.sf.data();
    for_each_orbit(st.rhotab, st.norb, [&](int, Orbit orbit) {
        const double r1 = u(rng), r2 = u(rng);
        for (int j = 0; j < orbit.m; ++j) {
            sf[2L * orbit.voxel[j]] = r1;
            sf[2L * orbit.voxel[j] + 1] = r2;
        }
    });
    fft(st, 1);
    // F1(h) = (G(h) + conj G(-h)) / 2, F2(h) = (G(h) - conj G(-h)) / 2i.
    std::vector<double> f(4 * static_cast<std::size_t>(p.nf));
    double big = 0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const double gr = sf[p.pos[kk]], gi = sf[p.pos[kk] + 1];
        const double mr = sf[p.neg[kk]], mi = -sf[p.neg[kk] + 1];
        f[4 * kk] = (gr + mr) / 2;
        f[4 * kk + 1] = (gi + mi) / 2;
        f[4 * kk + 2] = (gi - mi) / 2;
        f[4 * kk + 3] = -(gr - mr) / 2;
        big = std::max({big, std::hypot(f[4 * kk], f[4 * kk + 1]), std::hypot(f[4 * kk + 2], f[4 * kk + 3])});
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
    p.n = static_cast<double>(st.nvoxtot);
    const double d = st.totalfg() - 1;
    for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) {
        const reftyp& e = st.refl(i);
        std::array<int, 9> minus{};
        for (int k = 0; k < st.sdim; ++k)
            minus[static_cast<std::size_t>(k)] = -e.hklfg[static_cast<std::size_t>(k)];
        p.pos.push_back(e.sfloc);
        p.neg.push_back(arraylocation(st, minus, 2));
        p.fa.push_back(e.a);
        p.fb.push_back(e.b);
        p.w.push_back(d * e.sigma * e.sigma);
    }
    p.nf = static_cast<int>(p.pos.size());

    p.m = orbitlist(st).m;
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
    orbit_means(st, p, x, phibar);
    const std::size_t norb = p.m.size();

    // au_i = Q rau_i exp(-phibar_i) / Z, with the largest exponent taken out
    // of Z so that nothing overflows.
    double top = -HUGE_VAL;
    for (std::size_t i = 0; i < norb; ++i) top = std::max(top, -phibar[i]);
    double z = 0;
    for (std::size_t i = 0; i < norb; ++i) {
        au[i] = p.rau[i] * std::exp(-phibar[i] - top);
        z += p.m[i] * au[i];
    }
    const double lnz = top + std::log(z);
    const double lnq = std::log(p.charge);
    double s = 0;
    for (std::size_t i = 0; i < norb; ++i) {
        au[i] *= p.charge / z;
        // ln(au/rau) = -phibar - ln Z + ln Q; an empty prior orbit adds nothing.
        if (au[i] > 0) s -= p.m[i] * au[i] * (-phibar[i] - lnz + lnq);
    }

    DualValues v;
    double wt2 = 0, lin = 0;
    for (int k = 0; k < p.nf; ++k) {
        const double tr = x[2 * k], ti = x[2 * k + 1];
        wt2 += p.w[static_cast<std::size_t>(k)] * (tr * tr + ti * ti);
        lin += tr * p.fa[static_cast<std::size_t>(k)] + ti * p.fb[static_cast<std::size_t>(k)];
    }
    const double root = std::sqrt(aim * wt2);
    v.psi = p.charge * lnz + 2 * lin + 2 * root;
    v.lambda = std::sqrt(wt2 / aim);
    v.s = s;

    // F(au): the density on the whole grid, forward.
    expandsf(st, au);
    fft(st, 1);
    const double* sf = st.sf.data();
    double c = 0, dsum = 0, osum = 0;
    // At t = 0 the root has no derivative; its smallest subgradient is 0.
    const double q = root > 0 ? aim / root : 0.0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const double ar = sf[p.pos[kk]], ai = sf[p.pos[kk] + 1];
        fc[2 * k] = ar;
        fc[2 * k + 1] = ai;
        const double dr = p.fa[kk] - ar, di = p.fb[kk] - ai;
        c += (dr * dr + di * di) / p.w[kk];
        dsum += std::hypot(dr, di);
        osum += std::hypot(p.fa[kk], p.fb[kk]);
        g[2 * k] = 2 * dr + 2 * q * p.w[kk] * x[2 * k];
        g[2 * k + 1] = 2 * di + 2 * q * p.w[kk] * x[2 * k + 1];
    }
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
    v.c = c;
    v.gnorm = std::sqrt(gg);
    v.r = osum > 0 ? dsum / osum : 0.0;
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
    orbit_means(st, p, t.data(), c);

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
