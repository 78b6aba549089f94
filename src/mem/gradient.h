// The constraint gradient of the maximum-entropy update and the automatic
// starting value of the Lagrange multiplier.
#pragma once

#include "run/state.h"

namespace quilmo {

// sf = the derivative of the constraint of order actcon with respect to the
// calculated structure factor of every F, P and G reflection, at its
// position; fft(-1) then gives the real-space gradient.  An odd actcon
// stops the run with "Only even ActCon possible!".
void fillfgcon(RunState& st);

// Sets lambda from the gradient of the starting density and logs it.
void getinitlambda(RunState& st);

// The starting lambda from the real-space gradient g[i] at the first voxel
// of each orbit, the multiplicities m[i] and the prior rau[i] (first
// channel), norb orbits.  chargeterm is the electron count (times capvx
// with two channels).  The trial density sum is taken in logarithms when
// its plain value would overflow or underflow, so that lambda never
// collapses to 0 or turns negative.
double startlambda(const double* g, const double* m, const double* rau, int norb,
                   double chargeterm, double normcon);

// ln 101.1: the charge increase factor may lie within 1/101.1 .. 101.1.
constexpr double kChargeLimit = 4.616110126026426;

}  // namespace quilmo
