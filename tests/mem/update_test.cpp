#include "mem/update.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "mem/fixture.h"

using namespace quilmo;

namespace {

// The update written out plainly for one channel or two: au exp(e) (and
// the second channel au / exp(e)), e = -lambda g, g at the first voxel of
// each orbit divided by norm; the sums before and after the step.
struct Plain {
    std::vector<double> au;  // after the step, before the scaling
    double rhonorm = 1, sc = 0, s = 0;
};

Plain plain_update(const RunState& st, const std::vector<double>& au, const std::vector<double>& grid,
                   double lambda) {
    const int norb = st.norb;
    const bool two = st.nchan == 2;
    Plain p;
    p.au = au;
    double sc = 0, slen = 0, clen = 0, sumrho = 0;
    long t = 0;
    std::vector<double> m(static_cast<std::size_t>(norb));
    for (int i = 0; i < norb; ++i) {
        const double mi = st.rhotab.data()[t];
        m[static_cast<std::size_t>(i)] = mi;
        const double g = grid[static_cast<std::size_t>(st.rhotab.data()[t + 1])] / st.norm;
        t += st.rhotab.data()[t] + 1;
        for (int c = 0; c < st.nchan; ++c) {
            const std::size_t k = static_cast<std::size_t>(i + c * norb);
            const double l = std::log(au[k] / st.rau.data()[k]);
            sc -= mi * mi * l * g;
            slen += mi * l * mi * l;
            p.au[k] = au[k] * std::exp(c == 0 ? -lambda * g : lambda * g);
            sumrho += mi * p.au[k];
        }
        clen += mi * g * mi * g;
    }
    p.rhonorm = two ? 1.0 : st.charge / (sumrho * st.normcon);
    for (std::size_t k = 0; k < p.au.size(); ++k) {
        const double a = p.au[k] * p.rhonorm;
        p.s -= m[k % static_cast<std::size_t>(norb)] * a * std::log(a / st.rau.data()[k]);
    }
    p.sc = 1.0 - sc / std::sqrt(slen * clen);
    return p;
}

struct Layout {
    const char* name;
    int nx;
    bool inversion;
    int nchan;
};

}  // namespace

// One update and the next against the plain formulas, with the new density
// on every voxel of its orbit before its scaling, the scaling applied on the
// way by the next update, and the backup given back unchanged.
TEST(Update, TwoStepsAsThePlainFormulasWithTheBackupKept) {
    for (const Layout& lay : {Layout{"P1", 64, false, 1}, Layout{"inversion", 64, true, 1},
                              Layout{"inversion, two channels", 64, true, 2}}) {
        SCOPED_TRACE(lay.name);
        RunState st;
        memtest::tiny_grid(st, lay.nx, 1, 1, 10.0);
        if (lay.inversion) {
            // Orbits {0}, {v, n - v}, ..., {n/2}.
            std::vector<int> tab;
            for (int v = 0; v <= lay.nx / 2; ++v) {
                const bool pair = v != 0 && v != lay.nx / 2;
                tab.push_back(pair ? 2 : 1);
                tab.push_back(v);
                if (pair) tab.push_back(lay.nx - v);
            }
            st.norb = lay.nx / 2 + 1;
            st.rhotab.allocate(1, static_cast<long>(tab.size()));
            std::copy(tab.begin(), tab.end(), st.rhotab.data());
        }
        st.nchan = lay.nchan;
        st.norm = st.nvoxtot;
        st.normcon = 1;
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> u(0.5, 1.5);
        const long size = static_cast<long>(st.nchan) * st.norb;
        st.au.allocate(1, size);
        st.rau.allocate(1, size);
        for (long k = 1; k <= size; ++k) {
            st.au(k) = 0.1 * u(rng);
            st.rau(k) = 0.1 * u(rng);
        }
        const std::vector<double> start = st.au.vec();

        const OrbitList orb = orbitlist(st);
        IterDensity d;
        init_density(st, orb, d);
        std::vector<double> au = start, first;
        for (double lambda : {0.3, 0.2}) {
            first = au;
            std::vector<double> grid(static_cast<std::size_t>(st.nvoxtot));
            for (double& g : grid) g = st.norm * (u(rng) - 1.0);
            std::copy(grid.begin(), grid.end(), st.sf.density());
            const Plain want = plain_update(st, au, grid, lambda);
            const StepResult got = update(st, orb, d, lambda);
            EXPECT_NEAR(got.rhonorm, want.rhonorm, 1e-14);
            EXPECT_NEAR(got.sc, want.sc, 1e-12);
            EXPECT_NEAR(got.s, want.s, 1e-12 * std::fabs(want.s));
            for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit o) {
                const std::size_t k = static_cast<std::size_t>(i - 1);
                const double v =
                    want.au[k] - (st.nchan == 2 ? want.au[k + static_cast<std::size_t>(st.norb)] : 0);
                for (int j = 0; j < o.m; ++j)
                    EXPECT_NEAR(st.sf.density(o.voxel[j]), v, 1e-14) << "voxel " << o.voxel[j];
            });
            for (std::size_t k = 0; k < au.size(); ++k) au[k] = want.au[k] * want.rhonorm;
        }
        settle(st, d);
        for (long k = 1; k <= size; ++k) EXPECT_NEAR(st.au(k), au[static_cast<std::size_t>(k - 1)], 1e-15);
        // The backup is the density the second step started from.
        to_backup(st, d);
        for (long k = 1; k <= size; ++k) EXPECT_NEAR(st.au(k), first[static_cast<std::size_t>(k - 1)], 1e-15);
    }
}
