// The crystal as the peak search sees it: the grid, the metric and the
// complete operator list (centering included, identity first), in plain
// 3-D arrays so the kernels can be fed by a test without a whole run.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "run/state.h"

namespace quilmo {

using Vec3 = std::array<double, 3>;

struct SymOp {
    std::array<double, 9> r{};  // rotation, row-major: x'_i = sum_j r[3i+j] x_j + t_i
    Vec3 t{};                   // translation, fractions of the cell edges, in [0, 1)
    std::array<int, 9> ri{};    // rotation in voxel units (rmati)
    std::array<int, 3> ti{};    // translation in voxel units (tveci)
};

struct Frame {
    std::array<int, 3> nvox{};     // grid points per axis
    std::array<double, 9> g{};     // direct metric, A^2, row-major
    std::array<double, 3> rlen{};  // reciprocal axis lengths, 1/A
    double capvx = 1;              // voxel volume, A^3
    std::vector<SymOp> ops;        // complete list, centering included, identity first
};

// The frame of a 3-D run after the input step (metric, operators in
// fractional and voxel units).
Frame frame_of(const RunState& st);

inline Vec3 image(const SymOp& op, const Vec3& x) {
    Vec3 y;
    for (int i = 0; i < 3; ++i)
        y[i] = op.r[3 * i] * x[0] + op.r[3 * i + 1] * x[1] + op.r[3 * i + 2] * x[2] + op.t[i];
    return y;
}

// Length of a fractional difference vector, A.
inline double length(const Frame& f, const Vec3& d) {
    double s = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) s += d[i] * f.g[3 * i + j] * d[j];
    return std::sqrt(std::max(s, 0.0));
}

// The nearest whole number, without a library call (the searches round
// millions of differences, all far below 2^63).
inline double nearest(double x) { return static_cast<double>(static_cast<long>(x + (x >= 0 ? 0.5 : -0.5))); }

// The difference a - b brought to its nearest lattice image by rounding
// each component (exact for the short differences the tolerances compare).
inline Vec3 wrapped(const Vec3& a, const Vec3& b) {
    Vec3 d;
    for (int i = 0; i < 3; ++i) d[i] = a[i] - b[i] - nearest(a[i] - b[i]);
    return d;
}

// False when a fractional difference is surely longer than `r` A: a vector
// of length r has no component beyond r |a*_i|.
inline bool within(const Frame& f, const Vec3& d, double r) {
    for (int i = 0; i < 3; ++i)
        if (std::fabs(d[i]) > r * f.rlen[i]) return false;
    return true;
}

// Each component brought into [0, 1).
inline Vec3 in_cell(Vec3 x) {
    for (double& c : x) {
        c -= std::floor(c);
        if (c >= 1) c = 0;
    }
    return x;
}

// "x,y+1/2,-z" (CIF) or "-X, 0.5+Y, -Z" (SHELX) for an operator.
std::string triplet(const SymOp& op, bool shelx);

}  // namespace quilmo
