#include "grid/startdensity.h"

#include "grid/orbitlist.h"
#include "textio/stop.h"

namespace quilmo {

void startdensity(RunState& st) {
    const long size = static_cast<long>(st.nchan) * st.norb;
    allocate_or_stop("Error allocating asymmetric unit density!!", [&] { st.au.allocate(1, size); });
    if (st.algorithm == 1)
        allocate_or_stop("Error allocating backup asymmetric unit density!!",
                         [&] { st.bau.allocate(1, size); });
    allocate_or_stop("Error allocating asymmetric unit reference density!!",
                     [&] { st.rau.allocate(1, size); });

    // Two channels hold the positive and the negative part, each kept
    // strictly above zero by the same small offset.
    const double c = 0.05 * st.capvx;
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        const double v = st.rho(orbit.voxel[0]);
        if (st.nchan == 1) {
            st.au(i) = v;
        } else if (v >= 0) {
            st.au(i) = v + c;
            st.au(i + st.norb) = c;
        } else {
            st.au(i) = c;
            st.au(i + st.norb) = c - v;
        }
    });
    st.rau = st.au;
}

void noregularization(RunState& st) {
    st.normcon = 1;
    auto section = [&](int lo, int hi) {
        for (int r = lo; r <= hi; ++r) st.refl(r).rf = 1;
    };
    section(st.sec.f.start, st.sec.f.end);
    section(st.sec.prif.start, st.sec.prif.end);
    section(st.sec.g.start, st.sec.g.end);
    for (int i = 1; i <= st.mtotalfpg(); ++i) st.memrefl(i).rf = 1;
}

void groupmultiplicities(RunState& st) {
    if (st.ggroups <= 0) return;
    if (st.sumgm.size() < st.ggroups) st.sumgm.allocate(1, st.ggroups);
    int r = st.sec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        double sum = 0;
        for (int m = 1; m <= st.gdiff(g); ++m) sum += st.refl(r++).mult;
        st.sumgm(g) = sum;
    }
}

}  // namespace quilmo
