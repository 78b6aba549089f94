#include <climits>

#include "density/prior.h"
#include "geometry/metric.h"
#include "geometry/symmetry.h"
#include "input/input.h"
#include "input/logreport.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// Grid sizes.  The transform array holds two reals per voxel and is indexed
// by int, so 2*nvoxtot - 1 must stay representable.
void grid_sizes(RunState& st) {
    long long total = 1;
    for (int k = 1; k <= st.sdim; ++k) {
        if (st.nvox(k) < 1) {
            errormsg(st, "Error, the number of voxels along every axis must be positive!");
            throw RunStop();
        }
        total *= st.nvox(k);
        if (2 * total - 1 > INT_MAX) {
            errormsg(st, "Error, the voxel grid is too large (at most 1073741824 voxels)!");
            throw RunStop();
        }
    }
    st.nvoxtot = static_cast<int>(total);
    st.n(0) = 1;
    for (int k = 1; k <= st.sdim; ++k) st.n(k) = st.n(k - 1) * st.nvox(k);
    st.capvx = st.cell(st.cellcon) / st.nvoxtot;
    st.epv = st.charge / st.nvoxtot;
    st.lstel = 2 * st.nvoxtot - 1;
    st.lstrhoel = st.nvoxtot - 1;
}

}  // namespace

void afterpass2(RunState& st) {
    int status = 0;
    allfromcell(st, status);
    if (status != 0) throw RunStop();

    grid_sizes(st);
    allocate_or_stop("Error allocating electron density!!", [&] { st.rho.allocate(0, st.lstrhoel); });
    allocate_or_stop("Error allocating structure factors!!", [&] { st.sf.allocate(st.sdim, &st.nvox(1)); });

    status = 0;
    completesymmetry(st, status);
    if (status != 0) throw RunStop();

    if (st.flipcharge) {
        if (same_text(st.refrhotype, "flat")) {
            errormsg(st, "Error, reference density in charge flipping cannnot be flat!");
            throw RunStop();
        }
        if (!same_text(st.refrhotype, "none")) readdensity(st, st.refrhotype, st.refrhofile);
        allocate_or_stop("Error allocating reference electron density!!", [&] { st.refrho = st.rho; });
    }
    if (st.performmem) {
        if (!same_text(st.initrhotype, "flat") && same_text(st.initrhofile, "none")) {
            errormsg(st, "Error, no input density file specified!");
            throw RunStop();
        }
        readdensity(st, st.initrhotype, st.initrhofile);
    }

    writelogfiles(st);
}

}  // namespace quilmo
