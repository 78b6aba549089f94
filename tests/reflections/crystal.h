// Small hand-made run states for the reflection, transform and grid tests:
// a grid in an orthogonal cell, point operators, reflection blocks in any
// file order, an orbit table, and run files in a scratch folder.
#pragma once

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "grid/voxels.h"
#include "run/state.h"
#include "support/e2e.h"
#include "support/op.h"
#include "support/run_state.h"

namespace quilmo_test {

using quilmo::RunState;
using quilmo::reftyp;

// The grid nvox (sdim = its length) in an orthogonal cell with edges `a`;
// the first `rdim` axes are physical (default: all, at most 3).
inline void make_grid(RunState& st, const std::vector<int>& nv, double a = 10.0, int rdim = -1) {
    quilmo_test::set_grid(st, nv);
    st.rdim = rdim < 0 ? std::min(st.sdim, 3) : rdim;
    st.ddim = st.sdim - st.rdim;
    st.capvx = std::pow(a, st.rdim) / st.nvoxtot;
    st.gi.allocate(st.rdim, st.rdim);
    for (int i = 1; i <= st.rdim; ++i) st.gi(i, i) = 1.0 / (a * a);
    st.rcell.allocate(1, 7);
    st.rcell(1) = 1.0 / a;
    st.qvec.allocate(st.rdim, st.ddim);
}

// The operators (also in voxel units) as the symmetry set-up leaves them.
inline void set_ops(RunState& st, const std::vector<Op>& ops, bool centro) {
    const int nop = static_cast<int>(ops.size());
    st.nsym = st.nsympoint = nop;
    st.centro = centro;
    st.rmat.allocate(st.sdim, st.sdim, nop);
    st.tvec.allocate(st.sdim, nop);
    st.rmati.allocate(st.sdim, st.sdim, nop);
    st.tveci.allocate(st.sdim, nop);
    for (int p = 1; p <= nop; ++p) {
        const Op& op = ops[static_cast<std::size_t>(p - 1)];
        for (int i = 1; i <= st.sdim; ++i) {
            st.tvec(i, p) = op.t[static_cast<std::size_t>(i - 1)];
            st.tveci(i, p) = static_cast<int>(std::lround(op.t[static_cast<std::size_t>(i - 1)] * st.nvox(i)));
            for (int j = 1; j <= st.sdim; ++j) {
                st.rmat(i, j, p) = op.r[static_cast<std::size_t>((i - 1) * st.sdim + j - 1)];
                st.rmati(i, j, p) = static_cast<int>(std::lround(st.rmat(i, j, p) * st.nvox(i) / st.nvox(j)));
            }
        }
    }
}

// The orbit table of the grid under the operators (representative first,
// orbits in increasing order of their representatives).
inline void build_rhotab(RunState& st) {
    std::vector<int> tab;
    std::vector<char> seen(static_cast<std::size_t>(st.nvoxtot), 0);
    st.norb = 0;
    for (int p = 0; p < st.nvoxtot; ++p) {
        if (seen[static_cast<std::size_t>(p)]) continue;
        ++st.norb;
        const std::size_t count = tab.size();
        tab.push_back(1);
        tab.push_back(p);
        seen[static_cast<std::size_t>(p)] = 1;
        quilmo::Coord8 c = quilmo::coordinates(st, p, 1);
        for (int s = 1; s <= st.nsym; ++s) {
            quilmo::Coord8 im = quilmo::symop(st, s, c);
            quilmo::remap(st, im);
            int v = quilmo::arraylocation(st, im, 1);
            if (seen[static_cast<std::size_t>(v)]) continue;
            seen[static_cast<std::size_t>(v)] = 1;
            ++tab[count];
            tab.push_back(v);
        }
    }
    st.rhotab.allocate(1, static_cast<long>(tab.size()));
    std::copy(tab.begin(), tab.end(), st.rhotab.data());
}

struct FRefl {
    std::vector<int> h;
    double a = 0, b = 0, sigma = 1;
};
struct GGroup {
    double g = 0, sigma = 1;
    std::vector<std::vector<int>> members;
};

// The input list as the reading passes leave it, with the blocks in the
// order given by `order` ('F', 'G', 'E').
inline void set_refl(RunState& st, const std::vector<FRefl>& f, const std::vector<GGroup>& g = {},
                     const std::vector<FRefl>& extra = {}, const std::string& order = "FGE") {
    std::vector<reftyp> list;
    auto entry = [&](const std::vector<int>& h) {
        reftyp e;
        for (int i = 0; i < st.sdim; ++i) e.hklfg[static_cast<std::size_t>(i)] = h[static_cast<std::size_t>(i)];
        e.sfloc = quilmo::arraylocation(st, e.hklfg, 2);
        return e;
    };
    st.sec.f = st.sec.g = st.sec.extra = {};
    st.ggroups = static_cast<int>(g.size());
    st.gdiff.allocate(1, st.ggroups);
    for (char block : order) {
        const int start = static_cast<int>(list.size()) + 1;
        if (block == 'F') {
            for (const FRefl& r : f) {
                reftyp e = entry(r.h);
                e.a = r.a;
                e.b = r.b;
                e.f = std::sqrt(r.a * r.a + r.b * r.b);
                e.sigma = r.sigma;
                e.weight = 1 / (r.sigma * r.sigma);
                list.push_back(e);
            }
            st.sec.f.start = start;
            st.sec.f.end = static_cast<int>(list.size());
        } else if (block == 'G') {
            int gn = 0;
            for (const GGroup& grp : g) {
                st.gdiff(++gn) = static_cast<int>(grp.members.size());
                for (std::size_t m = 0; m < grp.members.size(); ++m) {
                    reftyp e = entry(grp.members[m]);
                    e.hklfg[8] = gn;
                    if (m == 0) {
                        e.a = e.f = grp.g;
                        e.sigma = grp.sigma;
                        e.weight = 1 / (grp.sigma * grp.sigma);
                    }
                    list.push_back(e);
                }
            }
            st.sec.g.start = start;
            st.sec.g.end = static_cast<int>(list.size());
        } else {
            for (const FRefl& r : extra) {
                reftyp e = entry(r.h);
                e.a = r.a;
                e.b = r.b;
                list.push_back(e);
            }
            st.sec.extra.start = start;
            st.sec.extra.end = static_cast<int>(list.size());
        }
    }
    st.refl.allocate(1, st.totalfge() + 1);
    std::copy(list.begin(), list.end(), st.refl.data());
}

// Log and output listing in a scratch folder, console into a string.
struct RunFiles {
    TempDir dir;
    std::ostringstream con;
    explicit RunFiles(RunState& st) {
        dir.write("t.QLlog", "");
        st.logfile = quilmo::fixed((dir / "t.QLlog").string(), 264);
        st.memreflfile = quilmo::fixed((dir / "t.QLout").string(), 264);
        st.filetitle = quilmo::fixed((dir / "t").string(), 264);
        st.filebase = quilmo::idel(st.filetitle) + 1;
        st.con = &con;
    }
    std::vector<std::string> log() const { return lines_of(dir.read("t.QLlog")); }
    std::vector<std::string> out() const { return lines_of(dir.read("t.QLout")); }
};

inline bool has_line(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

}  // namespace quilmo_test
