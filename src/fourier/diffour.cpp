#include "density/files.h"
#include "fourier/fft.h"
#include "fourier/spectrum.h"
#include "fourier/synthesis.h"
#include "grid/voxels.h"
#include "run/console.h"

namespace quilmo {

// Observed minus maximum-entropy structure factors, written as a density
// file named after the title.  Overwrites au and rho.
void diffour(RunState& st) {
    write_memrefl_sf(st, clear_sf(st), st.msec.f.start, st.msec.f.end,
                     [](const reftyp& e) { return cplx(e.a - e.amem, e.b - e.bmem); });
    fft(st, -1);
    sf2au(st);
    expandrho(st);
    st.outrhofile = with_extension(st.filetitle, st.filebase, kDiffourExtension);
    rhowrite(st);
}

}  // namespace quilmo
