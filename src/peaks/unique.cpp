// From the grid maxima to the table of symmetry-unique peaks.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "peaks/basins.h"
#include "peaks/table.h"

namespace quilmo {

namespace {

constexpr double kSameSite = 1e-3;  // A, an operator that moves x less than this fixes it

struct Grid {
    const Frame& f;
    int index(int i, int j, int k) const {
        const auto& n = f.nvox;
        return ((((k % n[2]) + n[2]) % n[2]) * n[1] + (((j % n[1]) + n[1]) % n[1])) * n[0] +
               (((i % n[0]) + n[0]) % n[0]);
    }
    std::array<int, 3> coords(int v) const {
        return {v % f.nvox[0], v / f.nvox[0] % f.nvox[1], v / f.nvox[0] / f.nvox[1]};
    }
    int image(const SymOp& op, int v) const {
        const auto c = coords(v);
        int x[3];
        for (int i = 0; i < 3; ++i)
            x[i] = op.ri[3 * i] * c[0] + op.ri[3 * i + 1] * c[1] + op.ri[3 * i + 2] * c[2] + op.ti[i];
        return index(x[0], x[1], x[2]);
    }
    // Distance between two voxels, A, the nearest lattice images taken.
    double distance(int v, int w) const {
        const auto a = coords(v), b = coords(w);
        Vec3 d;
        for (int i = 0; i < 3; ++i) d[i] = double(a[i] - b[i]) / f.nvox[i];
        return length(f, wrapped(d, Vec3{}));
    }
};

}  // namespace

int sitesymmetry(const Frame& f, Vec3& x) {
    // The images within twice the distance are those of the operators whose
    // elements pass within it; their mean is the point they all fix.  A set
    // that is not yet a group is completed by the next round.
    for (int round = 0; round < 4; ++round) {
        Vec3 sum{};
        int count = 0;
        for (const SymOp& op : f.ops) {
            const Vec3 d = wrapped(image(op, x), x);
            if (length(f, d) > 2 * kSpecialDistance) continue;
            for (int i = 0; i < 3; ++i) sum[i] += x[i] + d[i];
            ++count;
        }
        Vec3 mean;
        for (int i = 0; i < 3; ++i) mean[i] = sum[i] / count;
        const double moved = length(f, wrapped(mean, x));
        if (moved > kSpecialDistance) break;
        x = mean;
        if (moved < 1e-12) break;
    }
    int site = 0;
    for (const SymOp& op : f.ops) site += length(f, wrapped(image(op, x), x)) < kSameSite ? 1 : 0;
    return std::max(site, 1);
}

PeakTable findpeaks(const Frame& f, const double* rho, int limit, double cutfraction) {
    PeakTable t;
    t.limit = limit;
    const Basins b = gridbasins(rho, f.nvox, f.g);
    const long n = static_cast<long>(b.of.size());
    const int nmax = static_cast<int>(b.maxima.size());
    t.maxima = nmax;

    // Every voxel counts with its value, negative ones included, so that
    // the basins add up to the map's total.
    std::vector<double> basin(static_cast<std::size_t>(nmax));
    for (long v = 0; v < n; ++v) {
        const double r = rho[v];
        basin[static_cast<std::size_t>(b.of[static_cast<std::size_t>(v)])] += r;
        t.total += r;
        (r > 0 ? t.positive : t.negative) += r;
    }

    // Maxima from the highest down: one whose image under an operator lies
    // in the basin of a maximum already taken, and near it, joins that
    // maximum's class; otherwise it starts a class and takes the maxima at
    // its own images.  A symmetric map gives whole orbits; a map that is not
    // quite symmetric still has its copies merged within kMergeDistance.
    const Grid grid{f};
    double step = 0;  // the voxel's longest diagonal, A
    for (int s = 0; s < 4; ++s) {
        const Vec3 d = {1.0 / f.nvox[0], (s & 1 ? -1.0 : 1.0) / f.nvox[1], (s & 2 ? -1.0 : 1.0) / f.nvox[2]};
        step = std::max(step, length(f, d));
    }
    const double merge = std::max(kMergeDistance, 1.01 * step);
    std::vector<int> order(static_cast<std::size_t>(nmax));
    std::iota(order.begin(), order.end(), 0);
    auto value = [&](int m) { return rho[b.maxima[static_cast<std::size_t>(m)]]; };
    std::stable_sort(order.begin(), order.end(), [&](int p, int q) { return value(p) > value(q); });
    std::vector<int> cls(static_cast<std::size_t>(nmax), -1), first;
    auto near_max = [&](int w) {
        const int m = b.of[static_cast<std::size_t>(w)];
        return grid.distance(w, b.maxima[static_cast<std::size_t>(m)]) <= merge ? m : -1;
    };
    for (int m : order) {
        if (cls[static_cast<std::size_t>(m)] >= 0 || !std::isfinite(value(m))) continue;
        const int v = b.maxima[static_cast<std::size_t>(m)];
        for (const SymOp& op : f.ops) {
            const int m2 = near_max(grid.image(op, v));
            if (m2 >= 0 && cls[static_cast<std::size_t>(m2)] >= 0) {
                cls[static_cast<std::size_t>(m)] = cls[static_cast<std::size_t>(m2)];
                break;
            }
        }
        if (cls[static_cast<std::size_t>(m)] >= 0) continue;
        const int c = static_cast<int>(first.size());
        first.push_back(m);
        cls[static_cast<std::size_t>(m)] = c;
        for (const SymOp& op : f.ops) {
            const int m2 = near_max(grid.image(op, v));
            if (m2 >= 0 && cls[static_cast<std::size_t>(m2)] < 0) cls[static_cast<std::size_t>(m2)] = c;
        }
    }
    std::vector<Peak> all(first.size());
    const int order_g = static_cast<int>(f.ops.size());
    for (std::size_t c = 0; c < first.size(); ++c) {
        const int v = b.maxima[static_cast<std::size_t>(first[c])];
        const MaxFit fit = fitmax(rho, f.nvox, v);
        const auto ijk = grid.coords(v);
        Peak& p = all[c];
        for (int i = 0; i < 3; ++i) p.x[i] = (ijk[i] + fit.shift[i]) / f.nvox[i];
        p.height = fit.value / f.capvx;
        p.site = sitesymmetry(f, p.x);
        // Positions on special positions come out of a mean: the last bits
        // of rounding are not kept.
        for (double& x : p.x) x = std::round(x * 1e10) / 1e10 + 0.0;
        p.x = in_cell(p.x);
        p.copies = order_g / p.site;
        if (c == 0 || p.height > t.highest) t.highest = p.height;
    }
    t.unique = static_cast<int>(all.size());
    t.cut = t.highest > 0 ? cutfraction * t.highest : t.highest;

    // The maxima below the cut are noise of the map: their basins join
    // those of the peaks across the highest pass.
    std::vector<char> strong(static_cast<std::size_t>(nmax), 0);
    for (int m = 0; m < nmax; ++m) {
        const int c = cls[static_cast<std::size_t>(m)];
        strong[static_cast<std::size_t>(m)] = c >= 0 && all[static_cast<std::size_t>(c)].height >= t.cut;
    }
    const std::vector<int> to = joinweak(rho, f.nvox, b, strong);
    std::vector<double> electrons(first.size());
    for (int m = 0; m < nmax; ++m) {
        const int target = to[static_cast<std::size_t>(m)];
        if (target >= 0)
            electrons[static_cast<std::size_t>(cls[static_cast<std::size_t>(target)])] +=
                basin[static_cast<std::size_t>(m)];
        else
            t.unlisted += basin[static_cast<std::size_t>(m)];
    }
    std::vector<Peak> peaks;
    for (std::size_t c = 0; c < all.size(); ++c)
        if (all[c].height >= t.cut) {
            all[c].electrons = electrons[c] / all[c].copies;
            peaks.push_back(std::move(all[c]));
        }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const Peak& p, const Peak& q) { return p.height > q.height; });
    int copies = 0;
    for (Peak& p : peaks) {
        if (copies < limit) {
            copies += p.copies;
            t.peaks.push_back(std::move(p));
        } else {
            t.unlisted += p.copies * p.electrons;
        }
    }
    for (std::size_t i = 0; i < t.peaks.size(); ++i)
        t.peaks[i].label = std::string(1, 'Q').append(std::to_string(i + 1));
    return t;
}

}  // namespace quilmo
