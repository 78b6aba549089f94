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

}  // namespace quilmo
