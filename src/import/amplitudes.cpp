#include "import/amplitudes.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quilmo {

namespace {

constexpr int kPerShell = 50;     // reflections per resolution shell at least
constexpr int kMaxShells = 20;
constexpr int kPoints = 1200;     // integration points of the posterior

// Shell number of every reflection (shells of about equal count in stol2).
std::vector<int> shell_of(const std::vector<MergedReflection>& refl, int per_shell, int& nshell) {
    const int n = static_cast<int>(refl.size());
    nshell = std::clamp(n / per_shell, 1, kMaxShells);
    std::vector<int> order(refl.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return refl[static_cast<std::size_t>(a)].stol2 < refl[static_cast<std::size_t>(b)].stol2;
    });
    std::vector<int> shell(refl.size());
    for (int k = 0; k < n; ++k)
        shell[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] =
            static_cast<int>(static_cast<long>(k) * nshell / std::max(n, 1));
    return shell;
}

}  // namespace

std::vector<Shell> shells(const std::vector<MergedReflection>& refl, int per_shell) {
    int nshell = 0;
    const std::vector<int> shell = shell_of(refl, per_shell, nshell);
    std::vector<Shell> out(static_cast<std::size_t>(nshell));
    for (std::size_t k = 0; k < refl.size(); ++k) {
        Shell& s = out[static_cast<std::size_t>(shell[k])];
        s.stol2 += refl[k].stol2;
        s.mean += refl[k].value / refl[k].epsilon;
        ++s.count;
    }
    for (Shell& s : out)
        if (s.count > 0) {
            s.stol2 /= s.count;
            s.mean /= s.count;
        }
    return out;
}

std::vector<double> shell_means(const std::vector<MergedReflection>& refl) {
    int nshell = 0;
    const std::vector<int> shell = shell_of(refl, kPerShell, nshell);
    const std::vector<Shell> sh = shells(refl, kPerShell);
    // A shell whose mean is not positive (all noise) takes the mean sigma
    // as its scale, so that the prior stays a distribution.
    std::vector<double> floor(sh.size(), 0);
    for (std::size_t k = 0; k < refl.size(); ++k)
        floor[static_cast<std::size_t>(shell[k])] += refl[k].sigma / refl[k].epsilon;
    std::vector<double> out(refl.size());
    for (std::size_t k = 0; k < refl.size(); ++k) {
        const Shell& s = sh[static_cast<std::size_t>(shell[k])];
        const double f = floor[static_cast<std::size_t>(shell[k])] / s.count;
        out[k] = std::max(s.mean, f);
    }
    return out;
}

Amplitude french_wilson(double i, double sigma, double mean, bool centric) {
    // Posterior of F: F^a exp(-(I - F^2)^2 / (2 sigma^2) - F^2 / (k mean)),
    // a = 1, k = 1 for acentric and a = 0, k = 2 for centric reflections.
    // In u = F^2 its exponent is a normal one around mu = I - sigma^2/(k mean)
    // with width sigma, which bounds the range worth integrating.
    const double k = centric ? 2 : 1;
    const double mu = i - sigma * sigma / (k * mean);
    double ulo = 0, uhi = 0;
    if (mu > 0) {
        ulo = std::max(0.0, mu - 12 * sigma);
        uhi = mu + 12 * sigma;
    } else {
        uhi = std::min(12 * sigma, 30 * sigma * sigma / -mu);
    }
    const double flo = std::sqrt(ulo), fhi = std::sqrt(uhi), step = (fhi - flo) / kPoints;
    auto logp = [&](double f) {
        const double u = f * f, d = i - u;
        return -d * d / (2 * sigma * sigma) - u / (k * mean);
    };
    // Weights relative to the largest exponent, so that nothing underflows.
    double top = -INFINITY;
    for (int p = 0; p <= kPoints; ++p) top = std::max(top, logp(flo + p * step));
    // Moments about the middle of the range: a strong reflection's narrow
    // posterior keeps its width.
    const double mid = 0.5 * (flo + fhi);
    double s0 = 0, s1 = 0, s2 = 0;
    for (int p = 0; p <= kPoints; ++p) {
        const double f = flo + p * step;
        double w = std::exp(logp(f) - top) * (centric ? 1.0 : f);
        if (p == 0 || p == kPoints) w *= 0.5;
        s0 += w;
        s1 += w * (f - mid);
        s2 += w * (f - mid) * (f - mid);
    }
    // The width of a strong reflection by error propagation, when the
    // integral cannot resolve it.
    const double narrow = 0.5 * sigma / std::sqrt(std::max(i, sigma));
    if (!(s0 > 0)) return {std::sqrt(std::max(i, 0.0)), narrow};
    const double d = s1 / s0, var = s2 / s0 - d * d;
    return {mid + d, var > 0 ? std::sqrt(var) : narrow};
}

std::vector<Amplitude> amplitudes_from_intensities(const std::vector<MergedReflection>& refl) {
    const std::vector<double> mean = shell_means(refl);
    std::vector<Amplitude> out;
    out.reserve(refl.size());
    for (std::size_t k = 0; k < refl.size(); ++k)
        out.push_back(french_wilson(refl[k].value, refl[k].sigma, mean[k] * refl[k].epsilon, refl[k].centric));
    return out;
}

}  // namespace quilmo
