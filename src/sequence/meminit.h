// Set-up of the grid tables, the starting density and the reflection lists.
#pragma once

#include "run/state.h"

namespace quilmo {

void meminit(RunState& st);

}  // namespace quilmo
