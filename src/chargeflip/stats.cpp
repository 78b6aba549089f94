// The statistics charge flipping judges itself by: the R-history
// averages, the continuation test, the threshold judgement and the
// sharpening factor.
#include <algorithm>
#include <cmath>

#include "chargeflip/flipping.h"
#include "reflections/weights.h"

namespace quilmo {

double ave(const double* values, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i) s += values[i];
    return s / n;
}

double mx(const double* values, int n) {
    double m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, values[i]);
    return m;
}

double mn(const double* values, int n) {
    double m = 1;
    for (int i = 0; i < n; ++i) m = std::min(m, values[i]);
    return m;
}

double bfactor(const RunState& st, const std::array<int, 9>& hkl) {
    double v[8] = {};
    for (int i = 0; i < st.sdim && i < 8; ++i) v[i] = hkl[static_cast<std::size_t>(i)];
    const double s = vlen(st, v, true);
    return std::exp(0.25 * st.biso * s * s);
}

bool flipcontinues(const FlipHistory& h, int cyc, int limit, double rf, double maxrvalue) {
    // Written as "go on only while R is above the limit", so an undefined R
    // ends the iteration too.
    if (!(100.0 * rf > maxrvalue)) return false;
    if (cyc >= limit) return false;
    if (cyc <= 3) return true;
    if (ave(h.rfcont, 11) > static_cast<double>(0.55f) * h.rfinit) return true;
    return mx(h.rfcont, 11) - mn(h.rfcont, 11) > static_cast<double>(0.007f);
}

void AttemptHistory::add(double rf) {
    r_[++cycles_ % 22] = rf;
    if (cycles_ >= 21) plateau_ = std::max(plateau_, mean(0));
}

double AttemptHistory::mean(int back) const {
    double s = 0;
    for (int c = cycles_ - back - 10; c <= cycles_ - back; ++c) s += r_[c % 22];
    return s / 11;
}

bool AttemptHistory::dropped() const {
    return cycles_ >= 21 && mean(0) <= (1 - kDropFraction) * plateau_;
}

bool AttemptHistory::converged() const {
    return dropped() && cycles_ >= 32 && std::fabs(mean(0) - mean(11)) <= kFlatFraction * plateau_;
}

int deltajudgement(double q, double aucnt) {
    if (q > aucnt) return +1;
    if (static_cast<double>(0.6f) * aucnt > q) return -1;
    return 0;
}

}  // namespace quilmo
