// Small run states built by hand for the maximum-entropy tests: a P1 grid
// where every voxel is its own orbit, and reflection entries filled field by
// field.
#pragma once

#include <cmath>

#include "run/state.h"
#include "support/run_state.h"

namespace memtest {

using quilmo::reftyp;
using quilmo::RunState;

// A cubic cell with a = 10 A: the reciprocal metric is 0.01 on the diagonal.
inline void cubic_cell(RunState& st) {
    st.gi.allocate(3, 3);
    for (int k = 1; k <= 3; ++k) st.gi(k, k) = 0.01;
}

// nx*ny*nz voxels, identity orbits, flat density and prior of `charge`
// electrons in the cell.
inline void tiny_grid(RunState& st, int nx, int ny, int nz, double charge) {
    quilmo_test::set_grid(st, {nx, ny, nz});
    st.rdim = 3;
    st.norb = st.nvoxtot;
    st.rhotab.allocate(1, 2 * st.norb);
    for (int v = 0; v < st.norb; ++v) {
        st.rhotab(2 * v + 1) = 1;
        st.rhotab(2 * v + 2) = v;
    }
    cubic_cell(st);
    st.charge = charge;
    st.au.allocate(1, st.norb);
    st.au.fill(charge / st.nvoxtot);
    st.rau = st.au;
    st.bau = st.au;
}

// An entry with observed (a, b), calculated (amem, bmem), sigma and weight 1/sigma^2.
inline reftyp entry(double a, double b, double amem, double bmem, double sigma, int mult = 1) {
    reftyp e;
    e.a = a;
    e.b = b;
    e.f = std::hypot(a, b);
    e.amem = amem;
    e.bmem = bmem;
    e.fmem = std::hypot(amem, bmem);
    e.sigma = sigma;
    e.weight = 1.0 / (sigma * sigma);
    e.mult = mult;
    e.modwg = 1;
    e.rf = 1;
    return e;
}

// refl = the F entries given (the first is F(000)), no priors, no G.
inline void f_only(RunState& st, std::initializer_list<reftyp> fs) {
    st.refl.allocate(1, static_cast<long>(fs.size()));
    int i = 1;
    for (const reftyp& e : fs) st.refl(i++) = e;
    quilmo_test::set_f_only_sections(st, static_cast<int>(fs.size()));
}

}  // namespace memtest
