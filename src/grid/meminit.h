// Set-up of the grid tables, the starting density and the reflection lists.
#pragma once

#include "run/state.h"

namespace quilmo {

void meminit(RunState& st);

// The steps of meminit after the orbit table, for callers that build the
// table themselves.
// au, rau (and bau for Sakata-Sato) from rho at each orbit's first voxel.
void startdensity(RunState& st);
// normcon and the regularization factor of every F, P and G entry set to 1.
void noregularization(RunState& st);
// sumgm(g): the sum of mult over the input members of each G group.
void groupmultiplicities(RunState& st);

}  // namespace quilmo
