// The run sequence: the steps of a run in their fixed order.
#pragma once

#include "run/state.h"

namespace quilmo {

// The main sequence of a run: input, set-up, the chosen iteration or
// synthesis, the density file.  Returns normally only when the run reaches
// its end; every failure is a RunStop.
void mainsequence(RunState& st);

}  // namespace quilmo
