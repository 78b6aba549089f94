// Input files of small structures made of point atoms, with structure
// factors computed exactly, for runs of the real program.
#pragma once

#include <string>
#include <vector>

namespace quilmo_test {

struct Atom {
    double x, y, z, electrons;
};

// Grid and data of the generated crystal.
struct PointAtomData {
    int voxels = 20;     // grid points along each axis
    int maxindex = 4;    // every reflection with all |h_i| up to this
    double sigma = 0.1;  // sigma of every structure factor
};

// A P1 crystal in a 10 A cubic cell, with every reflection up to the largest
// index (one of each Friedel pair; the run adds the mates).  `perform` is the
// kind of run, `extra` further keyword lines (the algorithm among them).
std::string point_atom_input(const std::vector<Atom>& atoms, const std::string& perform,
                             const std::string& extra, const PointAtomData& data = {});

}  // namespace quilmo_test
