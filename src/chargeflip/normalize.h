// Normalised amplitudes for charge flipping: E(h) = F(h)/sqrt(eps(h)·Sigma(s²)),
// with Sigma the mean intensity per epsilon at s² = |h*|², taken from a
// Wilson fit or from shells of equal count.  Flipping E instead of F gives
// every resolution the same weight, so the fine detail that tells atoms
// apart is not drowned by the strong low-order reflections.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "run/state.h"

namespace quilmo {

// eps(h): how many operators of the group (centering included, so
// operators 1..nsym after the expansion) leave h unchanged, h·R = h.
int epsilon(const RunState& st, const std::array<int, 9>& h);

// Mean intensity per epsilon as a function of s².
struct IntensityCurve {
    std::vector<double> s2, lnmean;  // shell nodes and the smoothed ln of their means
    double lnk = 0, slope = 0;       // without nodes: ln Sigma = lnk + slope·s²
    double operator()(double s2) const;
};

// Shells of equal count in s² hold at least this many reflections; at most
// kMaxShells shells.
constexpr int kShellCount = 100;
constexpr int kMaxShells = 50;

// From pairs (s², F²/eps): shell means of the intensity at the shells' mean
// s², their logarithms smoothed over three neighbouring shells, joined
// linearly and held constant beyond the first and last shell.
IntensityCurve local_curve(std::vector<std::pair<double, double>> points);

// The same shells fitted by ln Sigma = ln K - B s²/2 (Wilson's
// exp(-2B sin²θ/λ²)), one least-squares line through the shell means.
IntensityCurve wilson_curve(std::vector<std::pair<double, double>> points);

// The F entries of memrefl get E in place of F (F(000): 0, it is left to
// the flipping); the curve comes from the unique F reflections of refl.
// Reports the curve in the log (open).
void normalizeamplitudes(RunState& st);

}  // namespace quilmo
