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

// The sums behind the R factors and the moments of one set of calculated
// structure factors, before the division by the counts: over the
// F-constraints without F(000) (f), the prior structure factors (p) and the
// G groups (g).
struct RSums {
    double sumfcal = 0, sumdeltaf = 0, sumdeltafsq = 0;
    double sumgcal = 0, sumdeltag = 0, sumdeltagsq = 0;
    std::array<double, 9> fcon{}, pcon{}, gcon{};  // x^k summed for k = 1..8
};

// Adds x, x^2, ..., x^8 to con(1..8).
void add_powers(std::array<double, 9>& con, double x);
// A G group with calculated value gc whose first entry holds the observed
// value f with its weight and sigma.
void add_group(RSums& s, double gc, double f, double weight, double sigma);
// The R factors, the normalised moments, fgcon and fpgcon of the run state
// from the sums (gcalc is set by the caller).
void rfactor_finish(RunState& st, const RSums& s);

// The moment of order n (1..8) of a moment array; 0 for any other order, so
// an order the input should not have given cannot read past the array.
inline double moment(const std::array<double, 9>& con, int n) {
    return n >= 1 && n <= 8 ? con[static_cast<std::size_t>(n)] : 0.0;
}

}  // namespace quilmo
