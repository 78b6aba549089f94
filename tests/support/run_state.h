// The shared pieces of a hand-made run state: the grid with its strides and
// array bounds, and the cell parameters with their count, derived the way
// the run set-up derives them, so that no test state can disagree with a
// real run about them.
#pragma once

#include <cstddef>
#include <vector>

#include "run/state.h"

namespace quilmo_test {

// The grid `nvox` (sdim = its length): strides n(0..sdim), the voxel count,
// the last indices of the density and transform arrays, both allocated.
inline void set_grid(quilmo::RunState& st, const std::vector<int>& nvox) {
    st.sdim = static_cast<int>(nvox.size());
    st.nvox.allocate(1, st.sdim);
    st.n = quilmo::unit_strides();
    for (int k = 1; k <= st.sdim; ++k) {
        st.nvox(k) = nvox[static_cast<std::size_t>(k - 1)];
        st.n(k) = st.n(k - 1) * st.nvox(k);
    }
    st.nvoxtot = st.n(st.sdim);
    st.lstrhoel = st.nvoxtot - 1;
    st.lstel = 2 * st.nvoxtot - 1;
    st.rho.allocate(0, st.lstrhoel);
    st.sf.allocate(st.sdim, &st.nvox(1));
}

// The lattice parameters of an rdim-dimensional cell: ncellpar of them,
// followed by the slot cellcon that holds the cell volume (taken from
// `cell` when it is given there too).
inline void set_cell_parameters(quilmo::RunState& st, int rdim, const std::vector<double>& cell) {
    st.ncellpar = rdim * (rdim + 1) / 2;
    st.cellcon = st.ncellpar + 1;
    st.cell.allocate(1, st.cellcon);
    for (std::size_t i = 0; i < cell.size() && static_cast<int>(i) < st.cellcon; ++i)
        st.cell(static_cast<long>(i) + 1) = cell[i];
}

// Section bounds of an input list that holds only F entries 1..nf: the P,
// G and extra sections are empty and start behind it.
inline void set_f_only_sections(quilmo::RunState& st, int nf) {
    st.sec.f.start = 1;
    st.sec.f.end = nf;
    st.sec.prif.start = st.sec.g.start = st.sec.extra.start = nf + 1;
    st.sec.prif.end = st.sec.g.end = st.sec.extra.end = nf;
}

}  // namespace quilmo_test
