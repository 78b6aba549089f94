// How well the phases agree with a symmetry operator under a trial origin
// shift, or with the phases of a reference density: weighted mean squares of
// phase differences in cycles (0 is perfect agreement).
#pragma once

#include <vector>

#include "run/state.h"

namespace quilmo {

// Phase angle of a + ib in -π..π; 0 for a modulus up to 1e-6.
double phase(double a, double b);

// A phase difference in cycles brought into [-0.5, 0.5]: the integer part
// goes, then a whole cycle is added or taken away beyond a half.
double halfcycle(double p);

// Symmetry coincidence of operator `symop` for the shift s[0..sdim-1]
// (fractions of the cell edges), against the structure factors in sf.
double coincidencers(const RunState& st, int symop, const double* s);

// Coincidence of the current phases (conjugated for enant = -1), shifted by
// s, with the phases held in sf.
double coincidenceshift(const RunState& st, const double* s, int enant);

// One measure made ready for many shifts: everything that does not depend
// on the shift (the grid position of h·R, both phases, the weight) is taken
// once, so an evaluation is one tight pass over the F reflections.  Valid as
// long as sf and the F entries of refl do not change.
class CoincidenceTable {
public:
    void symmetry(const RunState& st, int symop);
    void shift(const RunState& st, int enant);
    double operator()(const double* s) const;

private:
    void build(const RunState& st, bool with_operator, int symop, int enant);
    int sdim_ = 0;
    long totalf_ = 0;
    double m_[8][8] = {};        // R of the operator (zero for a plain shift)
    double t_[8] = {};           // its translation
    std::vector<double> h_;      // sdim indices per entry
    std::vector<double> delta_;  // phase difference in cycles at shift 0, before the index term
    std::vector<double> w_;      // F²
};

}  // namespace quilmo
