#include "mem/dual.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "fourier/fft.h"
#include "grid/orbitlist.h"
#include "grid/voxels.h"

using namespace quilmo;

namespace {

// An operator on fractional coordinates: x' = R x + t, R diagonal (signs).
struct SignOp {
    int r[3];
    double t[3];
};

// A crystal on an nx x ny x nz grid whose orbits come from `ops`, a random
// positive prior constant on each orbit, and F-constraints (after F(000))
// for every index triple within 2 of the origin in one Friedel half, plus one
// at the edge of the grid, which is its own Friedel mate there.
struct DualCase {
    RunState st;
    DualProblem p;

    DualCase(const std::vector<SignOp>& ops, int nx, int ny, int nz, unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1, 1);
        st.sdim = st.rdim = 3;
        st.nvox.allocate(1, 3);
        const int nv[3] = {nx, ny, nz};
        for (int k = 0; k < 3; ++k) st.nvox(k + 1) = nv[k];
        st.n(0) = 1;
        for (int k = 1; k <= 8; ++k) st.n(k) = k <= 3 ? st.n(k - 1) * st.nvox(k) : st.n(k - 1);
        st.nvoxtot = nx * ny * nz;
        st.lstrhoel = st.nvoxtot - 1;
        st.lstel = 2 * st.nvoxtot - 1;
        st.sf.allocate(st.sdim, &st.nvox(1));
        fftinit(st);

        std::vector<int> tab;
        std::vector<char> seen(static_cast<std::size_t>(st.nvoxtot), 0);
        st.norb = 0;
        for (int v = 0; v < st.nvoxtot; ++v) {
            if (seen[static_cast<std::size_t>(v)]) continue;
            ++st.norb;
            const std::size_t head = tab.size();
            tab.push_back(0);
            const int x[3] = {v % nx, (v / nx) % ny, v / (nx * ny)};
            for (const SignOp& op : ops) {
                int q = 0, stride = 1;
                for (int k = 0; k < 3; ++k) {
                    int c = op.r[k] * x[k] + static_cast<int>(std::lround(op.t[k] * nv[k]));
                    c = ((c % nv[k]) + nv[k]) % nv[k];
                    q += c * stride;
                    stride *= nv[k];
                }
                if (seen[static_cast<std::size_t>(q)]) continue;
                seen[static_cast<std::size_t>(q)] = 1;
                tab.push_back(q);
                ++tab[head];
            }
        }
        st.rhotab.allocate(1, static_cast<long>(tab.size()));
        std::copy(tab.begin(), tab.end(), st.rhotab.data());

        st.charge = 50;
        st.rau.allocate(1, st.norb);
        double sum = 0;
        for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
            st.rau(i) = 1.0 + 0.8 * u(rng);
            sum += orbit.m * st.rau(i);
        });
        for (int i = 1; i <= st.norb; ++i) st.rau(i) *= st.charge / sum;

        std::vector<reftyp> list(1);  // F(000) first
        list[0].a = st.charge;
        list[0].sigma = 1;
        auto add = [&](int h, int k, int l) {
            reftyp e;
            e.hklfg = {h, k, l};
            e.sfloc = arraylocation(st, e.hklfg, 2);
            e.a = 3 * u(rng);
            e.b = 3 * u(rng);
            e.sigma = 0.2 + 0.3 * (u(rng) + 1);
            list.push_back(e);
        };
        for (int h = -2; h <= 2; ++h)
            for (int k = -2; k <= 2; ++k)
                for (int l = -2; l <= 2; ++l)
                    if (h > 0 || (h == 0 && (k > 0 || (k == 0 && l > 0)))) add(h, k, l);
        add(nx / 2, 0, 0);
        st.refl.allocate(1, static_cast<long>(list.size()));
        std::copy(list.begin(), list.end(), st.refl.data());
        st.sec.f.start = 1;
        st.sec.f.end = static_cast<int>(list.size());
        p = dual_problem(st, 1.3);
        // Random data break the symmetry; what they break is out of reach.
        p.aim += p.cdead;
    }
    ~DualCase() { fftfree(st); }

    std::vector<double> random_t(unsigned seed, double scale) const {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1, 1);
        std::vector<double> x(static_cast<std::size_t>(p.nx));
        for (double& v : x) v = scale * u(rng);
        return x;
    }

    DualValues eval(const std::vector<double>& x, std::vector<double>& g, std::vector<double>& au,
                    std::vector<double>& fc) {
        g.resize(x.size());
        fc.resize(2 * static_cast<std::size_t>(p.nf));
        au.resize(static_cast<std::size_t>(st.norb));
        return dual_evaluate(st, p, x.data(), g.data(), au.data(), fc.data());
    }
};

const SignOp kIdentity{{1, 1, 1}, {0, 0, 0}};

struct Group {
    const char* name;
    std::vector<SignOp> ops;
};

// P2_1: acentric, and every h0l has -h in its orbit.  P-1: centric.  P2_1/c:
// centric with translations and special positions (orbits of 1 and 2
// voxels besides the general ones of 4).  P1: every orbit a voxel of its
// own, which the evaluation takes without orbit means.
const std::vector<Group> kGroups = {
    {"P2_1", {kIdentity, {{-1, 1, -1}, {0, 0.5, 0}}}},
    {"P-1", {kIdentity, {{-1, -1, -1}, {0, 0, 0}}}},
    {"P2_1/c",
     {kIdentity, {{-1, 1, -1}, {0, 0.5, 0.5}}, {{-1, -1, -1}, {0, 0, 0}}, {{1, -1, 1}, {0, 0.5, 0.5}}}},
    {"P1", {kIdentity}},
};

TEST(DualKernel, GradientMatchesFiniteDifferencesOfPsi) {
    for (const Group& grp : kGroups) {
        SCOPED_TRACE(grp.name);
        DualCase c(grp.ops, 6, 8, 6, 11);
        std::vector<double> g, au, fc, g2, au2, fc2;
        const std::vector<double> x = c.random_t(5, 0.02);
        c.eval(x, g, au, fc);
        double gmax = 0;
        for (double v : g) gmax = std::max(gmax, std::fabs(v));
        for (std::size_t k = 0; k < x.size(); ++k) {
            const double eps = 1e-6;
            std::vector<double> xp = x, xm = x;
            xp[k] += eps;
            xm[k] -= eps;
            const double fp = c.eval(xp, g2, au2, fc2).psi;
            const double fm = c.eval(xm, g2, au2, fc2).psi;
            EXPECT_NEAR((fp - fm) / (2 * eps), g[k], 1e-6 * gmax) << "variable " << k;
        }
    }
}

TEST(DualKernel, SymmetryTiesRestrictedPhasesAndAbsencesAndTheirMisfitLowersTheAim) {
    for (const Group& grp : {kGroups[0], kGroups[1]}) {
        SCOPED_TRACE(grp.name);
        DualCase c(grp.ops, 6, 8, 6, 7);
        const bool centric = std::string(grp.name) == "P-1";
        double cdead = 0;
        int nx = 0;
        for (int k = 0; k < c.p.nf; ++k) {
            const std::size_t kk = static_cast<std::size_t>(k);
            const auto& h = c.st.refl(k + 2).hklfg;
            // P2_1: 0k0 with k odd is absent, h0l real; P-1: all real.
            int kind = 2;
            if (centric || h[1] == 0) kind = 1;
            if (!centric && h[0] == 0 && h[2] == 0 && h[1] % 2 != 0) kind = 0;
            EXPECT_EQ(c.p.kind[kk], kind) << h[0] << " " << h[1] << " " << h[2];
            if (c.p.kind[kk] == 1) {
                EXPECT_NEAR(std::fabs(c.p.dr[kk]), 1.0, 1e-12);
                EXPECT_NEAR(c.p.di[kk], 0.0, 1e-12);
            }
            if (kind == 1) cdead += c.p.fb[kk] * c.p.fb[kk] / c.p.w[kk];
            if (kind == 0) cdead += (c.p.fa[kk] * c.p.fa[kk] + c.p.fb[kk] * c.p.fb[kk]) / c.p.w[kk];
            nx += kind;
        }
        EXPECT_EQ(c.p.nx, nx);
        EXPECT_NEAR(c.p.cdead, cdead, 1e-12 * cdead);
    }
}

// Data from a random symmetric density, with noise of half a sigma in the
// components symmetry leaves free: that density meets an aim of 1.
struct SolveCase : DualCase {
    std::vector<double> truth, fprior;
    double ctruth = 0, struth = 0;

    SolveCase(const std::vector<SignOp>& ops, unsigned seed) : DualCase(ops, 6, 8, 6, seed) {
        std::mt19937 rng(seed + 1);
        std::normal_distribution<double> gauss(0, 1);
        truth.resize(static_cast<std::size_t>(st.norb));
        double q = 0;
        for (std::size_t i = 0; i < truth.size(); ++i) {
            truth[i] = 0.05 + std::exp(3 * gauss(rng) / 2);
            q += p.m[i] * truth[i];
        }
        for (double& v : truth) v *= st.charge / q;
        const std::vector<double> f = transform(truth);
        fprior = transform(p.rau);
        for (int k = 0; k < p.nf; ++k) {
            const std::size_t kk = static_cast<std::size_t>(k);
            const double sigma = 0.05 * std::hypot(f[2 * kk], f[2 * kk + 1]) + 0.1;
            double nr = 0.5 * sigma * gauss(rng), ni = 0.5 * sigma * gauss(rng);
            if (p.kind[kk] == 1) {
                const double along = nr * p.dr[kk] + ni * p.di[kk];
                nr = along * p.dr[kk];
                ni = along * p.di[kk];
            }
            if (p.kind[kk] == 0) nr = ni = 0;
            st.refl(k + 2).a = f[2 * kk] + nr;
            st.refl(k + 2).b = f[2 * kk + 1] + ni;
            st.refl(k + 2).sigma = sigma;
        }
        p = dual_problem(st, 1.0 * (1 - 1e-4));
        for (int k = 0; k < p.nf; ++k) {
            const std::size_t kk = static_cast<std::size_t>(k);
            ctruth += (std::pow(f[2 * kk] - p.fa[kk], 2) + std::pow(f[2 * kk + 1] - p.fb[kk], 2)) / p.w[kk];
        }
        for (std::size_t i = 0; i < truth.size(); ++i)
            struth -= p.m[i] * truth[i] * std::log(truth[i] / p.rau[i]);
    }

    // F at the constraints of an orbit density.
    std::vector<double> transform(const std::vector<double>& au) {
        expandsf(st, au.data());
        fft(st, 1);
        std::vector<double> f(2 * static_cast<std::size_t>(p.nf));
        for (int k = 0; k < p.nf; ++k) {
            const cplx fk = st.sf.read(p.pos[static_cast<std::size_t>(k)]);
            f[2 * static_cast<std::size_t>(k)] = fk.real();
            f[2 * static_cast<std::size_t>(k) + 1] = fk.imag();
        }
        return f;
    }

    std::vector<double> start() {
        std::vector<double> x0(static_cast<std::size_t>(p.nx));
        EXPECT_TRUE(dual_start(p, fprior.data(), x0.data()));
        return x0;
    }
    DualResult solve(DualHooks& hooks) { return dual_minimise(st, p, 1.0, start(), hooks); }
};

TEST(DualSolver, ReachesTheAimWithTheMaximumEntropyDensity) {
    for (const Group& grp : kGroups) {
        SCOPED_TRACE(grp.name);
        SolveCase c(grp.ops, 21);
        ASSERT_LE(c.ctruth, 1.0);  // the density the data came from is feasible
        DualHooks hooks;
        const DualResult r = c.solve(hooks);
        ASSERT_EQ(r.end, DualEnd::converged) << "status " << r.code;
        double q = 0;
        for (std::size_t i = 0; i < r.au.size(); ++i) q += c.p.m[i] * r.au[i];
        EXPECT_NEAR(q, c.st.charge, 1e-10 * c.st.charge);
        EXPECT_LE(r.v.c, 1.0);
        EXPECT_GE(r.v.c, 1.0 - 2e-4);
        EXPECT_LT(dual_angle_test(c.st, c.p, r.au.data(), r.fc.data()), 1e-3);
        // No feasible density has more entropy; and none more than min Psi - Q ln Q.
        EXPECT_GT(r.v.s, c.struth);
        EXPECT_NEAR(r.v.psi - q * std::log(q), r.v.s, 1e-3 * std::fabs(r.v.s));
    }
}

TEST(DualSolver, DataThatBreakTheSymmetrySpendPartOfTheAimAndStillReachIt) {
    // Centric data with imaginary parts: no centrosymmetric density can
    // follow them, but the rest of the aim is still met exactly.
    SolveCase c(kGroups[1].ops, 5);
    for (int k = 0; k < c.p.nf; ++k) c.st.refl(k + 2).b = 0.3 * c.st.refl(k + 2).sigma * ((k % 3) - 1);
    c.p = dual_problem(c.st, 1.0 * (1 - 1e-4));
    ASSERT_GT(c.p.cdead, 0.01);
    ASSERT_LT(c.p.cdead, 0.5);
    DualHooks hooks;
    const DualResult r = c.solve(hooks);
    ASSERT_EQ(r.end, DualEnd::converged) << "status " << r.code;
    EXPECT_LE(r.v.c, 1.0);
    EXPECT_GE(r.v.c, 1.0 - 2e-4);
    EXPECT_LT(dual_angle_test(c.st, c.p, r.au.data(), r.fc.data()), 1e-3);
}

}  // namespace
