// A small run state built by hand for the density-file tests: a grid, a cell,
// a density with distinct values, run files in a scratch folder and the
// console redirected to string streams.
#pragma once

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "run/state.h"
#include "support/e2e.h"
#include "textio/text.h"

namespace quilmo_test {

struct DensityRun {
    TempDir dir;
    std::ostringstream out;
    std::istringstream in;
    quilmo::RunState st;

    // Grid `nvox` (sdim = its length), real-space dimension `rdim`, the
    // lattice parameters `cell` (ncellpar of them) and the cell volume.
    DensityRun(const std::vector<int>& nvox, int rdim, const std::vector<double>& cell,
               double volume) {
        st.con = &out;
        st.conin = &in;
        st.sdim = static_cast<int>(nvox.size());
        st.rdim = rdim;
        st.ddim = st.sdim - rdim;
        st.nvox.allocate(1, st.sdim);
        st.nvoxtot = 1;
        for (int i = 1; i <= st.sdim; ++i) {
            st.nvox(i) = nvox[i - 1];
            st.n(i) = st.n(i - 1) * nvox[i - 1];
            st.nvoxtot *= nvox[i - 1];
        }
        st.lstrhoel = st.nvoxtot - 1;
        st.ncellpar = rdim * (rdim + 1) / 2;
        st.cellcon = st.ncellpar + 1;
        st.cell.allocate(1, st.cellcon);
        for (int i = 1; i <= st.ncellpar; ++i) st.cell(i) = cell[i - 1];
        st.cell(st.cellcon) = volume;
        st.capvx = volume / st.nvoxtot;
        st.rho.allocate(0, st.lstrhoel);
        for (int v = 0; v < st.nvoxtot; ++v) st.rho(v) = std::sin(0.37 * v + 0.1) * (1.0 + v % 7) / 3.0;
        st.filetitle = quilmo::fixed(path("run"), 264);
        st.filebase = quilmo::idel(st.filetitle) + 1;
        st.logfile = quilmo::fixed(path("run.QLlog"), 264);
        st.title = quilmo::fixed("test map", 132);
    }

    // A cubic-ish three-dimensional run.
    static std::unique_ptr<DensityRun> three(int a, int b, int c) {
        return std::make_unique<DensityRun>(std::vector<int>{a, b, c}, 3,
                                            std::vector<double>{10, 12.5, 7.25, 90, 105.5, 90},
                                            874.0);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string log() const { return dir.read("run.QLlog"); }
};

}  // namespace quilmo_test
