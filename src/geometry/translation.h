// Translations of operators and centering vectors are kept in [0, 1).
#pragma once

#include <cmath>

namespace quilmo {

// Brings x into [0, 1) by whole steps of 1.  Values far outside (which no
// sensible input gives) are first cut down with floor, so the loops stay
// short.
inline void reduce_unit(double& x) {
    if (!std::isfinite(x)) return;
    if (std::fabs(x) > 1e6) x -= std::floor(x);
    while (x < 0) x += 1;
    while (x >= 1) x -= 1;
}

}  // namespace quilmo
