// Orbits of symmetry-equivalent voxels (the asymmetric unit) and the
// symmetry table file.
#pragma once

#include "run/state.h"

namespace quilmo {

// Builds (or reads from the symmetry table file) rhotab and norb.
void rhomultiplicity(RunState& st);

}  // namespace quilmo
