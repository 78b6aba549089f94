// R-factors, constraint moments and entropy.
#pragma once

#include "run/state.h"

namespace quilmo {

void rfactorinit(RunState& st);
void rfactor(RunState& st);
void entropy(RunState& st);

}  // namespace quilmo
