// Putting measured amplitudes on the absolute scale: by a Wilson plot from
// the cell contents, or by the model's calculated amplitudes.
#pragma once

#include <vector>

#include "import/crystal.h"
#include "import/merge.h"

namespace quilmo {

// <I/epsilon> = K sum_j f_j^2 exp(-2 B s^2), s = sin(theta)/lambda: the
// absolute intensities are I/K.
struct WilsonScale {
    double k = 1;   // scale of the measured intensities
    double b = 0;   // overall displacement parameter, A^2
    int shells = 0; // shells in the fit; 1: K alone, B not fitted
};

// The fit over resolution shells (those beyond 4 A when there are three or
// more of them).  Needs the atoms of each element in the cell and some
// reflections; `file` names the source of the contents for the messages.
WilsonScale wilson_scale(const std::vector<MergedReflection>& refl, const Composition& contents, const std::string& file);

// Fo = k |Fc|: the scale k and R1 = sum |Fo/k - |Fc|| / sum Fo/k.
struct ModelScale {
    double k = 1, r1 = 0;
};
ModelScale model_scale(const std::vector<double>& fo, const std::vector<double>& fc);

}  // namespace quilmo
