// Hand-made run states for the geometry, grid and report tests: a cell, a
// grid and a list of operators, without reading an input file.
#pragma once

#include <sstream>
#include <vector>

#include "geometry/metric.h"
#include "run/state.h"
#include "support/op.h"

namespace quilmo_test {

// Cell parameters (lengths, then angles) and the grid; runs allfromcell.
// The console goes to `con`.  Returns the error code of allfromcell.
inline int make_crystal(quilmo::RunState& st, std::ostringstream& con, std::vector<double> cell,
                         std::vector<int> nvox, int rdim = 3,
                         std::vector<std::vector<double>> qvecs = {}) {
    st.con = &con;
    st.rdim = rdim;
    st.sdim = static_cast<int>(nvox.size());
    st.ddim = st.sdim - rdim;
    st.ncellpar = rdim * (rdim + 1) / 2;
    st.cellcon = st.ncellpar + 1;
    st.cell.allocate(1, st.cellcon);
    for (std::size_t i = 0; i < cell.size(); ++i) st.cell(static_cast<long>(i) + 1) = cell[i];
    st.nvox.allocate(1, st.sdim);
    for (int i = 1; i <= st.sdim; ++i) st.nvox(i) = nvox[static_cast<std::size_t>(i - 1)];
    st.qvec.allocate(rdim, st.ddim);
    for (int j = 1; j <= st.ddim; ++j)
        for (int i = 1; i <= rdim; ++i) st.qvec(i, j) = qvecs[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
    st.nvoxtot = 1;
    st.n(0) = 1;
    for (int k = 1; k <= st.sdim; ++k) {
        st.nvoxtot *= st.nvox(k);
        st.n(k) = st.n(k - 1) * st.nvox(k);
    }
    st.lstrhoel = st.nvoxtot - 1;
    st.lstel = 2 * st.nvoxtot - 1;
    int errcd = 0;
    quilmo::allfromcell(st, errcd);
    return errcd;
}

// Operators, centering vectors (none given: the zero vector) and room for
// `tests` test operators, which follow as further entries of `ops`.
inline void set_symmetry(quilmo::RunState& st, const std::vector<Op>& ops, std::vector<std::vector<double>> centers = {},
                         int tests = 0) {
    const int sdim = st.sdim;
    if (centers.empty()) centers.push_back(std::vector<double>(static_cast<std::size_t>(sdim), 0.0));
    st.nsym = static_cast<int>(ops.size()) - tests;
    st.ncenter = static_cast<int>(centers.size());
    st.ntestsym = tests;
    const int nop = st.nsym * st.ncenter + tests;
    st.rmat.allocate(sdim, sdim, nop);
    st.tvec.allocate(sdim, nop);
    st.center.allocate(sdim, st.ncenter);
    for (int c = 1; c <= st.ncenter; ++c)
        for (int i = 1; i <= sdim; ++i) st.center(i, c) = centers[static_cast<std::size_t>(c - 1)][static_cast<std::size_t>(i - 1)];
    for (std::size_t k = 0; k < ops.size(); ++k) {
        // Test operators stand behind the whole complete list.
        const int p = static_cast<int>(k) < st.nsym ? static_cast<int>(k) + 1
                                                    : st.nsym * st.ncenter + static_cast<int>(k) - st.nsym + 1;
        for (int i = 1; i <= sdim; ++i) {
            st.tvec(i, p) = ops[k].t[static_cast<std::size_t>(i - 1)];
            for (int j = 1; j <= sdim; ++j)
                st.rmat(i, j, p) = ops[k].r[static_cast<std::size_t>((i - 1) * sdim + (j - 1))];
        }
    }
}

// Lines of console text (LF-ended records).
inline std::vector<std::string> console_lines(const std::ostringstream& con) {
    std::vector<std::string> out;
    std::istringstream in(con.str());
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

}  // namespace quilmo_test
