// The relative flipping threshold: the value below which a given fraction
// of the voxels lies, found by narrowing a ten-bin histogram instead of
// sorting the voxel values.
#include <algorithm>
#include <cmath>

#include "chargeflip/flipping.h"

namespace quilmo {

double relativedelta(const double* v, long n, long stride, double fraction) {
    double lowlimit = 100000.0, highlimit = -1000000.0;
    for (long k = 0; k < n; ++k) {
        lowlimit = std::min(lowlimit, v[k * stride]);
        highlimit = std::max(highlimit, v[k * stride]);
    }
    // A target below one voxel has no bin; one above all voxels is all of
    // them.
    long target = std::lround(static_cast<double>(n) * fraction);
    target = std::clamp(target, 1L, std::max(n, 1L));

    const double tenth = static_cast<double>(0.1f);
    long bins[12];
    for (int pass = 0; pass < kMaxNarrowing; ++pass) {
        const double diff = highlimit - lowlimit;
        // Equal values at the target: no narrower bin can be found.
        if (!(diff > 0)) break;
        std::fill(bins, bins + 12, 0L);
        for (long k = 0; k < n; ++k) {
            const double x = v[k * stride];
            if (x < lowlimit)
                ++bins[0];
            else if (x > highlimit)
                ++bins[11];
            else
                ++bins[static_cast<long>(10.0 * (x - lowlimit) / diff) + 1];
        }
        int j = 0;
        long cum = bins[0];
        while (cum < target && j < 11) cum += bins[++j];
        lowlimit = lowlimit + (j - 1) * tenth * diff;
        highlimit = lowlimit + tenth * diff;
        if (bins[j] <= 10) break;
    }
    return (lowlimit + highlimit) * 0.5;
}

}  // namespace quilmo
