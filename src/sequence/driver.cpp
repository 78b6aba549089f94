#include "sequence/driver.h"

#include "chargeflip/flipping.h"
#include "density/files.h"
#include "fourier/fft.h"
#include "fourier/synthesis.h"
#include "grid/voxels.h"
#include "input/input.h"
#include "mem/dual.h"
#include "mem/histogram.h"
#include "mem/iteration.h"
#include "mem/rfactor.h"
#include "peaks/search.h"
#include "sequence/meminit.h"

namespace quilmo {

void mainsequence(RunState& st) {
    input(st);
    fftinit(st);
    meminit(st);
    rfactorinit(st);
    if (st.fourier) {
        ft(st);
        expandrho(st);
    } else {
        if (st.flipcharge) {
            chargeflipping(st);
            // The maximum-entropy R-factors must be taken over the
            // observations the flipping handed over, not the ones read.
            if (st.performmem) rfactorinit(st);
        }
        if (st.performmem) {
            if (st.algorithm == 1) mem(st);
            if (st.algorithm == 2) memsys_stop(st);
            if (st.algorithm == 3) memdual(st);
            histogram(st, 1);
            expandrho(st);
        }
    }
    rhowrite(st);
    peaksearch(st);
    if (st.performmem) diffour(st);
    st.hst.close();
    st.log.close();
    fftfree(st);
}

}  // namespace quilmo
