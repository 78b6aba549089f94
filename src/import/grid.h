// The voxel grid of the keyword file.
#pragma once

#include <array>

#include <gemmi/symmetry.hpp>

namespace quilmo {

// What the symmetry demands of the grid: along each axis the number of
// points must be a multiple of divisor[i] (every translation of an operator
// or centering vector a whole number of voxels), and axes that a rotation
// couples must have the same number of points (class[i] names the axis's
// class, the smallest axis number in it).
struct GridRule {
    std::array<int, 3> divisor{1, 1, 1};
    std::array<int, 3> coupled{0, 1, 2};
};
GridRule grid_rule(const gemmi::GroupOps& group);

// The smallest grid that the rule allows with a voxel edge of at most
// `step` A along every axis, more than 2 max|h_i| points along axis i, and
// sizes with the prime factors 2, 3, 5 and 7 only.  Sizes are at most 4096.
std::array<int, 3> choose_grid(const std::array<double, 6>& cell, double step, const std::array<int, 3>& hmax,
                               const GridRule& rule);

}  // namespace quilmo
