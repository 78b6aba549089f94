// The gradient check file (title.QLcheck): entropy and constraint gradients
// of the final density, in direct and reciprocal space.
#pragma once

#include "run/state.h"

namespace quilmo {

// Appends one block; leaves the transform of the entropy gradient in sf.
void writecheck(RunState& st);

}  // namespace quilmo
