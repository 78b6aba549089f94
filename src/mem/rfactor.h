// R-factors, constraint moments and entropy.
#pragma once

#include "run/state.h"

namespace quilmo {

// Observed sums of the R-factors, once per run.
void rfactorinit(RunState& st);
// R-factors, gcalc, the moments fcon/pcon/gcon of orders 1..8, fgcon and
// fpgcon of the current calculated structure factors in refl.
void rfactor(RunState& st);
// s = -sum over orbits of m*au*ln(au/rau), both channels.
void entropy(RunState& st);

// The moment of order n (1..8) of a moment array; 0 for any other order, so
// an order the input should not have given cannot read past the array.
inline double moment(const std::array<double, 9>& con, int n) {
    return n >= 1 && n <= 8 ? con[static_cast<std::size_t>(n)] : 0.0;
}

}  // namespace quilmo
