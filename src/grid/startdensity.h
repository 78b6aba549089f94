// The steps of the grid and reflection set-up after the orbit table.
#pragma once

#include "run/state.h"

namespace quilmo {

// au, rau (and bau for Sakata-Sato) from rho at each orbit's first voxel.
void startdensity(RunState& st);
// normcon and the regularization factor of every F, P and G entry set to 1.
void noregularization(RunState& st);
// sumgm(g): the sum of mult over the input members of each G group.
void groupmultiplicities(RunState& st);

}  // namespace quilmo
