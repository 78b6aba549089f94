#include "import/grid.h"

#include <cmath>
#include <numeric>

#include "textio/stop.h"

namespace quilmo {

namespace {

constexpr int kMaxSize = 4096;

bool smooth(int n) {
    for (int p : {2, 3, 5, 7})
        while (n % p == 0) n /= p;
    return n == 1;
}

}  // namespace

GridRule grid_rule(const gemmi::GroupOps& group) {
    GridRule r;
    const int den = gemmi::Op::DEN;
    for (const gemmi::Op& op : group)
        for (std::size_t i = 0; i < 3; ++i) {
            const int t = ((op.tran[i] % den) + den) % den;
            r.divisor[i] = std::lcm(r.divisor[i], den / std::gcd(t, den));
        }
    // Axes that a rotation sends into each other form one class, named by
    // its smallest axis.
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            if (i != j && group.are_directions_symmetry_related(static_cast<int>(i), static_cast<int>(j))) {
                const int ci = r.coupled[i], cj = r.coupled[j], a = std::min(ci, cj);
                for (int& c : r.coupled)
                    if (c == ci || c == cj) c = a;
            }
    std::array<int, 3> d = r.divisor;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t c = static_cast<std::size_t>(r.coupled[i]);
        d[c] = std::lcm(d[c], r.divisor[i]);
    }
    for (std::size_t i = 0; i < 3; ++i) r.divisor[i] = d[static_cast<std::size_t>(r.coupled[i])];
    return r;
}

std::array<int, 3> choose_grid(const std::array<double, 6>& cell, double step, const std::array<int, 3>& hmax,
                               const GridRule& rule) {
    std::array<double, 3> least{};
    for (std::size_t i = 0; i < 3; ++i)
        least[i] = std::max(std::ceil(cell[i] / step - 1e-6), 2.0 * hmax[i] + 1);
    std::array<int, 3> out{};
    for (std::size_t i = 0; i < 3; ++i) {
        double lo = 1;
        for (std::size_t j = 0; j < 3; ++j)
            if (rule.coupled[j] == rule.coupled[i]) lo = std::max(lo, least[j]);
        const int d = rule.divisor[i];
        if (!(lo <= kMaxSize))
            throw RunStop("a grid with a voxel edge of at most " + std::to_string(step) + " A would need more than " +
                          std::to_string(kMaxSize) + " points along an axis; give a larger --step");
        int n = (static_cast<int>(lo) + d - 1) / d * d;
        while (!smooth(n)) n += d;
        out[i] = n;
    }
    return out;
}

}  // namespace quilmo
