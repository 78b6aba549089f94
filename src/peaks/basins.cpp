#include "peaks/basins.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

namespace quilmo {

namespace {

// For voxels lo..hi-1 of a row: the slope to the neighbours nb (at steps of
// inverse length wo, direction o) where it is steeper than the best so far.
// Arithmetic, not a choice, so that the compiler runs several voxels at
// once: it keeps a conditional store as a branch.  Not inlined: the
// promise that the rows do not overlap would be lost.  A step is taken only
// to a strictly higher neighbour (the best starts at 0), so every ascent
// ends, NaN values or not.
[[gnu::noinline]] void steeper(const double* __restrict nb, const double* __restrict cur,
                               double* __restrict best, double* __restrict dir, int lo, int hi, double wo,
                               double o) {
    for (int i = lo; i < hi; ++i) {
        const double s = (nb[i] - cur[i]) * wo, b0 = best[i];
        const double better = s > b0;
        dir[i] += better * (o - dir[i]);
        best[i] = std::max(s, b0);  // this order is a single instruction; a NaN is never better
    }
}

}  // namespace

Basins gridbasins(const double* rho, const std::array<int, 3>& nv, const std::array<double, 9>& g) {
    const int nx = nv[0], ny = nv[1], nz = nv[2];
    const long n = static_cast<long>(nx) * ny * nz;
    // 1 / length of the step to neighbour o = (a+1) + 3(b+1) + 9(c+1).
    double w[27];
    for (int o = 0; o < 27; ++o) {
        const double d[3] = {double(o % 3 - 1) / nx, double(o / 3 % 3 - 1) / ny, double(o / 9 - 1) / nz};
        double s = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) s += d[i] * g[3 * i + j] * d[j];
        w[o] = s > 0 ? 1 / std::sqrt(s) : 0;
    }

    // Each voxel's step: to the neighbour of the steepest ascent, or to
    // itself when it is a maximum.  A row at a time, one neighbour direction
    // after the other, so that the inner loop runs along memory without a
    // branch (several voxels at once); only the first and the last voxel of
    // a row have a neighbour across the edge.  The loops find the steepest
    // strictly higher neighbour; a voxel left without one steps to an equal
    // neighbour of higher index, if it has one.
    Basins b;
    b.of.resize(static_cast<std::size_t>(n));
    int* const up = b.of.data();  // the step of each voxel, then its label
    std::vector<double> best_row(static_cast<std::size_t>(nx)), dir_row(static_cast<std::size_t>(nx));
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j) {
            long row[9];  // first voxel of the row (j+b, k+c), r = (b+1) + 3(c+1)
            for (int c = -1; c <= 1; ++c)
                for (int b = -1; b <= 1; ++b)
                    row[(b + 1) + 3 * (c + 1)] =
                        (static_cast<long>((k + c + nz) % nz) * ny + (j + b + ny) % ny) * nx;
            const double* cur = rho + row[4];
            double* best = best_row.data();
            double* dir = dir_row.data();  // direction a + 3r of the step, -1: none
            for (int i = 0; i < nx; ++i) best[i] = 0, dir[i] = -1;
            // The neighbour of voxel i in direction (a, r).
            auto neighbour = [&](int i, int a, int r) {
                const int x = a == 1 ? i : a == 0 ? (i == 0 ? nx - 1 : i - 1) : (i + 1 == nx ? 0 : i + 1);
                return row[r] + x;
            };
            for (int r = 0; r < 9; ++r)
                for (int a = 0; a < 3; ++a) {
                    if (r == 4 && a == 1) continue;
                    const double* nb = rho + row[r] + (a - 1);
                    const double wo = w[a + 3 * r], o = a + 3 * r;
                    const int lo = a == 0 ? 1 : 0, hi = a == 2 ? nx - 1 : nx;
                    steeper(nb, cur, best, dir, lo, hi, wo, o);
                    if (a == 1) continue;
                    const int i = a == 0 ? 0 : nx - 1;
                    const double s = (rho[neighbour(i, a, r)] - cur[i]) * wo;
                    if (s > best[i]) best[i] = s, dir[i] = o;
                }
            for (int i = 0; i < nx; ++i) {
                const long v = row[4] + i;
                long u = v;
                if (dir[i] >= 0) {
                    const int o = static_cast<int>(dir[i]);
                    u = neighbour(i, o % 3, o / 3);
                } else {
                    for (int o = 0; o < 27 && u == v; ++o) {
                        const long t = neighbour(i, o % 3, o / 3);
                        if (rho[t] == cur[i] && t > v) u = t;
                    }
                }
                up[v] = static_cast<int>(u);
            }
        }

    // In the same array a label m is held as -(m + 1), a step as the voxel
    // it goes to.  Every ascent rises strictly in (value, index), so it ends
    // at a maximum; the path is labelled on a second walk.
    for (long v = 0; v < n; ++v)
        if (up[v] == v) {
            up[v] = -static_cast<int>(b.maxima.size()) - 1;
            b.maxima.push_back(static_cast<int>(v));
        }
    for (long v = 0; v < n; ++v) {
        int u = static_cast<int>(v);
        while (up[u] >= 0) u = up[u];
        const int label = up[u];
        u = static_cast<int>(v);
        while (up[u] >= 0) {
            const int next = up[u];
            up[u] = label;
            u = next;
        }
    }
    for (long v = 0; v < n; ++v) up[v] = -up[v] - 1;
    return b;
}

std::vector<int> joinweak(const double* rho, const std::array<int, 3>& nv, const Basins& b,
                          const std::vector<char>& strong) {
    const int nx = nv[0], ny = nv[1], nz = nv[2];
    const std::size_t nmax = b.maxima.size();
    std::vector<int> to(nmax);
    for (std::size_t m = 0; m < nmax; ++m) to[m] = strong[m] ? static_cast<int>(m) : -1;
    if (std::all_of(strong.begin(), strong.end(), [](char c) { return c != 0; })) return to;

    // The pass of every pair of touching basins of which one is weak, kept
    // with the weak one (the lower-numbered of two weak ones); each pair of
    // voxels sharing a face is looked at once, from the earlier voxel.
    struct Pass {
        int other;
        double height;
    };
    std::vector<std::vector<Pass>> passes(nmax);
    int last_a = -1, last_b = -1;
    Pass* last = nullptr;
    auto meet = [&](int la, int lb, double h) {
        if (la == lb) return;
        const bool wa = !strong[static_cast<std::size_t>(la)], wb = !strong[static_cast<std::size_t>(lb)];
        if (!wa && !wb) return;
        if (!wa || (wb && lb < la)) std::swap(la, lb);
        if (la == last_a && lb == last_b) {
            last->height = std::max(last->height, h);
            return;
        }
        auto& list = passes[static_cast<std::size_t>(la)];
        auto it = std::find_if(list.begin(), list.end(), [lb](const Pass& p) { return p.other == lb; });
        if (it == list.end()) {
            list.push_back({lb, h});
            it = list.end() - 1;
        } else {
            it->height = std::max(it->height, h);
        }
        last_a = la, last_b = lb, last = &*it;
    };
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j) {
            long row[9];
            for (int c = -1; c <= 1; ++c)
                for (int bb = -1; bb <= 1; ++bb)
                    row[(bb + 1) + 3 * (c + 1)] =
                        (static_cast<long>((k + c + nz) % nz) * ny + (j + bb + ny) % ny) * nx;
            // The neighbours across the three faces after each voxel (+x,
            // +y, +z: offsets a + 3r of 14, 16, 22), one direction at a
            // time along the row; the labels differ seldom.  The faces
            // suffice to find every pair of touching basins and their
            // passes, at a quarter of the cost of all 13 directions.
            const int* lv = b.of.data() + row[4];
            const double* cur = rho + row[4];
            for (int o : {14, 16, 22}) {
                const int a = o % 3, r = o / 3;
                const int* lu = b.of.data() + row[r];
                const double* nb = rho + row[r];
                const int lo = a == 0 ? 1 : 0, hi = a == 2 ? nx - 1 : nx;
                for (int i = lo; i < hi; ++i)
                    if (lu[i + a - 1] != lv[i]) meet(lv[i], lu[i + a - 1], std::min(cur[i], nb[i + a - 1]));
                if (a == 1) continue;
                const int i = a == 0 ? 0 : nx - 1, x = a == 0 ? nx - 1 : 0;
                if (lu[x] != lv[i]) meet(lv[i], lu[x], std::min(cur[i], nb[x]));
            }
        }
    std::vector<std::tuple<double, int, int>> edges;
    for (std::size_t m = 0; m < nmax; ++m)
        for (const Pass& p : passes[m]) edges.emplace_back(p.height, static_cast<int>(m), p.other);
    std::sort(edges.begin(), edges.end(), [](const auto& e, const auto& f) {
        return std::get<0>(e) > std::get<0>(f) ||
               (std::get<0>(e) == std::get<0>(f) && std::make_pair(std::get<1>(e), std::get<2>(e)) <
                                                        std::make_pair(std::get<1>(f), std::get<2>(f)));
    });

    // From the highest pass down, a set without a strong maximum joins the
    // set across the pass.
    std::vector<int> parent(nmax);
    for (std::size_t m = 0; m < nmax; ++m) parent[m] = static_cast<int>(m);
    auto root = [&](int m) {
        while (parent[static_cast<std::size_t>(m)] != m)
            m = parent[static_cast<std::size_t>(m)] =
                parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(m)])];
        return m;
    };
    std::vector<int> top = to;
    for (const auto& [h, ea, eb] : edges) {
        const int a = root(ea), c = root(eb);
        if (a == c || (top[static_cast<std::size_t>(a)] >= 0 && top[static_cast<std::size_t>(c)] >= 0))
            continue;
        parent[static_cast<std::size_t>(a)] = c;
        if (top[static_cast<std::size_t>(c)] < 0)
            top[static_cast<std::size_t>(c)] = top[static_cast<std::size_t>(a)];
    }
    for (std::size_t m = 0; m < nmax; ++m) to[m] = top[static_cast<std::size_t>(root(static_cast<int>(m)))];
    return to;
}

namespace {

// Least-squares quadratic c + q.x + x'Hx/2 over the 27 points x in
// {-1,0,1}^3, and its maximum when H is negative definite and the maximum
// lies within one step of the centre.  The normal equations separate: the
// gradient and the mixed terms are single sums, the constant and the
// squares a 4x4 system solved in closed form.
bool quadratic_max(const double f[27], MaxFit& fit) {
    double q[3] = {}, h[3][3] = {}, s0 = 0, sq[3] = {};
    for (int o = 0; o < 27; ++o) {
        const int x[3] = {o % 3 - 1, o / 3 % 3 - 1, o / 9 - 1};
        s0 += f[o];
        for (int i = 0; i < 3; ++i) {
            q[i] += x[i] * f[o];
            sq[i] += x[i] * x[i] * f[o];
            for (int j = i + 1; j < 3; ++j) h[i][j] += x[i] * x[j] * f[o];
        }
    }
    const double st = sq[0] + sq[1] + sq[2];
    const double bsum = (st - 2 * s0) / 6;
    const double c = (7 * s0 - 3 * st) / 27;
    for (int i = 0; i < 3; ++i) {
        q[i] /= 18;
        h[i][i] = 2 * (sq[i] - 18 * c - 12 * bsum) / 6;
        for (int j = i + 1; j < 3; ++j) h[j][i] = h[i][j] /= 12;
    }
    // Negative definite by the leading minors.
    const double m2 = h[0][0] * h[1][1] - h[0][1] * h[1][0];
    const double det = h[0][0] * (h[1][1] * h[2][2] - h[1][2] * h[2][1]) -
                       h[0][1] * (h[1][0] * h[2][2] - h[1][2] * h[2][0]) +
                       h[0][2] * (h[1][0] * h[2][1] - h[1][1] * h[2][0]);
    if (!(h[0][0] < 0 && m2 > 0 && det < 0)) return false;
    // H d = -q by Cramer's rule.
    double d[3];
    for (int k = 0; k < 3; ++k) {
        double m[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] = j == k ? -q[i] : h[i][j];
        d[k] = (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0])) /
               det;
        if (!(std::fabs(d[k]) <= 1)) return false;
    }
    for (int k = 0; k < 3; ++k) fit.shift[k] = d[k];
    fit.value = c + 0.5 * (q[0] * d[0] + q[1] * d[1] + q[2] * d[2]);
    return true;
}

}  // namespace

MaxFit fitmax(const double* rho, const std::array<int, 3>& nv, int voxel) {
    const int i = voxel % nv[0], j = voxel / nv[0] % nv[1], k = voxel / nv[0] / nv[1];
    double f[27], lf[27];
    bool positive = true;
    for (int o = 0; o < 27; ++o) {
        const int a = (i + o % 3 - 1 + nv[0]) % nv[0], b = (j + o / 3 % 3 - 1 + nv[1]) % nv[1],
                  c = (k + o / 9 - 1 + nv[2]) % nv[2];
        f[o] = rho[(static_cast<long>(c) * nv[1] + b) * nv[0] + a];
        positive = positive && f[o] > 0;
        lf[o] = positive ? std::log(f[o]) : 0;
    }
    MaxFit fit;
    if (positive && quadratic_max(lf, fit)) {
        fit.value = std::exp(fit.value);
        return fit;
    }
    if (quadratic_max(f, fit)) return fit;
    fit.shift = {0, 0, 0};
    fit.value = f[13];
    return fit;
}

}  // namespace quilmo
