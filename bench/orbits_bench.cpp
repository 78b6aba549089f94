// Building the orbit table (the asymmetric unit) of a 128^3 grid under the
// 48 operators of m-3m, as a multiple of one transform pair.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "cubic_grid.h"
#include "fourier/fft.h"
#include "grid/orbits.h"
#include "run/state.h"

using namespace quilmo;

namespace {

// The 48 signed permutation matrices of the cubic holohedry, in voxel units
// (the grid is cubic, so they stay as they are).
void cubic_operators(RunState& st) {
    const std::array<std::array<int, 3>, 6> perms = {
        {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
    st.nsym = 48;
    st.rmati.allocate(3, 3, 48);
    st.tveci.allocate(3, 48);
    int p = 0;
    // The identity first, as the completed group has it.
    for (const auto& perm : perms)
        for (int signs = 0; signs < 8; ++signs) {
            ++p;
            for (int i = 0; i < 3; ++i) st.rmati(i + 1, perm[i] + 1, p) = (signs >> i & 1) ? -1 : 1;
        }
}

void BM_OrbitTable128(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "quilmo_orbits_bench";
    std::filesystem::create_directories(dir);
    RunState st;
    std::ostringstream con;
    st.con = &con;
    st.logfile = fixed((dir / "b.QLlog").string(), 264);
    st.memreflfile = fixed((dir / "b.QLout").string(), 264);
    st.symfile = fixed((dir / "b.QLsymtb").string(), 264);  // never written: symtable is off
    cubic_grid(st, 128);
    cubic_operators(st);
    auto t0 = std::chrono::steady_clock::now();
    fft(st, 1);
    fft(st, -1);
    const double pair = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    double built = 0;
    for (auto _ : state) {
        auto t1 = std::chrono::steady_clock::now();
        rhomultiplicity(st);
        built += std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    }
    state.counters["orbits"] = st.norb;
    state.counters["x_fft_pair"] = built / static_cast<double>(state.iterations()) / pair;
    fftfree(st);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_OrbitTable128)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
