// The constraint gradient of the maximum-entropy update and the automatic
// starting value of the Lagrange multiplier.
#pragma once

#include <algorithm>
#include <cmath>

#include "run/limits.h"
#include "run/state.h"

namespace quilmo {

// sf = the derivative of the constraint of order actcon with respect to the
// calculated structure factor of every F, P and G reflection, at its
// position; fft(-1) then gives the real-space gradient.  An odd actcon
// stops the run with "Only even ActCon possible!".
void fillfgcon(RunState& st);

// ach = actcon / 2 of the gradient; an order other than 2, 4, 6 or 8 stops
// the run as fillfgcon does.
int gradient_ach(const RunState& st);

// x^n for n >= 0 by repeated multiplication.
inline double ipow(double x, int n) {
    double p = 1.0;
    for (int k = 0; k < n; ++k) p *= x;
    return p;
}

// The factor of the G gradient of a group with calculated value gc, whose
// first entry holds the observed value f, modwg and weight, and whose
// members stand for sumgm reflections: 0 unless gc > kZeroTol.
inline double gfactor(int ach, double gc, double f, double modwg, double weight, double sumgm) {
    if (!(gc > kZeroTol)) return 0.0;
    const double dg = gc - f;
    return ach * ipow(dg * dg, ach - 1) * modwg * dg * ipow(weight, ach) / (sumgm * gc);
}

// Sets lambda from the gradient of the starting density and logs it.
void getinitlambda(RunState& st);

// The starting lambda from the real-space gradient g[i] at the first voxel
// of each orbit, the multiplicities m[i] and the prior rau[i] (first
// channel), norb orbits.  chargeterm is the electron count (times capvx
// with two channels).  The trial density sum is taken in logarithms when
// its plain value would overflow or underflow, so that lambda never
// collapses to 0 or turns negative.
// The largest exponent of the density update: exp(707) still fits a double.
inline constexpr double kExpLimit = 707.0;

// The largest lambda that keeps lambda*|g| within kExpLimit for one gradient
// value; |g| is taken at least kZeroTol.
inline double lambda_limit(double g) { return kExpLimit / std::max(std::fabs(g), kZeroTol); }

double startlambda(const double* g, const double* m, const double* rau, int norb,
                   double chargeterm, double normcon);

// ln 101.1: the charge increase factor may lie within 1/101.1 .. 101.1.
constexpr double kChargeLimit = 4.616110126026426;

}  // namespace quilmo
