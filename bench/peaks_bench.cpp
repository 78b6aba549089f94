// The peak search of a run's final map on a 128^3 grid (maxima, basins,
// weak basins joined, symmetry merging, sub-voxel fits, then the listed
// peaks put together and their neighbours found), as a multiple of one
// complex transform pair ("x_complex_pair").  Two maps: Gaussian atoms of an
// organic crystal, and the same with a ripple of 3 % that gives the maxima
// of a real map between the atoms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "cubic_grid.h"
#include "peaks/search.h"
#include "peaks/table.h"

using namespace quilmo;

namespace {

constexpr int kGrid = 128;
constexpr double kEdge = 25.6;  // A: voxels of 0.2 A

struct Map {
    Frame f;
    std::vector<double> rho;
    double electrons = 0;

    explicit Map(double ripple) {
        f.nvox = {kGrid, kGrid, kGrid};
        f.g = {kEdge * kEdge, 0, 0, 0, kEdge * kEdge, 0, 0, 0, kEdge * kEdge};
        f.rlen = {1 / kEdge, 1 / kEdge, 1 / kEdge};
        f.capvx = std::pow(kEdge / kGrid, 3);
        SymOp one;
        one.r = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        one.ri = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        f.ops = {one};
        const long n = static_cast<long>(kGrid) * kGrid * kGrid;
        rho.assign(static_cast<std::size_t>(n), 0.0);
        // Atoms of 6 to 8 electrons at least 1.4 A apart, about one per
        // 18 A^3, as in an organic crystal.
        std::mt19937 gen(4711);
        std::uniform_real_distribution<double> u(0, 1);
        std::vector<Vec3> atoms;
        const int want = static_cast<int>(std::pow(kEdge, 3) / 18);
        for (int tries = 0; static_cast<int>(atoms.size()) < want && tries < 100 * want; ++tries) {
            const Vec3 x = {u(gen), u(gen), u(gen)};
            bool free = true;
            for (const Vec3& y : atoms) free = free && length(f, wrapped(x, y)) >= 1.4;
            if (free) atoms.push_back(x);
        }
        const double sigma = 0.3, reach = 1.8;
        const int box = static_cast<int>(reach / kEdge * kGrid) + 1;
        for (std::size_t a = 0; a < atoms.size(); ++a) {
            const double z = 6 + static_cast<double>(a % 3);
            electrons += z;
            const double peak = z / std::pow(2 * M_PI * sigma * sigma, 1.5) * f.capvx;
            const int c[3] = {static_cast<int>(atoms[a][0] * kGrid), static_cast<int>(atoms[a][1] * kGrid),
                              static_cast<int>(atoms[a][2] * kGrid)};
            for (int k = c[2] - box; k <= c[2] + box; ++k)
                for (int j = c[1] - box; j <= c[1] + box; ++j)
                    for (int i = c[0] - box; i <= c[0] + box; ++i) {
                        const Vec3 p = {double(i) / kGrid, double(j) / kGrid, double(k) / kGrid};
                        const double r = length(f, wrapped(p, atoms[a]));
                        if (r > reach) continue;
                        const long v =
                            ((static_cast<long>((k + kGrid) % kGrid) * kGrid) + (j + kGrid) % kGrid) * kGrid +
                            (i + kGrid) % kGrid;
                        rho[static_cast<std::size_t>(v)] += peak * std::exp(-r * r / (2 * sigma * sigma));
                    }
        }
        // Waves of about 1 A and random phase, `ripple` of the mean density
        // high: the series termination and noise of a measured map.
        const double mean = electrons / static_cast<double>(n);
        std::vector<std::array<double, 4>> waves;
        for (int w = 0; w < 24; ++w)
            waves.push_back({static_cast<double>(gen() % 41) - 20, static_cast<double>(gen() % 41) - 20,
                             static_cast<double>(gen() % 41) - 20, 2 * M_PI * u(gen)});
        if (ripple > 0)
            for (long v = 0; v < n; ++v) {
                const double x = double(v % kGrid) / kGrid, y = double(v / kGrid % kGrid) / kGrid,
                             z = double(v / kGrid / kGrid) / kGrid;
                double s = 0;
                for (const auto& w : waves) s += std::cos(2 * M_PI * (w[0] * x + w[1] * y + w[2] * z) + w[3]);
                rho[static_cast<std::size_t>(v)] += ripple * mean * 30 * s / std::sqrt(waves.size());
            }
    }
};

void search(benchmark::State& state, double ripple) {
    static std::map<double, std::unique_ptr<Map>> maps;
    auto& m = maps[ripple];
    if (!m) m = std::make_unique<Map>(ripple);
    double spent = 0;
    std::size_t listed = 0;
    int maxima = 0;
    for (auto _ : state) {
        const double t0 = thread_seconds();
        PeakTable t = findpeaks(m->f, m->rho.data(), default_peak_limit(m->electrons));
        assemble(m->f, t.peaks);
        findcontacts(m->f, t.peaks);
        spent += thread_seconds() - t0;
        listed = t.peaks.size();
        maxima = t.maxima;
    }
    state.counters["maxima"] = maxima;
    state.counters["listed"] = static_cast<double>(listed);
    state.counters["x_complex_pair"] =
        spent / static_cast<double>(state.iterations()) / complex_pair_seconds(kGrid);
}

void BM_PeakSearchAtoms128(benchmark::State& state) { search(state, 0); }
void BM_PeakSearchRipple128(benchmark::State& state) { search(state, 0.03); }
BENCHMARK(BM_PeakSearchAtoms128)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakSearchRipple128)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
