// A cubic n^3 grid with its transform array and plans, for the benchmarks.
#pragma once

#include "fourier/fft.h"
#include "run/state.h"

namespace quilmo {

inline void cubic_grid(RunState& st, int nv) {
    st.sdim = st.rdim = 3;
    st.nvox.allocate(1, 3);
    st.n = unit_strides();
    for (int i = 1; i <= 3; ++i) {
        st.nvox(i) = nv;
        st.n(i) = st.n(i - 1) * nv;
    }
    st.nvoxtot = st.n(3);
    st.lstrhoel = st.nvoxtot - 1;
    st.lstel = 2 * st.nvoxtot - 1;
    st.sf.allocate(0, st.lstel);
    fftinit(st);
}

}  // namespace quilmo
