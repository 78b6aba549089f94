// Continuous refinement of a searched origin shift: damped Newton steps on
// a coincidence measure with numerical derivatives.
#pragma once

#include <functional>
#include <vector>

#include "run/state.h"

namespace quilmo {

// A measure of the shift x[0..sdim-1] (fractions of the cell edges).
using ShiftMeasure = std::function<double(const double* x)>;

// dC/dx_c (c counted from 1) by a central difference of 0.01 grid steps.
double deriv1(const ShiftMeasure& c, const FArray<int>& nvox, const double* x, int coord);
// d²C/dx_a dx_b from four evaluations, 0.01 grid steps along each.
double deriv2(const ShiftMeasure& c, const FArray<int>& nvox, const double* x, int a, int b);

// The same for the symmetry coincidence of operator s.
double deriv1(const RunState& st, int s, const double* x, int coord);
double deriv2(const RunState& st, int s, const double* x, int a, int b);

// Moves the components srchcoo (counted from 1, increasing) of trialshift
// to a minimum of `measure`; one log line per step in `lineform`.  False
// when the Hessian is singular, 40 steps did not converge, or the point
// wandered more than two grid steps from its start (the point reached is
// left in trialshift all the same).
bool refinesympos(const ShiftMeasure& measure, const FArray<int>& nvox, int sdim,
                  const std::vector<int>& srchcoo, double* trialshift, TextOut& log,
                  const std::string& lineform);

}  // namespace quilmo
