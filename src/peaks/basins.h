// The maxima of a density on its periodic grid and their basins: every
// voxel belongs to the maximum that steepest ascent over the 26 neighbours
// reaches (the on-grid method of Henkelman, Arnaldsson and Jonsson, 2006).
#pragma once

#include <array>
#include <vector>

namespace quilmo {

struct Basins {
    std::vector<int> maxima;  // voxel of each maximum, in increasing voxel order
    std::vector<int> of;      // per voxel: the maximum (index into maxima) its ascent ends at
};

// `rho` holds nvox[0]*nvox[1]*nvox[2] values, the first axis fastest; `g`
// is the direct metric (A^2, row-major), which weighs the steps to the
// neighbours by their lengths.  Equal values are ordered by voxel index, so
// that a plateau has one maximum and every ascent ends.
Basins gridbasins(const double* rho, const std::array<int, 3>& nvox, const std::array<double, 9>& g);

// The basins of the weak maxima (`strong` false) joined to the strong ones:
// touching basins meet at a pass, the highest value on their common border
// (the lower of two voxels that share a face); taking the passes from the
// highest down, a set of basins without a strong maximum joins the set
// across the pass, and two sets with one each stay apart.  Returns for
// every maximum the strong maximum its basin went to (itself when strong),
// -1 when it reached none.
std::vector<int> joinweak(const double* rho, const std::array<int, 3>& nvox, const Basins& b,
                          const std::vector<char>& strong);

// The sub-voxel maximum of a grid maximum: a quadratic fitted by least
// squares over its 3x3x3 neighbourhood, to the logarithm of the values when
// all 27 are positive (exact for a Gaussian peak), else to the values.
struct MaxFit {
    std::array<double, 3> shift{};  // from the voxel, in voxel steps along each axis
    double value = 0;               // fitted value at the maximum, the map's unit
};
MaxFit fitmax(const double* rho, const std::array<int, 3>& nvox, int voxel);

}  // namespace quilmo
