#include "support/map_peaks.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "support/e2e.h"

namespace quilmo_test {

DensityMap read_ascii_map(const std::string& text) {
    DensityMap m;
    const auto lines = lines_of(text);
    std::istringstream(lines.at(1)) >> m.nv[0] >> m.nv[1] >> m.nv[2];
    std::istringstream c(lines.at(2));
    for (double& x : m.cell) c >> x;
    for (std::size_t l = 4; l < lines.size(); ++l)
        for (std::size_t p = 0; p + 22 <= lines[l].size(); p += 22) m.v.push_back(std::stod(lines[l].substr(p, 22)));
    return m;
}

std::vector<Peak> local_maxima(const DensityMap& m) {
    const int nx = m.nv[0], ny = m.nv[1], nz = m.nv[2];
    auto at = [&](int i, int j, int k) {
        return m.v[static_cast<std::size_t>((i + nx) % nx + nx * ((j + ny) % ny + ny * ((k + nz) % nz)))];
    };
    std::vector<Peak> peaks;
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const double v = at(i, j, k);
                bool top = true;
                for (int c = -1; c <= 1 && top; ++c)
                    for (int b = -1; b <= 1 && top; ++b)
                        for (int a = -1; a <= 1 && top; ++a) top = v >= at(i + a, j + b, k + c);
                if (!top) continue;
                const int idx[3] = {i, j, k};
                Peak p{v, {}};
                for (int ax = 0; ax < 3; ++ax) {
                    int lo[3] = {i, j, k}, hi[3] = {i, j, k};
                    --lo[ax];
                    ++hi[ax];
                    const double fl = at(lo[0], lo[1], lo[2]), fh = at(hi[0], hi[1], hi[2]), den = fl - 2 * v + fh;
                    const double off = den < 0 ? 0.5 * (fl - fh) / den : 0;
                    p.x[static_cast<std::size_t>(ax)] = (idx[ax] + off) / m.nv[static_cast<std::size_t>(ax)];
                }
                peaks.push_back(p);
            }
    std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.height > b.height; });
    return peaks;
}

double distance(const std::array<double, 6>& cell, const Frac& a, const Frac& b) {
    const double deg = M_PI / 180;
    const double ca = std::cos(cell[3] * deg), cb = std::cos(cell[4] * deg), cg = std::cos(cell[5] * deg);
    const double g[3][3] = {{cell[0] * cell[0], cell[0] * cell[1] * cg, cell[0] * cell[2] * cb},
                            {cell[0] * cell[1] * cg, cell[1] * cell[1], cell[1] * cell[2] * ca},
                            {cell[0] * cell[2] * cb, cell[1] * cell[2] * ca, cell[2] * cell[2]}};
    double d[3];
    for (int i = 0; i < 3; ++i) {
        d[i] = a[static_cast<std::size_t>(i)] - b[static_cast<std::size_t>(i)];
        d[i] -= std::round(d[i]);
    }
    double s = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) s += d[i] * g[i][j] * d[j];
    return std::sqrt(std::max(s, 0.0));
}

Frac FracOp::apply(const Frac& x) const {
    Frac y{};
    for (std::size_t i = 0; i < 3; ++i) y[i] = r[3 * i] * x[0] + r[3 * i + 1] * x[1] + r[3 * i + 2] * x[2] + t[i];
    return y;
}

double image_distance(const std::array<double, 6>& cell, const std::vector<FracOp>& ops, const Frac& x, const Frac& y) {
    double best = 1e9;
    for (const FracOp& op : ops) best = std::min(best, distance(cell, x, op.apply(y)));
    return best;
}

std::vector<Peak> unique_maxima(const DensityMap& m, const std::vector<FracOp>& ops, std::size_t count) {
    std::vector<Peak> out;
    for (const Peak& p : local_maxima(m)) {
        if (out.size() == count) break;
        bool image = false;
        for (const Peak& q : out) image = image || image_distance(m.cell, ops, q.x, p.x) < 0.5;
        if (!image) out.push_back(p);
    }
    return out;
}

int p21_atoms_on_peaks(const DensityMap& m, const std::vector<Frac>& atoms) {
    std::vector<Peak> peaks = local_maxima(m);
    peaks.resize(std::min(peaks.size(), 4 * atoms.size()));
    auto near = [&](const Frac& p) {
        for (const Peak& q : peaks)
            if (distance(m.cell, p, q.x) <= 0.5) return true;
        return false;
    };
    int best = 0;
    for (int e : {1, -1})
        for (double sx : {0.0, 0.5})
            for (double sz : {0.0, 0.5})
                for (int iy = 0; iy < 360; ++iy) {
                    int hit = 0;
                    for (const Frac& f : atoms) {
                        const Frac p{e * f[0] + sx, e * f[1] + iy / 360.0, e * f[2] + sz};
                        hit += near(p) || near({-p[0], p[1] + 0.5, -p[2]}) ? 1 : 0;
                    }
                    best = std::max(best, hit);
                }
    return best;
}

std::vector<Frac> heavy_atoms(const std::string& text) {
    std::vector<Frac> atoms;
    for (const std::string& l : lines_of(text)) {
        if (l.empty() || l[0] == '#') continue;
        std::istringstream in(l);
        std::string label, element;
        Frac f{};
        in >> label >> element >> f[0] >> f[1] >> f[2];
        if (in && element != "H") atoms.push_back(f);
    }
    return atoms;
}

}  // namespace quilmo_test
