// Location of the symmetry elements in the phased density: the origin
// shift that fits the group's operators best, the phases moved there
// (optionally averaged), tests of candidate operators, and the comparison
// with a reference density.
#pragma once

#include <array>

#include "run/state.h"

namespace quilmo {

// Per coordinate (1..sdim): the operator chosen to fix it.
struct sympicktype {
    int invarnr = -1;              // coordinates the operator leaves invariant; -1: none chosen
    int symnr = -1;                // the operator; -1: the coordinate cannot be fixed
    std::array<bool, 9> invarc{};  // 1..8: coordinate k is invariant under it
};
using CooPick = std::array<sympicktype, 9>;

// The operator choice: fixsymops when given, otherwise for every
// coordinate the first operator that moves it while leaving the most other
// coordinates invariant.
CooPick chooseoperators(const RunState& st);

// Odometer over the box [startc, endc] of `dim` axes (arrays counted from
// 0, axord the order of the axes, axord[0] fastest).  False when every axis
// has wrapped (coo is then back at startc) or dim is 0.
bool nextcoo(int dim, const int* startc, const int* endc, int* coo, const int* axord);

// The whole location; leaves the final density in rho.
void locatesymmetryrs(RunState& st);

}  // namespace quilmo
