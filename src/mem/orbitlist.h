// The orbit table in the two forms the iteration walks it: the multiplicity
// of each orbit and its first voxel, one entry per orbit (0-based).  Built
// once per run, so the cycle reads them without stepping through rhotab.
#pragma once

#include <vector>

#include "run/state.h"

namespace quilmo {

struct OrbitList {
    std::vector<double> m;  // multiplicity of orbit i+1
    std::vector<int> v;     // its first voxel (index into rho; 2v into sf)
};

inline OrbitList orbitlist(const RunState& st) {
    OrbitList o;
    o.m.resize(static_cast<std::size_t>(st.norb));
    o.v.resize(static_cast<std::size_t>(st.norb));
    const int* tab = st.rhotab.data();
    long t = 0;
    for (int i = 0; i < st.norb; ++i) {
        int m = tab[t];
        o.m[static_cast<std::size_t>(i)] = m;
        o.v[static_cast<std::size_t>(i)] = tab[t + 1];
        t += m + 1;
    }
    return o;
}

}  // namespace quilmo
