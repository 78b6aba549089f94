#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "density/prior.h"
#include "geometry/metric.h"
#include "geometry/symmetry.h"
#include "input/input.h"
#include "input/logreport.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// The voxels along every axis, checked and multiplied out; nothing is
// stored yet, so that the cheap checks of the input can run before a grid
// too large to hold has cost any time.
long long grid_voxels(RunState& st) {
    long long total = 1;
    for (int k = 1; k <= st.sdim; ++k) {
        if (st.nvox(k) < 1) {
            errormsg(st, "Error, the number of voxels along every axis must be positive!");
            throw RunStop();
        }
        // Far beyond any machine already; keeps the product from overflowing.
        total = std::min(total * st.nvox(k), 1LL << 50);
    }
    return total;
}

// Grid sizes.  The transform array holds two reals per voxel and is indexed
// by int, so 2*nvoxtot - 1 must stay representable.
void grid_sizes(RunState& st, long long total) {
    if (2 * total - 1 > INT_MAX) {
        errormsg(st, "Error, the voxel grid is too large (at most 1073741824 voxels)!");
        throw RunStop();
    }
    st.nvoxtot = static_cast<int>(total);
    st.n(0) = 1;
    for (int k = 1; k <= st.sdim; ++k) st.n(k) = st.n(k - 1) * st.nvox(k);
    st.capvx = st.cell(st.cellcon) / st.nvoxtot;
    st.epv = st.charge / st.nvoxtot;
    st.lstel = 2 * st.nvoxtot - 1;
    st.lstrhoel = st.nvoxtot - 1;
}

std::string grid_text(const RunState& st) {
    std::string text;
    for (int k = 1; k <= st.sdim; ++k) text += (k > 1 ? " x " : "") + std::to_string(st.nvox(k));
    return text;
}

std::string gib(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", bytes / (1024.0 * 1024.0 * 1024.0));
    return text;
}

// A run whose arrays cannot fit into the machine would only page for hours
// or be killed; one that needs much is told before the set-up begins.
void check_memory(RunState& st, long long voxels) {
    const double bytes = run_memory(st, voxels);
    const double physical = static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGE_SIZE));
    if (physical > 0 && bytes > physical) {
        errormsg(st, "Error, the voxel grid " + grid_text(st) + " needs about " + gib(bytes) +
                         " of memory; this machine has " + gib(physical) + "!");
        throw RunStop();
    }
    if (bytes > 1024.0 * 1024.0 * 1024.0) {
        TextOut con(*st.con);
        con.write("(A)", {"The voxel grid " + grid_text(st) + " needs about " + gib(bytes) + " of memory."});
        fplivc(st);
    }
}

}  // namespace

double run_memory(const RunState& st, long long voxels) {
    const double n = static_cast<double>(voxels);
    const double orbits = n / std::max(1, st.nsym * st.ncenter);
    // Per voxel: rho, the transform array (density and half spectrum), the
    // orbit table and, while it is built, its work table and flags; the
    // reference density of charge flipping.
    double per_voxel = 8 + 16 + 4 + 9;
    if (st.flipcharge) per_voxel += 8;
    // Per orbit: its count in the table, the densities au and rau (and the
    // backup bau of Sakata-Sato) in every channel.
    const double per_orbit = 4 + 8.0 * st.nchan * (st.algorithm == 1 ? 3 : 2);
    return n * per_voxel + orbits * per_orbit;
}

void afterpass2(RunState& st) {
    int status = 0;
    allfromcell(st, status);
    if (status != 0) throw RunStop();

    // Everything that needs no voxel array is checked first.
    const long long voxels = grid_voxels(st);
    status = 0;
    completesymmetry(st, status);
    if (status != 0) throw RunStop();
    if (st.flipcharge && same_text(st.refrhotype, "flat")) {
        errormsg(st, "Error, reference density in charge flipping cannnot be flat!");
        throw RunStop();
    }
    if (st.performmem && !same_text(st.initrhotype, "flat") && same_text(st.initrhofile, "none")) {
        errormsg(st, "Error, no input density file specified!");
        throw RunStop();
    }
    check_memory(st, voxels);
    grid_sizes(st, voxels);

    allocate_or_stop("Error allocating electron density!!", [&] { st.rho.allocate(0, st.lstrhoel); });
    allocate_or_stop("Error allocating structure factors!!", [&] { st.sf.allocate(st.sdim, &st.nvox(1)); });
    if (st.flipcharge) {
        if (!same_text(st.refrhotype, "none")) readdensity(st, st.refrhotype, st.refrhofile);
        allocate_or_stop("Error allocating reference electron density!!", [&] { st.refrho = st.rho; });
    }
    if (st.performmem) {
        readdensity(st, st.initrhotype, st.initrhofile);
        // With a cycle limit of 0 the prior is only passed through to the
        // density file (a conversion), and no logarithm is taken.
        if (!st.flipcharge && st.nchan == 1 && st.maxcycles > 0) positive_prior(st);
    }

    writelogfiles(st);
}

}  // namespace quilmo
