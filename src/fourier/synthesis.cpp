#include "fourier/synthesis.h"

#include <algorithm>

#include "fourier/fft.h"
#include "grid/orbitlist.h"

namespace quilmo {

void sf2au(RunState& st) {
    const double* sf = st.sf.data();
    for_each_orbit(st.rhotab, st.norb, [&](int j, Orbit orbit) { st.au(j) = sf[2L * orbit.voxel[0]]; });
    st.nchan = 1;
}

void ft(RunState& st) {
    std::fill(st.sf.vec().begin(), st.sf.vec().end(), 0.0);
    double* sf = st.sf.data();
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) {
        const reftyp& e = st.memrefl(i);
        sf[e.sfloc] = e.a;
        sf[e.sfloc + 1] = e.b;
    }
    fft(st, -1);
    sf2au(st);
}

}  // namespace quilmo
