// Expansion of the reflection lists by symmetry.
#pragma once

#include "run/state.h"

namespace quilmo {

void expandrefl(RunState& st);

}  // namespace quilmo
