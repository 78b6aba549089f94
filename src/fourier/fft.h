// The transform plans and the in-place transform of sf.
#pragma once

#include "run/state.h"

namespace quilmo {

// Makes the two plans (sign +1 and -1) once per run.
void fftinit(RunState& st);

// ifdirec 1: real to reciprocal space, unscaled; -1: back, divided by the
// number of grid points; anything else: nothing.
void fft(RunState& st, int ifdirec);

// Releases the plans before the run state goes, for example at the end of
// a run; the run state releases them itself otherwise.
void fftfree(RunState& st);

}  // namespace quilmo
