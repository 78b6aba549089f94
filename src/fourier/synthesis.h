// Fourier syntheses of reflection lists into the asymmetric-unit density.
#pragma once

#include "run/state.h"

namespace quilmo {

void ft(RunState& st);
void diffour(RunState& st);

// au(j) = the density of sf at the first voxel of orbit j; one channel.
void sf2au(RunState& st);

}  // namespace quilmo
