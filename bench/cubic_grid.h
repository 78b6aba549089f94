// A cubic n^3 grid with its transform array and plans, for the benchmarks.
#pragma once

#include <time.h>

#include <map>
#include <memory>

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

// CPU time of this thread in seconds: timing against it keeps other work on
// the machine out of the ratios.
inline double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// One case per grid size, made on first use and shared by every benchmark
// of the program, so the plans are made once.
template <class Case>
Case& case_for(int nv) {
    static std::map<int, std::unique_ptr<Case>> cases;
    auto& c = cases[nv];
    if (!c) c = std::make_unique<Case>(nv);
    return *c;
}

}  // namespace quilmo
