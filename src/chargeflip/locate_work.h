// Working state of one symmetry location, shared by its stages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "run/state.h"

namespace quilmo {

struct LocateWork {
    int fixed[9] = {};          // 1..8: the coordinate's origin is settled
    double cooshift[9] = {};    // 1..8: settled origin shift, fractions of the cell edge
    double ambig[9][9] = {};    // steps between equivalent origins
    int shiftc[9] = {};         // trial shift in grid steps
    int rightshift[9] = {};     // best trial shift
    double trialshift[8] = {};  // trial shift in fractions, coordinate i at i-1
};

// Log template with the dimension written into characters 4–5.
std::string searchline(const RunState& st, const char* tmpl);

class CoincidenceTable;

// Exhaustive search of `measure` over every grid shift of the coordinates in
// srchcoo (the first fastest), the other coordinates held at w.shiftc. The
// first of equal values wins, so ties keep the lowest shift; w.rightshift
// receives the best shift and the log one line per trial with `line`.
// `seen` is told every value. Returns the smallest value.
double gridsearch(RunState& st, LocateWork& w, const CoincidenceTable& measure,
                  const std::vector<int>& srchcoo, const std::string& line,
                  const std::function<void(double)>& seen = {});

// Phases of the F entries shifted to the settled origin (optionally averaged
// over the operators), sf rebuilt from them and refl refreshed.
void newphases(RunState& st, const LocateWork& w);

// sf = the F entries of memrefl, nothing else; then refl refreshed.
void rebuildsf(RunState& st);

// The candidate operators of the testsymmetry block, and the comparison
// with the reference density.
void testsymmetry(RunState& st, LocateWork& w);
void comparereference(RunState& st, LocateWork& w);

}  // namespace quilmo
