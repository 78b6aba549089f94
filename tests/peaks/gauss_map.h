// A crystal of Gaussian atoms on its grid: the run state of a 3-D run after
// the input step (metric, complete operator list, voxel operators) and the
// density of the atoms in rho, electrons per voxel.
#pragma once

#include <cmath>
#include <sstream>
#include <vector>

#include "geometry/symmetry.h"
#include "peaks/frame.h"
#include "support/crystal.h"

namespace quilmo_test {

struct GaussAtom {
    quilmo::Vec3 x;  // fractional position
    double z;        // electrons
};

// Peak height of a Gaussian atom of z electrons and width sigma (A), e/A^3.
inline double gauss_height(double z, double sigma) { return z / std::pow(2 * M_PI * sigma * sigma, 1.5); }

struct GaussCrystal {
    quilmo::RunState st;
    std::ostringstream con;
    int errcd = 0;

    GaussCrystal(std::vector<double> cell, std::vector<int> nvox, const std::vector<Op>& ops,
                 std::vector<std::vector<double>> centers = {}) {
        make_crystal(st, con, cell, nvox);
        set_symmetry(st, ops, centers);
        quilmo::completesymmetry(st, errcd);
        quilmo::expandsym(st);
        quilmo::discretesym(st);
        st.capvx = st.cell(st.cellcon) / st.nvoxtot;
    }

    // The distinct images of x in the cell.
    std::vector<quilmo::Vec3> images(const quilmo::Frame& f, const quilmo::Vec3& x) const {
        std::vector<quilmo::Vec3> out;
        for (const quilmo::SymOp& op : f.ops) {
            const quilmo::Vec3 y = quilmo::in_cell(quilmo::image(op, x));
            bool seen = false;
            for (const auto& z : out) seen = seen || quilmo::length(f, quilmo::wrapped(y, z)) < 1e-6;
            if (!seen) out.push_back(y);
        }
        return out;
    }

    // rho = the atoms, every image of each, as point samples of the
    // density times the voxel volume.
    void fill(const std::vector<GaussAtom>& atoms, double sigma) {
        const quilmo::Frame f = quilmo::frame_of(st);
        st.rho.fill(0);
        for (const GaussAtom& a : atoms)
            for (const quilmo::Vec3& y : images(f, a.x))
                for (int v = 0; v < st.nvoxtot; ++v) {
                    const quilmo::Vec3 p = {double(v % f.nvox[0]) / f.nvox[0],
                                            double(v / f.nvox[0] % f.nvox[1]) / f.nvox[1],
                                            double(v / f.nvox[0] / f.nvox[1]) / f.nvox[2]};
                    const double r = quilmo::length(f, quilmo::wrapped(p, y));
                    if (r < 6 * sigma)
                        st.rho(v) +=
                            gauss_height(a.z, sigma) * std::exp(-r * r / (2 * sigma * sigma)) * st.capvx;
                }
    }
};

}  // namespace quilmo_test
