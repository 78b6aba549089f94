// The peak search step of a run: after the final density file is written,
// the peak table, the SHELX file and the model CIF of the density.
#pragma once

#include "run/state.h"

namespace quilmo {

// Searches the final density rho (3-D runs; other runs say so in the log),
// writes the three files under names that exist nowhere yet, reports in the
// log and the run summary.
void peaksearch(RunState& st);

// Peaks in the cell the list stops at by default: one per 6 electrons of
// the cell, and half as many again.
int default_peak_limit(double electrons);

}  // namespace quilmo
