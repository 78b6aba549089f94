// Reciprocal vector length and constraint weights.
#pragma once

#include "run/state.h"

namespace quilmo {

// |d*| = 2 sin(theta)/lambda of an index vector (ivec[0..7], sdim used).
double vlen(const RunState& st, const double* ivec, bool irec = true);

void calcmodwg(RunState& st);

}  // namespace quilmo
