// Small run states for the charge-flipping tests: a grid, a set of
// operators and a point-atom structure whose structure factors are computed
// exactly for every index vector of a box, so that sf holds the transform
// of the structure and refl/memrefl hold its F entries.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "fourier/spectrum.h"
#include "grid/voxels.h"
#include "run/state.h"
#include "support/op.h"
#include "support/run_state.h"

namespace cftest {

using quilmo::reftyp;
using quilmo::RunState;

using quilmo_test::Op;

struct PointAtom {
    double x, y, z, z_e;
};

inline const std::vector<Op>& p21() {
    static const std::vector<Op> ops = {
        {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}},
        {{-1, 0, 0, 0, 1, 0, 0, 0, -1}, {0, 0.5, 0}},
    };
    return ops;
}

// P4_2/n, origin choice 2: the screw and glide translations do not vanish
// in h·(R - I)·t for about a quarter of the pairs of h and operator.
inline const std::vector<Op>& p42n() {
    static const std::vector<Op> ops = {
        {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}},
        {{-1, 0, 0, 0, -1, 0, 0, 0, 1}, {0.5, 0.5, 0}},
        {{0, -1, 0, 1, 0, 0, 0, 0, 1}, {0, 0.5, 0.5}},
        {{0, 1, 0, -1, 0, 0, 0, 0, 1}, {0.5, 0, 0.5}},
        {{-1, 0, 0, 0, -1, 0, 0, 0, -1}, {0, 0, 0}},
        {{1, 0, 0, 0, 1, 0, 0, 0, -1}, {0.5, 0.5, 0}},
        {{0, 1, 0, -1, 0, 0, 0, 0, -1}, {0, 0.5, 0.5}},
        {{0, -1, 0, 1, 0, 0, 0, 0, -1}, {0.5, 0, 0.5}},
    };
    return ops;
}

inline void grid(RunState& st, int nx, int ny, int nz) {
    quilmo_test::set_grid(st, {nx, ny, nz});
    st.rdim = 3;
    st.gi.allocate(3, 3);
    for (int k = 1; k <= 3; ++k) st.gi(k, k) = 0.01;  // a = b = c = 10 A
    st.capvx = 1000.0 / st.nvoxtot;
}

// The operators of the group, then the candidates.
inline void operators(RunState& st, const std::vector<Op>& group, const std::vector<Op>& candidates = {}) {
    st.nsym = static_cast<int>(group.size());
    st.ntestsym = static_cast<int>(candidates.size());
    const long total = st.nsym + st.ntestsym;
    st.rmat.allocate(3, 3, total);
    st.tvec.allocate(3, total);
    for (long j = 1; j <= total; ++j) {
        const Op& o = j <= st.nsym ? group[j - 1] : candidates[j - 1 - st.nsym];
        for (int i = 1; i <= 3; ++i) {
            st.tvec(i, j) = o.t[static_cast<std::size_t>(i - 1)];
            for (int k = 1; k <= 3; ++k) st.rmat(i, k, j) = o.r[static_cast<std::size_t>((i - 1) * 3 + k - 1)];
        }
    }
}

// F(h) of the atoms placed by the operators, each atom moved by -shift
// first (so the density is the unshifted one seen from an origin at
// -shift).
inline std::complex<double> structure_factor(const std::vector<PointAtom>& atoms, const std::vector<Op>& ops,
                                             const int h[3], const double shift[3]) {
    std::complex<double> f = 0;
    for (const PointAtom& a : atoms)
        for (const Op& o : ops) {
            const double x[3] = {a.x, a.y, a.z};
            double arg = 0;
            for (int i = 0; i < 3; ++i) {
                double xi = o.t[static_cast<std::size_t>(i)] - shift[i];
                for (int k = 0; k < 3; ++k) xi += o.r[static_cast<std::size_t>(i * 3 + k)] * x[k];
                arg += h[i] * xi;
            }
            f += a.z_e * std::polar(1.0, 2.0 * std::numbers::pi * arg);
        }
    return f;
}

// sf, refl and memrefl from the structure: every h with |h_i| <= hmax,
// F(000) first.  Both lists hold the same entries; amem/bmem and a/b the
// exact structure factor.
inline void structure(RunState& st, const std::vector<PointAtom>& atoms, const std::vector<Op>& ops, int hmax,
                      const double shift[3]) {
    std::vector<reftyp> list;
    auto add = [&](int h, int k, int l) {
        const int hv[3] = {h, k, l};
        const std::complex<double> f = structure_factor(atoms, ops, hv, shift);
        reftyp e;
        e.hklfg[0] = h;
        e.hklfg[1] = k;
        e.hklfg[2] = l;
        e.sfloc = quilmo::arraylocation(st, e.hklfg, 2);
        e.a = e.amem = f.real();
        e.b = e.bmem = f.imag();
        e.f = e.fmem = std::abs(f);
        e.rf = 1;
        e.mult = 1;
        list.push_back(e);
    };
    add(0, 0, 0);
    for (int h = -hmax; h <= hmax; ++h)
        for (int k = -hmax; k <= hmax; ++k)
            for (int l = -hmax; l <= hmax; ++l)
                if (h != 0 || k != 0 || l != 0) add(h, k, l);
    const int n = static_cast<int>(list.size());
    st.refl.allocate(1, n);
    st.memrefl.allocate(1, n);
    for (int i = 1; i <= n; ++i) st.refl(i) = st.memrefl(i) = list[static_cast<std::size_t>(i - 1)];
    quilmo_test::set_f_only_sections(st, n);
    st.msec.f.start = 1;
    st.msec.f.end = n;
    quilmo::write_memrefl_sf(st, quilmo::clear_sf(st), 1, n,
                             [](const reftyp& e) { return quilmo::cplx(e.a, e.b); });
}

inline double cycles_apart(double p, double q) {
    double d = (p - q) / (2.0 * std::numbers::pi);
    d -= std::round(d);
    return std::fabs(d);
}

}  // namespace cftest
