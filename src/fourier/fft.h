// The transform plans and the transforms of the transform array sf.
#pragma once

#include "run/state.h"

namespace quilmo {

// Makes the two plans (density to structure factors and back) once per run.
void fftinit(RunState& st);

// ifdirec 1: the density of sf to its structure factors, unscaled;
// -1: the structure factors of sf back to a density, divided by the number
// of grid points; anything else: nothing.
void fft(RunState& st, int ifdirec);

// The backward transform without the division, for passes that fold the
// 1/norm into their own arithmetic.
void fft_backward_unscaled(RunState& st);

// Releases the plans before the run state goes, for example at the end of
// a run; the run state releases them itself otherwise.
void fftfree(RunState& st);

}  // namespace quilmo
