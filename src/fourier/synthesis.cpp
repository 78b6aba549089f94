#include "fourier/synthesis.h"

#include "fourier/fft.h"
#include "fourier/spectrum.h"
#include "grid/orbitlist.h"

namespace quilmo {

void sf2au(RunState& st) {
    const double* rho = st.sf.density();
    for_each_orbit(st.rhotab, st.norb, [&](int j, Orbit orbit) { st.au(j) = rho[orbit.voxel[0]]; });
    st.nchan = 1;
}

void ft(RunState& st) {
    write_memrefl_sf(st, clear_sf(st), st.msec.f.start, st.msec.f.end, [](const reftyp& e) { return cplx(e.a, e.b); });
    fft(st, -1);
    sf2au(st);
}

}  // namespace quilmo
