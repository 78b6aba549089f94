// The cost of one transform pair, the unit of work of every iteration cycle,
// and of the two steps around it (the density into sf, the structure factors
// out of it), each also given as a multiple of the pair ("x_fft_pair"); the
// pair itself also against a complex transform pair ("x_complex_pair").
#include <benchmark/benchmark.h>

#include <algorithm>

#include <time.h>

#include <map>
#include <memory>

#include "cubic_grid.h"
#include "fourier/fft.h"
#include "grid/voxels.h"
#include "reflections/transfer.h"
#include "run/state.h"

using namespace quilmo;

namespace {

// A P1 run on an n^3 grid: every voxel its own orbit, a density in au, and
// memrefl holding every reflection with |h| <= n/3 (the usual ratio of data
// resolution to grid spacing).
struct Case {
    RunState st;
    explicit Case(int nv) {
        cubic_grid(st, nv);

        st.norb = st.nvoxtot;
        st.rhotab.allocate(1, 2L * st.nvoxtot);
        st.au.allocate(1, st.norb);
        for (int v = 0; v < st.nvoxtot; ++v) {
            st.rhotab(2L * v + 1) = 1;
            st.rhotab(2L * v + 2) = v;
            st.au(v + 1) = 1.0 + 0.001 * (v % 997);
        }

        const std::vector<reftyp> list = sphere_reflections(st, [](reftyp&, int) {});
        st.memrefl.allocate(1, static_cast<long>(list.size()));
        std::copy(list.begin(), list.end(), st.memrefl.data());
        st.msec.f.start = 1;
        st.msec.f.end = static_cast<int>(list.size());
    }
    ~Case() { fftfree(st); }
};

Case& grid(int nv) { return case_for<Case>(nv); }

std::map<int, double> pair_seconds;  // per grid, from BM_FftPair

// Processor time of this thread: the machine may be shared, and the ratios
// should not depend on what else runs.
template <class Step>
void timed(benchmark::State& state, Step step) {
    const int nv = static_cast<int>(state.range(0));
    Case& c = grid(nv);
    const double t0 = thread_seconds();
    for (auto _ : state) {
        step(c.st);
        benchmark::ClobberMemory();
    }
    const double per =
        (thread_seconds() - t0) / static_cast<double>(state.iterations());
    if (pair_seconds.count(nv)) state.counters["x_fft_pair"] = per / pair_seconds[nv];
    state.counters["reflections"] = c.st.mtotalfpg();
}

void BM_FftPair(benchmark::State& state) {
    const int nv = static_cast<int>(state.range(0));
    Case& c = grid(nv);
    const double t0 = thread_seconds();
    for (auto _ : state) {
        fft(c.st, 1);
        fft(c.st, -1);
        benchmark::ClobberMemory();
    }
    pair_seconds[nv] =
        (thread_seconds() - t0) / static_cast<double>(state.iterations());
    state.counters["x_fft_pair"] = 1.0;
    // The real pair against the complex pair it replaced.
    state.counters["x_complex_pair"] = pair_seconds[nv] / complex_pair_seconds(nv);
}

void BM_Expandsf(benchmark::State& state) { timed(state, [](RunState& st) { expandsf(st); }); }
void BM_Sf2memrefl(benchmark::State& state) { timed(state, [](RunState& st) { sf2memrefl(st); }); }

}  // namespace

BENCHMARK(BM_FftPair)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Expandsf)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sf2memrefl)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
