// Merging of symmetry equivalents in the Laue group, Friedel mates
// included: weighted means, R_int, systematic absences left out.
#pragma once

#include <vector>

#include "import/reciprocal.h"
#include "import/reflections.h"

namespace quilmo {

struct MergedReflection {
    gemmi::Miller h{};    // the representative of its orbit
    double value = 0;     // weighted mean of the equivalents (I or F, as measured)
    double sigma = 0;     // 1/sqrt(sum of weights)
    double phase = 0;     // degrees, at h, when the file carries phases
    int count = 0;        // equivalents merged
    bool centric = false;
    int epsilon = 1;      // multiplicity of the reflection's own mean intensity, centering included
    double stol2 = 0;     // (sin(theta)/lambda)^2, 1/A^2
};

struct MergeResult {
    std::vector<MergedReflection> unique;           // the absences left out, in index order
    std::vector<MergedReflection> strong_absences;  // absences with value > 3 sigma
    int absences = 0;                               // unique absences left out
    int multiple = 0;                               // unique reflections measured more than once
    double rint = 0;                                // sum |v - <v>| / sum v over those; 0 without any
};

MergeResult merge(const ReflectionFile& data, const ReciprocalSymmetry& sym, const gemmi::UnitCell& cell);

}  // namespace quilmo
