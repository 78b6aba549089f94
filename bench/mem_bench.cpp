// The cost of one maximum-entropy cycle as a multiple of one complex
// transform pair (the yardstick) and of the real pair fft(1) + fft(-1) that
// the cycle is built on, on 64^3 and 128^3 grids, for P1 and for mmm (8
// operators, orbits of up to 8 voxels).  A cycle is timed as the difference
// between runs of K = 20 and of 0 cycles, so the start and the end of a run
// drop out (the runs write no output listing, see Case).  The passes of a
// cycle one by one; one evaluation of DUAL, its unit of work; and the whole
// iteration to the aim, Sakata-Sato against DUAL.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <time.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <tuple>
#include <sstream>

#include "fourier/fft.h"
#include "grid/voxels.h"
#include "cubic_grid.h"
#include "grid/orbitlist.h"
#include "mem/cyclelists.h"
#include "mem/dual.h"
#include "mem/iteration.h"
#include "mem/rfactor.h"
#include "mem/update.h"
#include "run/state.h"

using namespace quilmo;

namespace {

// Orbits of an n^3 grid under the identity (P1) or the eight sign changes
// of mmm, in the order of their first voxels.
void make_orbits(RunState& st, bool mmm) {
    const int nv = st.nvox(1);
    std::vector<int> tab;
    std::vector<char> seen(static_cast<std::size_t>(st.nvoxtot), 0);
    st.norb = 0;
    for (int p = 0; p < st.nvoxtot; ++p) {
        if (seen[static_cast<std::size_t>(p)]) continue;
        ++st.norb;
        const std::size_t head = tab.size();
        tab.push_back(0);
        const int x = p % nv, y = (p / nv) % nv, z = p / (nv * nv);
        for (int s = 0; s < (mmm ? 8 : 1); ++s) {
            const int xi = (s & 1) ? (nv - x) % nv : x;
            const int yi = (s & 2) ? (nv - y) % nv : y;
            const int zi = (s & 4) ? (nv - z) % nv : z;
            const int q = xi + nv * (yi + nv * zi);
            if (seen[static_cast<std::size_t>(q)]) continue;
            seen[static_cast<std::size_t>(q)] = 1;
            tab.push_back(q);
            ++tab[head];
        }
    }
    st.rhotab.allocate(1, static_cast<long>(tab.size()));
    std::copy(tab.begin(), tab.end(), st.rhotab.data());
}

// A run whose data are the structure factors (|h| <= n/3) of a model of a
// few Gaussian atoms with 2 % errors, started from a flat prior.
struct Case {
    std::filesystem::path dir;
    RunState st;
    std::ostringstream con;
    std::vector<double> start;

    Case(int nv, bool mmm, int threads = 1) {
        dir = std::filesystem::temp_directory_path() /
              ("quilmo_mem_bench_" + std::to_string(nv) + (mmm ? "_mmm_" : "_p1_") + std::to_string(threads));
        std::filesystem::create_directories(dir);
        st.con = &con;
        st.nthreads = threads;  // before the plans are made
        cubic_grid(st, nv);
        st.gi.allocate(3, 3);  // a cubic cell of 10 A for the listings
        for (int k = 1; k <= 3; ++k) st.gi(k, k) = 0.01;
        st.rho.allocate(0, st.lstrhoel);
        make_orbits(st, mmm);

        // Model: atoms at a few positions (and their mmm images through the orbits).
        st.au.allocate(1, st.norb);
        long t = 1;
        for (int i = 1; i <= st.norb; ++i) {
            const int v = st.rhotab(t + 1);
            t += st.rhotab(t) + 1;
            const double x = (v % nv) / double(nv), y = ((v / nv) % nv) / double(nv),
                         z = (v / (nv * nv)) / double(nv);
            double rho = 0.05;
            for (const auto& a : {std::array<double, 3>{0.1, 0.2, 0.3}, {0.35, 0.1, 0.15},
                                  {0.25, 0.4, 0.05}}) {
                double d2 = 0;
                for (int k = 0; k < 3; ++k) {
                    double d = std::fabs((k == 0 ? x : k == 1 ? y : z) - a[static_cast<std::size_t>(k)]);
                    d = std::min(d, 1 - d);
                    d2 += d * d;
                }
                rho += 8.0 * std::exp(-d2 / 0.002);
            }
            st.au(i) = rho;
        }
        st.nchan = 1;
        expandsf(st);
        fft(st, 1);
        st.charge = st.sf.read(st.sf.position(0)).real();

        const std::vector<reftyp> list = sphere_reflections(st, [this](reftyp& e, int) {
            const cplx f = st.sf.read(st.sf.position(e.sfloc));
            e.a = f.real() * 1.02;
            e.b = f.imag() * 1.02;
            e.f = std::hypot(e.a, e.b);
            e.sigma = 0.01 * e.f + 0.1;
            e.weight = 1 / (e.sigma * e.sigma);
            e.mult = 1;
            e.modwg = 1;
        });
        const int count = static_cast<int>(list.size());
        st.memrefl.allocate(1, count);
        st.refl.allocate(1, count);
        std::copy(list.begin(), list.end(), st.memrefl.data());
        std::copy(list.begin(), list.end(), st.refl.data());
        st.msec.f.start = st.sec.f.start = 1;
        st.msec.f.end = st.msec.prif.end = count;
        st.sec.f.end = count;
        st.sec.prif.end = st.sec.g.end = st.sec.extra.end = count;
        st.sec.prif.start = st.sec.g.start = st.sec.extra.start = count + 1;

        st.au.fill(st.charge / st.nvoxtot);
        st.rau = st.au;
        st.bau = st.au;
        start = st.au.vec();
        st.algorithm = 1;
        st.aim = -1;  // never reached: the cycle limit ends every run
        const std::string base = (dir / "bench").string();
        st.filetitle = fixed(base, 264);
        st.filebase = static_cast<int>(base.size()) + 1;
        st.logfile = fixed(base + ".QLlog", 264);
        // The output listing is named in a folder that does not exist: the
        // iteration goes on without it.  Its final listings of every
        // reflection cost a second or so, which the subtraction below would
        // otherwise have to take out again, noise and all.
        st.memreflfile = fixed((dir / "none" / "bench.QLout").string(), 264);
        st.comfile = fixed(base + ".QLcom", 264);
        rfactorinit(st);
    }
    ~Case() {
        fftfree(st);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // One iteration of `cycles` cycles from the flat start.
    void run(int cycles) {
        { std::ofstream(dir / "bench.QLlog", std::ios::trunc); }
        std::copy(start.begin(), start.end(), st.au.data());
        st.lambda = 0;
        st.maxcycles = cycles;
        mem(st);
    }
};

Case& grid(int nv, bool mmm, int threads = 1) {
    static std::map<std::tuple<int, bool, int>, std::unique_ptr<Case>> cases;
    auto& c = cases[{nv, mmm, threads}];
    if (!c) c = std::make_unique<Case>(nv, mmm, threads);
    return *c;
}

void BM_MemCycle(benchmark::State& state) {
    const int nv = static_cast<int>(state.range(0));
    const bool mmm = state.range(1) != 0;
    const int threads = static_cast<int>(state.range(2));
    // Enough cycles that the listings at the end of every run (which the
    // subtraction removes) do not drown them in their noise.
    const int cycles = 20;
    Case& c = grid(nv, mmm, threads);
    // With more threads the other threads' processor time counts too, so
    // those cases (and their one-thread partners in the table) are best
    // compared by the wall clock; the processor clock of this thread keeps
    // other work on the machine out of the one-thread ratios.
    const bool wall = threads > 1 || state.range(3) != 0;
    auto now = [wall] {
        return wall ? std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count()
                    : thread_seconds();
    };
    double pair = 0, cycle = 1e99;
    c.run(0);  // warm: files, formats and pages in place before anything is timed
    for (auto _ : state) {
        double t0 = now();
        for (int k = 0; k < 4; ++k) {
            fft(c.st, 1);
            fft(c.st, -1);
        }
        pair = (now() - t0) / 4;
        double base = 1e99;
        for (int k = 0; k < 3; ++k) {
            t0 = now();
            c.run(0);
            base = std::min(base, now() - t0);
        }
        for (int k = 0; k < 2; ++k) {
            t0 = now();
            c.run(cycles);
            cycle = std::min(cycle, (now() - t0 - base) / cycles);
        }
    }
    state.counters["orbits"] = c.st.norb;
    state.counters["reflections"] = c.st.mtotalfpg();
    const double complex_pair = complex_pair_seconds(nv);
    state.counters["complex_pair_ms"] = 1e3 * complex_pair;
    state.counters["real_pair_ms"] = 1e3 * pair;
    state.counters["cycle_ms"] = 1e3 * cycle;
    state.counters["x_complex_pair"] = cycle / complex_pair;
    state.counters["x_real_pair"] = cycle / pair;
}

// Best of `repeats` thread-clock timings of f, in milliseconds.
template <class F>
double best_ms(F f, int repeats = 5) {
    double best = 1e99;
    for (int r = 0; r < repeats; ++r) {
        const double t0 = thread_seconds();
        f();
        best = std::min(best, thread_seconds() - t0);
    }
    return 1e3 * best;
}

// The passes of one cycle, each timed alone in the state a short run left:
// the gradient into the half, the backward transform, the update (which
// leaves the new density on the grid), the forward transform, the gradient
// values of the next cycle and the R sums.  The update is repeated on what
// the one before left on the grid: other values, the same work.
void BM_MemPasses(benchmark::State& state) {
    const int nv = static_cast<int>(state.range(0));
    Case& c = grid(nv, state.range(1) != 0);
    RunState& st = c.st;
    c.run(3);
    const OrbitList orb = orbitlist(st);
    CycleLists lists = cycle_lists(st);
    IterDensity d;
    init_density(st, orb, d);
    d.pinned = true;  // every update in place: the backup is of no interest here
    const double lambda = st.lambda;
    double fill = 0, back = 0, step = 0, forward = 0, take = 0, rsums = 0;
    for (auto _ : state) {
        new_structure_factors(st);
        take_sf(st, lists, 1.0);
        fill = best_ms([&] { fill_gradient(st, lists); });
        back = best_ms([&] { fft_backward_unscaled(st); });
        fill_gradient(st, lists);
        fft_backward_unscaled(st);
        step = best_ms([&] { update(st, orb, d, lambda); });
        forward = best_ms([&] { fft(st, 1); });
        take = best_ms([&] { take_sf(st, lists, d.scale); });
        rsums = best_ms([&] { rfactor_sf(st, lists, d.scale); });
    }
    settle(st, d);
    state.counters["fill_gradient_ms"] = fill;
    state.counters["backward_ms"] = back;
    state.counters["update_ms"] = step;
    state.counters["forward_ms"] = forward;
    state.counters["take_sf_ms"] = take;
    state.counters["rfactor_sf_ms"] = rsums;
    state.counters["sum_ms"] = fill + back + step + forward + take + rsums;
    state.counters["complex_pair_ms"] = 1e3 * complex_pair_seconds(nv);
}

// One evaluation of DUAL (a transform pair with the passes around it) at the
// start of a run, against the complex pair; a MEM cycle of the same case is
// in BM_MemCycle.
void BM_DualEvaluation(benchmark::State& state) {
    const int nv = static_cast<int>(state.range(0));
    Case& c = grid(nv, state.range(1) != 0);
    RunState& st = c.st;
    std::copy(c.start.begin(), c.start.end(), st.au.data());
    new_structure_factors(st);
    const DualProblem p = dual_problem(st, 1.0);
    std::vector<double> fc(2 * static_cast<std::size_t>(p.nf)), x(static_cast<std::size_t>(p.nx)),
        g(x.size()), au(p.m.size());
    for (int k = 0; k < p.nf; ++k) {
        fc[2 * static_cast<std::size_t>(k)] = st.refl(st.sec.f.start + 1 + k).amem;
        fc[2 * static_cast<std::size_t>(k) + 1] = st.refl(st.sec.f.start + 1 + k).bmem;
    }
    dual_start(p, fc.data(), x.data());
    dual_evaluate(st, p, x.data(), g.data(), au.data(), fc.data());  // warm
    double evaluation = 0;
    for (auto _ : state)
        evaluation = best_ms([&] { dual_evaluate(st, p, x.data(), g.data(), au.data(), fc.data()); }, 10);
    const double complex_pair = 1e3 * complex_pair_seconds(nv);
    state.counters["evaluation_ms"] = evaluation;
    state.counters["complex_pair_ms"] = complex_pair;
    state.counters["x_complex_pair"] = evaluation / complex_pair;
}

// Both algorithms from the flat start to an aim of 1 on the 64^3 mmm case:
// the cycles of the Sakata-Sato iteration and the evaluations of DUAL (one
// transform pair each), and the wall time of the whole iteration.
void BM_MemToAim(benchmark::State& state) {
    const bool dual = state.range(0) != 0;
    Case& c = grid(64, true);
    int count = 0;
    double wall = 0, entropy = 0, r = 0, fgcon = 0;
    for (auto _ : state) {
        { std::ofstream(c.dir / "bench.QLlog", std::ios::trunc); }
        std::copy(c.start.begin(), c.start.end(), c.st.au.data());
        c.st.lambda = 0;
        c.st.aim = 1.0;
        c.st.maxcycles = 11000;
        c.st.algorithm = dual ? 3 : 1;
        c.con.str("");
        const auto t0 = std::chrono::steady_clock::now();
        if (dual)
            memdual(c.st);
        else
            mem(c.st);
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::istringstream lines(c.con.str());
        std::string line;
        count = 0;
        while (std::getline(lines, line))
            if (line.rfind(dual ? " Evaluation" : " Cycle", 0) == 0) ++count;
        entropy = c.st.s;
        r = c.st.r;
        fgcon = c.st.fgcon;
        c.st.algorithm = 1;
        c.st.aim = -1;
    }
    state.counters["transform_pairs"] = count;
    state.counters["wall_s"] = wall;
    state.counters["entropy"] = entropy;
    state.counters["R"] = r;
    state.counters["constraint"] = fgcon;
}

}  // namespace

// 64^3 and 128^3, without symmetry and in mmm.
void grids(benchmark::internal::Benchmark* b) {
    b->ArgNames({"n", "mmm"})->Args({64, 0})->Args({64, 1})->Args({128, 0})->Args({128, 1});
    b->Iterations(1)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_MemPasses)->Apply(grids);

BENCHMARK(BM_DualEvaluation)->Apply(grids);

BENCHMARK(BM_MemToAim)->ArgNames({"dual"})->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_MemCycle)
    ->ArgNames({"n", "mmm", "threads", "wall"})
    ->Args({64, 0, 1, 0})
    ->Args({64, 1, 1, 0})
    ->Args({128, 0, 1, 0})
    ->Args({128, 1, 1, 0})
    ->Args({128, 0, 1, 1})
    ->Args({128, 0, 2, 1})
    ->Args({128, 1, 1, 1})
    ->Args({128, 1, 2, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
