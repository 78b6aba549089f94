// Charge flipping: the cost of one cycle as a multiple of the bare
// transform pair ("x_fft_pair") on 64^3 and 128^3 grids, and the time of
// the symmetry location on the sucrose sample (P2_1, 2199 reflections,
// 32 x 36 x 45 grid) and of a 42 x 162 search box of its coincidence.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "chargeflip/coincidence.h"
#include "chargeflip/flipping.h"
#include "fourier/spectrum.h"
#include "chargeflip/locate.h"
#include "cubic_grid.h"
#include "fourier/fft.h"
#include "grid/voxels.h"
#include "input/input.h"
#include "mem/rfactor.h"
#include "run/state.h"
#include "sequence/meminit.h"
#include "textio/lengths.h"

using namespace quilmo;

namespace {

// A P1 flipping run on an n^3 grid: F(000) and every reflection with
// |h| <= n/3 (both Friedel mates), amplitudes falling off with |h|, random
// start phases.  The transform plans are those of a flipping run (made
// without timing, see fftinit).
struct Case {
    RunState st;
    FlipMates mate;
    explicit Case(int nv) {
        st.flipcharge = true;  // the plans a flipping run makes
        cubic_grid(st, nv);
        const std::vector<reftyp> list = sphere_reflections(st, [](reftyp& e, int s2) {
            const double h = e.hklfg[0], k = e.hklfg[1], l = e.hklfg[2];
            e.f = s2 == 0 ? 100.0 : 10.0 * std::exp(-0.01 * s2) * (1.0 + 0.5 * std::sin(1.7 * h + 2.3 * k + 0.7 * l));
        });
        st.memrefl.allocate(1, static_cast<long>(list.size()));
        std::copy(list.begin(), list.end(), st.memrefl.data());
        st.msec.f.start = 1;
        st.msec.f.end = static_cast<int>(list.size());
        st.weakrefl.allocate(0, 0);
        mate = friedelmates(st);
        FlipRandom rng(7);
        TransformArray::Sparse& sf = clear_sf(st);
        for (int i = 2; i <= st.msec.f.end; ++i) {
            const reftyp& e = st.memrefl(i);
            const double phi = 6.283185307179586 * rng.next();
            sf.value[static_cast<std::size_t>(mate.self[static_cast<std::size_t>(i - 1)])] = std::polar(e.f, phi);
        }
        st.flipdelta = 0.02;
    }
    ~Case() { fftfree(st); }
};

Case& grid(int nv) { return case_for<Case>(nv); }

std::map<int, double> pair_seconds;

void BM_FftPair(benchmark::State& state) {
    const int nv = static_cast<int>(state.range(0));
    Case& c = grid(nv);
    const double t0 = thread_seconds();
    for (auto _ : state) {
        fft(c.st, 1);
        fft(c.st, -1);
        benchmark::ClobberMemory();
    }
    pair_seconds[nv] = (thread_seconds() - t0) / static_cast<double>(state.iterations());
    state.counters["x_fft_pair"] = 1.0;
}

void BM_FlipCycle(benchmark::State& state) {
    const int nv = static_cast<int>(state.range(0));
    Case& c = grid(nv);
    const double t0 = thread_seconds();
    for (auto _ : state) {
        benchmark::DoNotOptimize(flipcycle(c.st, c.mate));
        benchmark::ClobberMemory();
    }
    const double per = (thread_seconds() - t0) / static_cast<double>(state.iterations());
    if (pair_seconds.count(nv)) state.counters["x_fft_pair"] = per / pair_seconds[nv];
    state.counters["x_complex_pair"] = per / complex_pair_seconds(nv);
    state.counters["reflections"] = c.st.mtotalf();
}

// The sucrose sample phased once (E, seed 8), then the
// location repeated on the same phases.
struct Sucrose {
    RunState st;
    std::filesystem::path dir;
    std::ostringstream quiet;
    std::vector<cplx> half;
    TransformArray::Sparse sparse;
    std::vector<reftyp> refl, memrefl;
    Sucrose() {
        dir = std::filesystem::temp_directory_path() / ("quilmo_cfbench_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        std::ifstream in(std::string(QUILMO_BENCH_DATA) + "/chargeflip/sucrose_cf.Quilmo");
        std::stringstream text;
        text << in.rdbuf();
        std::string s = text.str();
        s.replace(s.find("randomseed 4711"), 15, "randomseed 8\nnormalize local\ncfrestart 300");
        s.replace(s.find("searchsymmetry average"), 22, "searchsymmetry no");
        std::ofstream(dir / "s.Quilmo") << s;
        const auto here = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        st.args = {"s"};
        st.con = &quiet;
        input(st);
        fftinit(st);
        meminit(st);
        rfactorinit(st);
        chargeflipping(st);
        std::filesystem::current_path(here);
        fft(st, 1);  // the phased structure factors again
        st.searchsym = st.averagesym = true;
        half.assign(st.sf.half(), st.sf.half() + st.sf.nhalf());
        sparse = st.sf.sparse();
        refl = st.refl.vec();
        memrefl = st.memrefl.vec();
        st.logfile = fixed((dir / "s.QLlog").string(), kNameLen);
    }
    void restore() {
        std::copy(half.begin(), half.end(), st.sf.half());
        st.sf.sparse() = sparse;
        st.refl.vec() = refl;
        st.memrefl.vec() = memrefl;
    }
    ~Sucrose() {
        fftfree(st);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Sucrose& sucrose() {
    static Sucrose s;
    return s;
}

// A two-dimensional search box of 42 x 162 trial shifts of the screw axis,
// each one pass over the 2200 F reflections, without the log lines.
void BM_CoincidenceBox42x162(benchmark::State& state) {
    Sucrose& s = sucrose();
    s.restore();
    CoincidenceTable table;
    double total = 0;
    for (auto _ : state) {
        const double t0 = thread_seconds();
        table.symmetry(s.st, 2);
        double best = 1e8;
        for (int j = 0; j < 162; ++j)
            for (int i = 0; i < 42; ++i) {
                const double x[8] = {i / 42.0, 0, j / 162.0};
                best = std::min(best, table(x));
            }
        benchmark::DoNotOptimize(best);
        total += thread_seconds() - t0;
    }
    state.counters["cpu_s"] = total / static_cast<double>(state.iterations());
}

void BM_LocateSymmetrySucrose(benchmark::State& state) {
    Sucrose& s = sucrose();
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.restore();
        state.ResumeTiming();
        const double t0 = thread_seconds();
        locatesymmetryrs(s.st);
        total += thread_seconds() - t0;
    }
    state.counters["cpu_s"] = total / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_FftPair)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipCycle)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoincidenceBox42x162)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LocateSymmetrySucrose)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
