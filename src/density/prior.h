// Preparation of a density read as prior or reference density.
#pragma once

#include <string>

#include "run/state.h"

namespace quilmo {

void flatdensity(RunState& st);
void rhocorrection(RunState& st, const std::string& ctype);

// Reads a density of type `denstype` from `densfile` into rho and applies
// the correction of the input.
void readdensity(RunState& st, const std::string& denstype, const std::string& densfile);

// Stops the run when the prior of a one-channel maximum-entropy run (in rho,
// corrected) has voxels that are not positive: the update takes the
// logarithm of every one.  The message counts them, names the first and the
// corrections that make such a prior usable.
void positive_prior(RunState& st);

}  // namespace quilmo
