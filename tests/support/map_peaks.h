// Peaks of a density map in the native ASCII format, for tests that judge
// whether a map holds a structure.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quilmo_test {

using Frac = std::array<double, 3>;

struct DensityMap {
    std::array<int, 3> nv{};
    std::array<double, 6> cell{};
    std::vector<double> v;  // first axis fastest
};

// The native ASCII map: grid, cell, extremes, then 22-character values.
DensityMap read_ascii_map(const std::string& text);

struct Peak {
    double height = 0;
    Frac x{};  // fractional, refined by a parabola through the neighbours along each axis
};

// Local maxima (at least every one of the 26 neighbours), highest first.
std::vector<Peak> local_maxima(const DensityMap& m);

// Distance in A between two fractional positions, the nearest lattice
// translation taken.
double distance(const std::array<double, 6>& cell, const Frac& a, const Frac& b);

// An operator x' = R x + t in fractional coordinates.
struct FracOp {
    std::array<double, 9> r{};  // rows
    Frac t{};
    Frac apply(const Frac& x) const;
};

// The shortest distance from `x` to an image of `y` under the operators.
double image_distance(const std::array<double, 6>& cell, const std::vector<FracOp>& ops, const Frac& x, const Frac& y);

// The highest `count` maxima that are not images (within 0.5 A) of a higher
// one: the unique maxima of the asymmetric unit.
std::vector<Peak> unique_maxima(const DensityMap& m, const std::vector<FracOp>& ops, std::size_t count);

// How many of the atoms lie within 0.5 A of one of the 4 n highest maxima
// (n the number of atoms), at the best permissible origin of P2_1 (x, z by 0
// or 1/2, y free in steps of 1/360) and enantiomer: the measure of a
// charge-flipping map.
int p21_atoms_on_peaks(const DensityMap& m, const std::vector<Frac>& atoms);

// The non-hydrogen atoms of a list "label element x y z" ('#' comments).
std::vector<Frac> heavy_atoms(const std::string& text);

}  // namespace quilmo_test
