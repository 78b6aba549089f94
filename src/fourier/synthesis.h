// Fourier syntheses of reflection lists into the asymmetric-unit density.
#pragma once

#include "run/state.h"

namespace quilmo {

void ft(RunState& st);
void diffour(RunState& st);

}  // namespace quilmo
