// Input files of small structures made of point atoms, with structure
// factors computed exactly, for runs of the real program.
#pragma once

#include <string>
#include <vector>

namespace quilmo_test {

struct Atom {
    double x, y, z, electrons;
};

// A P1 crystal in a 10 A cubic cell on a 20^3 grid, with every reflection up
// to index 4 (one of each Friedel pair; the run adds the mates).  `perform`
// is the kind of run, `extra` further keyword lines.
std::string point_atom_input(const std::vector<Atom>& atoms, const std::string& perform,
                             const std::string& extra);

}  // namespace quilmo_test
