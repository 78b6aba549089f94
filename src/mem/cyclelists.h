// The reflection fields a maximum-entropy cycle reads, as compact arrays
// filled once per run from memrefl and refl: where each structure factor
// lies in the stored half of sf, the observed parts, and the factors of the
// constraint gradient that do not change during the run.  A cycle passes
// over them twice, each a plain run through a few arrays:
//   take_sf       after the forward transform: the gradient values of the
//                 next cycle from the new structure factors and, for the
//                 entries that are F-constraints of refl as well, their
//                 R sums; then rfactor_sf adds those of the other refl
//                 entries and sets the statistics of rfactor;
//   fill_gradient before the backward transform: the half of sf = the
//                 constraint gradient, as fillfgcon leaves it.
// The records themselves (amem, bmem, fmem) are not written; the iteration
// transfers the final structure factors into them at its end.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "run/state.h"

namespace quilmo {

// Observed values of a range of refl entries, for the R sums.
struct ObsList {
    std::vector<int> at;  // half_slot of each entry
    std::vector<double> rf, a, b, sigma, weight;
    long size() const { return static_cast<long>(at.size()); }
};

// R sums of F-constraints: the calculated amplitudes, |dF|, w |dF|^2 and
// (|dF|/sigma)^k for k = 1..8.
struct ObsSums {
    double fcal = 0, dsum = 0, dsq = 0;
    std::array<double, 9> con{};
    void add(const ObsSums& o);
};

struct CycleLists {
    int ach = 1;  // actcon / 2

    // Constraint gradient: of the memrefl entries that fillfgcon writes
    // (F and P, then G) those whose value stays in sf, that is the last one
    // written at each position.  F and P entries first (nfp), then G; in
    // each, first those whose F(h) is kept as it is in the half (nfpd of F
    // and P, ngd of G), then those kept as a conjugate.  Among the F and P
    // entries of either kind the first ones (ntd, ntm) are twins: an
    // F-constraint of refl (not F(000)) with the same position and observed
    // value, whose R sums are taken in the same pass.
    long nfp = 0, nfpd = 0, ngd = 0, ntd = 0, ntm = 0;
    std::vector<int> at;                      // half_slot, per entry
    std::vector<double> rf;                   // regularization factor, per entry
    std::vector<double> a, b;                 // F and P: observed (or prior) structure factor
    std::vector<double> k;                    // F and P: weight^ach modwg / mult
    std::vector<double> sigma, weight;        // F and P twins: those of their refl entry
    std::vector<int> group;                   // G entry nfp + j: its group
    std::vector<std::pair<long, int>> mates;  // entries whose conjugate is stored too: entry, slot
    std::vector<double> v;   // per cycle, 2 per entry: the gradient value (F, P) or the calculated F (G)
    std::vector<double> vb;  // the same for the backup density (kept by the iteration)
    ObsSums twins;           // per cycle: the R sums of the twins

    // G groups 1..ggroups (index 0 unused): the group's first refl entry.
    std::vector<double> gf, gmodwg, gweight, gsigma, sumgm;
    std::vector<double> pfac;  // per cycle

    // R sums over the refl entries without a twin: F-constraints, priors,
    // and the members of the G groups (group g ending before gend[g]).
    ObsList f, p;
    std::vector<int> gat;
    std::vector<double> grf, gmult;
    std::vector<long> gend;
};

// The lists of the run's reflections, positions and all.
CycleLists cycle_lists(const RunState& st);

// After a forward transform: the gradient values from the structure
// factors of sf times `scale`, for the next fill_gradient, and the R sums
// of the twins.
void take_sf(RunState& st, CycleLists& c, double scale);

// rfactor from the structure factors of sf times `scale`, with the twins'
// sums of the take_sf just made; the records are left alone.
void rfactor_sf(RunState& st, const CycleLists& c, double scale);

// The half of sf = the constraint gradient of fillfgcon, from the values of
// the last take_sf and gcalc; the backward transform then gives the
// real-space gradient.  Stops the run as fillfgcon does for an order other
// than 2, 4, 6 or 8.
void fill_gradient(RunState& st, CycleLists& c);

}  // namespace quilmo
