// Tolerances shared by the steps of a run.
#pragma once

namespace quilmo {

// A value this close to zero counts as zero, and one this close to an
// integer as that integer: the test of sums, weights, moduli and operator
// entries that must not be divided by or must lie on the grid.
inline constexpr double kZeroTol = 1e-6;

}  // namespace quilmo
