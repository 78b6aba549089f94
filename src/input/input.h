// The input step: run set-up, two reading passes over the keyword file, the
// checks and allocations after each pass.
#pragma once

#include "run/state.h"

namespace quilmo {

// Run set-up, the first step of input: title (argument or console prompt),
// run-file names, stale command file removed, cycle limit, clock, log and
// input file opened.
void initinput(RunState& st);

// Run set-up, keyword registration, both reading passes; returns with the
// input file closed and the run state of the input complete.
void input(RunState& st);

// Checks and set-up after reading pass `pass` (1 or 2).
void afterpass(RunState& st, int pass);

// The steps after pass 2: metric, grid sizes, density and transform arrays,
// symmetry group, reference and initial densities, log report.
void afterpass2(RunState& st);

// Bytes the run's largest arrays will take on a grid of `voxels` voxels,
// with the group, the channels and the run kind of the input.
double run_memory(const RunState& st, long long voxels);

}  // namespace quilmo
