// The symmetry as the density program will see it: the operator and
// centering lines read back with the program's own reader, the group checked
// with its own group check against the cell and a grid.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quilmo {

// The program's complaints (its console lines), empty when it accepts the
// symmetry block `operators`, the centers block `centers` (without the
// zero vector), the cell and the grid.
std::string program_symmetry_check(const std::array<double, 6>& cell, const std::vector<std::string>& operators,
                                   const std::vector<std::string>& centers, const std::array<int, 3>& grid);

}  // namespace quilmo
