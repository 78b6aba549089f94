// Walks of the orbit table rhotab: per orbit its multiplicity m, then its m
// voxels.  Every routine that steps through the table does it here, so the
// layout is read in one place.
#pragma once

#include <vector>

#include "run/state.h"

namespace quilmo {

// One orbit of the table.
struct Orbit {
    int m;             // multiplicity: the number of its voxels
    const int* voxel;  // its voxels (indices into rho and into the density of sf), voxel[0] the first
};

// Calls f(i, orbit) for the orbits i = 1..norb in table order.
template <class F>
void for_each_orbit(const FArray<int>& rhotab, int norb, F f) {
    const int* tab = rhotab.data();
    long t = 0;
    for (int i = 1; i <= norb; ++i) {
        const int m = tab[t];
        f(i, Orbit{m, tab + t + 1});
        t += m + 1;
    }
}

// The orbit table in the two forms the iteration walks it: the multiplicity
// of each orbit and its first voxel, one entry per orbit (0-based).  Built
// once per run, so the cycle reads them without stepping through rhotab.
struct OrbitList {
    std::vector<double> m;  // multiplicity of orbit i+1
    std::vector<int> v;     // its first voxel (index into rho and into the density of sf)
    bool covers = false;    // the orbits hold every voxel of the grid
    bool identity = false;  // every orbit is the single voxel of its own index (no symmetry)
};

inline OrbitList orbitlist(const RunState& st) {
    OrbitList o;
    o.m.resize(static_cast<std::size_t>(st.norb));
    o.v.resize(static_cast<std::size_t>(st.norb));
    long voxels = 0;
    o.identity = true;
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        o.m[static_cast<std::size_t>(i - 1)] = orbit.m;
        o.v[static_cast<std::size_t>(i - 1)] = orbit.voxel[0];
        voxels += orbit.m;
        o.identity = o.identity && orbit.m == 1 && orbit.voxel[0] == i - 1;
    });
    // A table read from a file is checked to be a partition of the grid, so
    // holding nvoxtot voxels means holding each once.
    o.covers = voxels == static_cast<long>(st.nvoxtot);
    o.identity = o.identity && o.covers;
    return o;
}

// The orbit (0-based) of every voxel of a table that covers the grid, so
// that a pass can fill the grid in voxel order: writes that follow each
// other in memory cost far less than the scattered voxels of one orbit.
inline std::vector<int> voxel_orbits(const RunState& st) {
    std::vector<int> of(static_cast<std::size_t>(st.nvoxtot), 0);
    for_each_orbit(st.rhotab, st.norb, [&of](int i, Orbit orbit) {
        for (int j = 0; j < orbit.m; ++j) of[static_cast<std::size_t>(orbit.voxel[j])] = i - 1;
    });
    return of;
}

}  // namespace quilmo
