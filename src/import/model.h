// The model's atoms: their structure factors (IT92 form factors, isotropic
// or anisotropic displacements, occupancies) and their electrons.
#pragma once

#include <complex>
#include <vector>

#include <gemmi/math.hpp>
#include <gemmi/unitcell.hpp>

#include "import/crystal.h"

namespace quilmo {

// A cell that describes a crystal: positive lengths, angles between 0 and
// 180 degrees that span a volume.  Anything else ends the import with a
// message naming file and line.
void check_cell(const std::array<double, 6>& cell, const std::string& file, int line);

// Ueq = (1/3) sum_ij U_ij a*_i a*_j (a_i . a_j) of anisotropic displacements
// given on the reciprocal axes, A^2.
double u_equivalent(const gemmi::SMat33<double>& u, const std::array<double, 6>& cell);

// Calculated structure factors of the model at the given indices, in
// electrons, with the crystal's symmetry.
std::vector<std::complex<double>> model_structure_factors(const Crystal& c, const std::vector<gemmi::Miller>& hkl);

// Occupancies per crystallographic site: an atom on a special position
// keeps the fraction of its site images that coincide (a CIF gives the
// chemical occupancy).
void make_occupancies_crystallographic(Crystal& c);

// Electrons of all atoms in the cell: occupancy times atomic number, summed
// over the symmetry images.
double model_electrons(const Crystal& c);

}  // namespace quilmo
