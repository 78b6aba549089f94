// Completion and validation of the symmetry group, and the operators in
// voxel units.
#pragma once

#include "run/state.h"

namespace quilmo {

// Complete operator list checked as a group against metric and grid;
// errcd = kKeywordError after any validation error.
void completesymmetry(RunState& st, int& errcd);

// Product in which operator 1 acts first: rout = r2*r1, tout = r2*t1 + t2,
// translations brought into range.
void prodop(const double* r1, const double* t1, const double* r2, const double* t2, double* rout,
            double* tout, int n);

// Operators equal within 1e-5 (translations compared as they stand).
bool equalop(const double* r1, const double* t1, const double* r2, const double* t2, int n);

// Rebuilds the complete operator list with every centering translation.
void expandsym(RunState& st);

// Operators and test operators in voxel units.
void discretesym(RunState& st);

}  // namespace quilmo
