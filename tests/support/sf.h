// The transform array read as one complex value per grid position, the way
// the reflection lists see it.
#pragma once

#include <vector>

#include "fourier/spectrum.h"
#include "run/state.h"

namespace quilmo_test {

// Part i of F at position i - i % 2: the real part for even i, else the
// imaginary part.
inline double sf_part(quilmo::RunState& st, long i) {
    quilmo::sparse_sf(st);
    const quilmo::cplx f = st.sf.at(i - i % 2);
    return i % 2 == 0 ? f.real() : f.imag();
}

// Every position, real and imaginary parts interleaved.
inline std::vector<double> sf_parts(quilmo::RunState& st) {
    quilmo::sparse_sf(st);
    std::vector<double> v(2 * static_cast<std::size_t>(st.nvoxtot));
    for (long k = 0; k < st.nvoxtot; ++k) {
        const quilmo::cplx f = st.sf.at(2 * k);
        v[2 * static_cast<std::size_t>(k)] = f.real();
        v[2 * static_cast<std::size_t>(k) + 1] = f.imag();
    }
    return v;
}

// Stale values everywhere, as a previous user of the array would leave them.
inline void scribble_sf(quilmo::RunState& st, double v) {
    std::fill(st.sf.density(), st.sf.density() + st.sf.nvoxtot(), v);
    for (long i = 0; i < st.sf.nhalf(); ++i) st.sf.half()[i] = v;
    quilmo::TransformArray::Sparse& s = quilmo::sparse_sf(st);
    std::fill(s.value.begin(), s.value.end(), quilmo::cplx(v, v));
    s.active = true;
}

}  // namespace quilmo_test
