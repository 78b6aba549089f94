// Voxel indexing and symmetry on voxels.  Coordinate vectors have 8 entries
// (index 1..8 in the formulas, stored 0..7 here); entries beyond sdim are 0.
#pragma once

#include <array>
#include <vector>

#include "run/state.h"

namespace quilmo {

using Coord8 = std::array<int, 8>;  // component i of the formulas is element i-1

// Position of a voxel (idelta 1: index into rho) or of a reflection's real
// part (idelta 2: the position sfloc, twice the grid index).  Each component is first brought into
// [0, nvox(i)).
int arraylocation(const RunState& st, const Coord8& idhkl, int idelta);
// The same for an index vector given in hklfg layout (0..sdim-1).
int arraylocation(const RunState& st, const std::array<int, 9>& hklfg, int idelta);

// The inverse of arraylocation: grid coordinates of a position.
Coord8 coordinates(const RunState& st, int iarrloc, int idelta);

// Image of voxel coordinates under operator isymn in voxel units.
Coord8 symop(const RunState& st, int isymn, const Coord8& ixyz);

// Brings non-negative components into [0, nvox(i)) and raises negative ones
// by whole periods.
void remap(const RunState& st, Coord8& xyz);

// rho = the per-orbit density au on the full grid (allocated again if an
// iteration released it).
void expandrho(RunState& st);

// An iteration works on au and the transform array only: the memory of the
// full-grid density rho goes back while it runs, so that a large grid
// needs no more memory than it did with one complex transform array.
inline void release_rho(RunState& st) { st.rho = FArray<double>(); }

// The density of sf = au on the full grid.
void expandsf(RunState& st);
// The same for one channel of per-orbit values au[0..norb) held outside
// the run state.
void expandsf(RunState& st, const double* au);
// The same in voxel order, through the orbit of every voxel (voxel_orbits
// of grid/orbitlist.h, a table that covers the grid).
void expandsf(RunState& st, const double* au, const std::vector<int>& of);

}  // namespace quilmo
