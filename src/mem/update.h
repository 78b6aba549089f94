// The Sakata-Sato step of the density, orbit by orbit, and the density it
// works on: au with ln(au/rau) beside it and the backup of the last
// accepted density.
#pragma once

#include <vector>

#include "grid/orbitlist.h"
#include "run/state.h"

namespace quilmo {

// The density of the iteration.  st.au holds it and `now` holds ln(au/rau)
// beside it, so that a cycle takes one exponential per orbit and no
// logarithm; st.bau and `backup` hold the density of the last accepted
// cycle.
//
// Rather than copying au into bau after every accepted cycle, the update
// writes the new density into bau's storage and the two change places, so
// that bau holds the density the cycle started from.  That is the last
// accepted one except after a cycle kept with a high charge increase (no
// new backup): then the next update works in place, leaving bau alone
// (`pinned`).
//
// The factor that scales the updated density back to the charge is known
// only after the last orbit, when the update has already spread the density
// over the grid for the forward transform.  So it is left pending: st.au
// and `now` still want multiplying by `scale` and adding `shift` = ln scale
// (the structure factors of sf, too, are those of the density times
// 1/scale).  The next update applies it on the way; `settle` applies it at
// once.  bau carries its own pending factor.
struct IterDensity {
    std::vector<double> now, backup;
    double scale = 1, shift = 0;    // pending on st.au and now
    double bscale = 1, bshift = 0;  // pending on st.bau and backup
    bool pinned = false;
    std::vector<long> tab_start;  // rhotab position of the first orbit of each part of the update
    std::vector<int> of;          // orbit of each voxel (a covering table with symmetry, one channel)
};

// ln(au/rau) of the starting density, nothing pending, bau allocated.
void init_density(RunState& st, const OrbitList& orb, IterDensity& d);

// What one update found.
struct StepResult {
    double rhonorm = 1;  // scaling back to the charge, now pending in IterDensity::scale
    double sc = 0;       // test value, 1 - cos(entropy gradient, constraint gradient)
    double s = 0;        // entropy of the scaled density
};

// au *= exp(-lambda g), orbit by orbit, with the gradient g = the density of
// sf divided by norm (the backward transform left it unscaled); the new
// density goes to au and, in place of the gradient, to every voxel of sf's
// density.  Also the test value and the entropy.  An exponent of 708 or
// more stops the run with "Lambda too large".
StepResult update(RunState& st, const OrbitList& orb, IterDensity& d, double lambda);

// Applies the pending scaling to au and its log ratios.
void settle(RunState& st, IterDensity& d);

// Back to the last accepted density (settled); what au held is no longer
// needed.  sf is left to the caller.
void to_backup(RunState& st, IterDensity& d);

}  // namespace quilmo
