// A cubic n^3 grid with its transform array and plans, for the benchmarks.
#pragma once

#include <time.h>

#include <fftw3.h>

#include <algorithm>
#include <map>
#include <vector>
#include <memory>

#include "fourier/fft.h"
#include "grid/voxels.h"
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
    st.sf.allocate(st.sdim, &st.nvox(1));
    fftinit(st);
}

// CPU time of this thread in seconds: timing against it keeps other work on
// the machine out of the ratios.  (Not cpu_seconds: that name is the
// program's own process time, and two inline-or-not definitions of one name
// leave it to the linker which one a benchmark calls.)
inline double thread_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Every reflection h of the grid with |h| <= n/3 (the usual ratio of data
// resolution to grid spacing), with its position and rf 1, completed by
// fill(e, |h|^2), in position order as the expansion leaves a list: F(000)
// first.
template <class Fill>
std::vector<reftyp> sphere_reflections(const RunState& st, Fill fill) {
    const int r = st.nvox(1) / 3;
    std::vector<reftyp> list;
    for (int h = -r; h <= r; ++h)
        for (int k = -r; k <= r; ++k)
            for (int l = -r; l <= r; ++l) {
                const int s2 = h * h + k * k + l * l;
                if (s2 > r * r) continue;
                reftyp e;
                e.hklfg = {h, k, l};
                e.sfloc = arraylocation(st, e.hklfg, 2);
                e.rf = 1;
                fill(e, s2);
                list.push_back(e);
            }
    std::sort(list.begin(), list.end(), [](const reftyp& a, const reftyp& b) { return a.sfloc < b.sfloc; });
    return list;
}

// The yardstick of the ratios: one in-place complex transform pair on the
// n^3 grid with measured plans, and the division by the number of points
// after the backward one, as the transforms worked on a full complex array.
// Seconds of CPU time per pair, the best of `repeats` timings.
inline double complex_pair_seconds(int nv, int repeats = 5) {
    static std::map<int, double> known;
    if (known.count(nv)) return known[nv];
    const long n = static_cast<long>(nv) * nv * nv;
    auto* a = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * static_cast<std::size_t>(n)));
    fftw_plan fw = fftw_plan_dft_3d(nv, nv, nv, a, a, FFTW_BACKWARD, FFTW_MEASURE);
    fftw_plan bw = fftw_plan_dft_3d(nv, nv, nv, a, a, FFTW_FORWARD, FFTW_MEASURE);
    for (long i = 0; i < n; ++i) a[i][0] = a[i][1] = 1.0 / static_cast<double>(1 + i % 7);
    double best = 1e99;
    for (int r = 0; r < repeats; ++r) {
        const double t0 = thread_seconds();
        fftw_execute(fw);
        fftw_execute(bw);
        double* v = &a[0][0];
        for (long i = 0; i < 2 * n; ++i) v[i] /= static_cast<double>(n);
        best = std::min(best, thread_seconds() - t0);
    }
    fftw_destroy_plan(fw);
    fftw_destroy_plan(bw);
    fftw_free(a);
    return known[nv] = best;
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
