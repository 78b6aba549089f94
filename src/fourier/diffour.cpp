#include <algorithm>

#include "density/files.h"
#include "fourier/fft.h"
#include "fourier/synthesis.h"
#include "grid/voxels.h"
#include "run/console.h"

namespace quilmo {

// Observed minus maximum-entropy structure factors, written as a density
// file named after the title.  Overwrites au and rho.
void diffour(RunState& st) {
    std::fill(st.sf.vec().begin(), st.sf.vec().end(), 0.0);
    double* sf = st.sf.data();
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) {
        const reftyp& e = st.memrefl(i);
        sf[e.sfloc] = e.a - e.amem;
        sf[e.sfloc + 1] = e.b - e.bmem;
    }
    fft(st, -1);
    sf2au(st);
    expandrho(st);
    st.outrhofile = with_extension(st.filetitle, st.filebase, kDiffourExtension);
    rhowrite(st);
}

}  // namespace quilmo
