// Intensities to amplitudes by French and Wilson's posterior estimates: F
// and sigma(F) are the mean and the standard deviation of F given the
// measured I and sigma(I) and Wilson's distribution of the true intensity,
// so weak and negative intensities give finite F and sigma(F) > 0.
#pragma once

#include <vector>

#include "import/merge.h"

namespace quilmo {

struct Amplitude {
    double f = 0, sigma = 0;
};

// The posterior estimate for one reflection; `mean` is the expected
// intensity of the reflection (epsilon times the mean of I/epsilon in its
// resolution shell), > 0.
Amplitude french_wilson(double i, double sigma, double mean, bool centric);

// Mean of I/epsilon in resolution shells of about equal count, for each
// reflection the value of its shell (at least a small positive floor).
std::vector<double> shell_means(const std::vector<MergedReflection>& refl);

// The shells themselves, for the Wilson plot: mean (sin(theta)/lambda)^2 and
// mean I/epsilon of each.
struct Shell {
    double stol2 = 0, mean = 0;
    int count = 0;
};
std::vector<Shell> shells(const std::vector<MergedReflection>& refl, int per_shell);

// French and Wilson's estimates for all reflections.
std::vector<Amplitude> amplitudes_from_intensities(const std::vector<MergedReflection>& refl);

}  // namespace quilmo
