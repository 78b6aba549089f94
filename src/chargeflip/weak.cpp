// Thresholds of the weak reflections, one per satellite order.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "chargeflip/flipping.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

int satellite_order(const RunState& st, const reftyp& e) {
    return st.sdim > st.rdim ? e.hklfg[static_cast<std::size_t>(st.rdim)] : 0;
}

}  // namespace

void getweakrefl(RunState& st) {
    const int first = st.msec.f.start, last = st.msec.f.start + st.mtotalf() - 1;
    int satmax = 0;
    for (int i = first; i <= last; ++i)
        satmax = std::max(satmax, std::abs(satellite_order(st, st.memrefl(i))));
    if (satmax > 15) {
        st.log.write("(a)", {"Problem in GetWeakRefl - too many orders of satellites."});
        st.log.close();
        throw RunStop();
    }
    st.weakrefl.allocate(0, satmax);
    std::vector<double> darr;
    darr.reserve(static_cast<std::size_t>(std::max(st.mtotalf(), 0)) + 1);
    for (int s = 0; s <= satmax; ++s) {
        // Order s counts the entries of index +s only; an entry of index -s
        // is judged later by the threshold of |−s|.
        darr.assign(1, 0.0);
        for (int i = first; i <= last; ++i)
            if (satellite_order(st, st.memrefl(i)) == s) darr.push_back(st.memrefl(i).f);
        std::sort(darr.begin() + 1, darr.end());
        const long c = static_cast<long>(darr.size()) - 1;
        const long pick = std::lround(static_cast<double>(c) * st.weakratio);
        st.weakrefl(s) = darr[static_cast<std::size_t>(std::clamp(pick, 0L, c))];
    }
}

}  // namespace quilmo
