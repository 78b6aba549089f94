#include "peaks/basins.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace quilmo {

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
    // itself when it is a maximum.
    std::vector<int> up(static_cast<std::size_t>(n));
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j) {
            long row[9];  // first voxel of the row (j+b, k+c), r = (b+1) + 3(c+1)
            for (int c = -1; c <= 1; ++c)
                for (int b = -1; b <= 1; ++b)
                    row[(b + 1) + 3 * (c + 1)] =
                        (static_cast<long>((k + c + nz) % nz) * ny + (j + b + ny) % ny) * nx;
            for (int i = 0; i < nx; ++i) {
                const long v = row[4] + i;
                const int xs[3] = {i == 0 ? nx - 1 : i - 1, i, i + 1 == nx ? 0 : i + 1};
                const double rv = rho[v];
                double best = -1;
                long to = v;
                for (int r = 0; r < 9; ++r)
                    for (int a = 0; a < 3; ++a) {
                        const long u = row[r] + xs[a];
                        const double d = rho[u] - rv;
                        if (d > 0 || (d == 0 && u > v)) {
                            const double s = d * w[a + 3 * r];
                            if (s > best) best = s, to = u;
                        }
                    }
                up[static_cast<std::size_t>(v)] = static_cast<int>(to);
            }
        }

    Basins b;
    b.of.assign(static_cast<std::size_t>(n), -1);
    for (long v = 0; v < n; ++v)
        if (up[static_cast<std::size_t>(v)] == v) {
            b.of[static_cast<std::size_t>(v)] = static_cast<int>(b.maxima.size());
            b.maxima.push_back(static_cast<int>(v));
        }
    // Every ascent rises strictly in (value, index), so it ends at a
    // maximum; the path is labelled on a second walk.
    for (long v = 0; v < n; ++v) {
        int u = static_cast<int>(v);
        while (b.of[static_cast<std::size_t>(u)] < 0) u = up[static_cast<std::size_t>(u)];
        const int label = b.of[static_cast<std::size_t>(u)];
        u = static_cast<int>(v);
        while (b.of[static_cast<std::size_t>(u)] < 0) {
            b.of[static_cast<std::size_t>(u)] = label;
            u = up[static_cast<std::size_t>(u)];
        }
    }
    return b;
}

std::vector<int> joinweak(const double* rho, const std::array<int, 3>& nv, const Basins& b,
                          const std::vector<char>& strong) {
    const int nx = nv[0], ny = nv[1], nz = nv[2];
    const std::size_t nmax = b.maxima.size();
    // The pass of every pair of touching basins of which one is weak.
    std::unordered_map<std::uint64_t, double> pass;
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const long v = (static_cast<long>(k) * ny + j) * nx + i;
                const int lv = b.of[static_cast<std::size_t>(v)];
                if (strong[static_cast<std::size_t>(lv)]) continue;
                for (int o = 0; o < 27; ++o) {
                    const long u = (static_cast<long>((k + o / 9 - 1 + nz) % nz) * ny + (j + o / 3 % 3 - 1 + ny) % ny) * nx +
                                   (i + o % 3 - 1 + nx) % nx;
                    const int lu = b.of[static_cast<std::size_t>(u)];
                    if (lu == lv) continue;
                    const double s = std::min(rho[v], rho[u]);
                    const std::uint64_t key = static_cast<std::uint64_t>(std::min(lv, lu)) << 32 |
                                              static_cast<std::uint32_t>(std::max(lv, lu));
                    const auto [it, fresh] = pass.try_emplace(key, s);
                    if (!fresh && s > it->second) it->second = s;
                }
            }
    std::vector<std::pair<double, std::uint64_t>> edges;
    edges.reserve(pass.size());
    for (const auto& [key, s] : pass) edges.emplace_back(s, key);
    std::sort(edges.begin(), edges.end(), [](const auto& a, const auto& c) {
        return a.first > c.first || (a.first == c.first && a.second < c.second);
    });

    std::vector<int> parent(nmax), top(nmax, -1);
    for (std::size_t m = 0; m < nmax; ++m) {
        parent[m] = static_cast<int>(m);
        if (strong[m]) top[m] = static_cast<int>(m);
    }
    auto root = [&](int m) {
        while (parent[static_cast<std::size_t>(m)] != m)
            m = parent[static_cast<std::size_t>(m)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(m)])];
        return m;
    };
    for (const auto& [s, key] : edges) {
        const int a = root(static_cast<int>(key >> 32)), c = root(static_cast<int>(key & 0xffffffffu));
        if (a == c || (top[static_cast<std::size_t>(a)] >= 0 && top[static_cast<std::size_t>(c)] >= 0)) continue;
        parent[static_cast<std::size_t>(a)] = c;
        if (top[static_cast<std::size_t>(c)] < 0) top[static_cast<std::size_t>(c)] = top[static_cast<std::size_t>(a)];
    }
    std::vector<int> to(nmax);
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
        d[k] = (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
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
