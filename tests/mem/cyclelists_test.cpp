#include "mem/cyclelists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "fourier/fft.h"
#include "grid/voxels.h"
#include "mem/fixture.h"
#include "mem/gradient.h"
#include "mem/rfactor.h"
#include "reflections/transfer.h"

using namespace quilmo;
using memtest::entry;

namespace {

// A 6x5x4 grid (planes h1 = 0 and h1 = 3 hold F(h) and its conjugate both)
// with a random density, and reflection lists with everything the compact
// lists must take care of: Friedel pairs, self-mates, a repeated
// F-constraint, a G member on an F position, priors, multiplicities,
// constraint weights and a regularization factor other than 1.
struct ListCase {
    RunState st;
    std::mt19937 rng{17};

    double r(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    reftyp at(int h, int k, int l, double a, double b, int mult = 1) {
        reftyp e = entry(a, b, 0, 0, r(0.3, 1.0), mult);
        e.hklfg = {h, k, l};
        e.sfloc = arraylocation(st, e.hklfg, 2);
        e.modwg = r(0.5, 1.5);
        return e;
    }

    explicit ListCase(int actcon) {
        memtest::tiny_grid(st, 6, 5, 4, 30.0);
        st.actcon = actcon;
        fftinit(st);

        std::vector<reftyp> f = {at(0, 0, 0, 30, 0)};
        for (auto [h, k, l] : std::vector<std::array<int, 3>>{{1, 0, 0},
                                                              {-1, 0, 0},
                                                              {1, 2, 1},
                                                              {2, -1, 1},
                                                              {-2, 1, -1},
                                                              {0, 1, 1},
                                                              {0, -1, -1},
                                                              {3, 1, 0},
                                                              {3, 0, 0},
                                                              {0, 0, 2},
                                                              {1, -2, 3}})
            f.push_back(at(h, k, l, r(-4, 4), r(-4, 4), 1 + (h + 4) % 2));
        f[3].rf = 0.9;
        const reftyp repeated = at(1, 2, 1, r(-4, 4), r(-4, 4));  // same position as f[3]
        const std::vector<reftyp> p = {at(2, 2, 0, r(-2, 2), r(-2, 2)), at(-1, -1, 2, r(-2, 2), r(-2, 2))};
        std::vector<reftyp> g = {at(2, -1, 1, 0, 0, 2), at(1, 1, 1, 0, 0), at(2, 0, 3, 0, 0)};
        g[0].hklfg[8] = g[1].hklfg[8] = 1;
        g[2].hklfg[8] = 2;
        g[0].f = 5;
        g[2].f = 2;

        // refl: F (with the repeated constraint), P, G.
        std::vector<reftyp> refl = f;
        refl.push_back(repeated);
        const int nf = static_cast<int>(refl.size());
        refl.insert(refl.end(), p.begin(), p.end());
        refl.insert(refl.end(), g.begin(), g.end());
        st.refl.allocate(1, static_cast<long>(refl.size()));
        std::copy(refl.begin(), refl.end(), st.refl.data());
        st.sec.f = {1, nf};
        st.sec.prif = {nf + 1, nf + 2};
        st.sec.g = {nf + 3, nf + 5};
        st.sec.extra = {nf + 6, nf + 5};
        st.ggroups = 2;
        st.gdiff.allocate(1, 2);
        st.gdiff(1) = 2;
        st.gdiff(2) = 1;
        st.sumgm.allocate(1, 2);
        st.sumgm(1) = 3;
        st.sumgm(2) = 1;

        // memrefl: F with a Friedel mate for (2,-1,1), P, G.
        std::vector<reftyp> mem = f;
        reftyp mate = f[4];
        mate.hklfg = {-2, 1, -1};
        mate.sfloc = arraylocation(st, mate.hklfg, 2);
        mate.b = -mate.b;
        mem[5] = mate;  // in place of the constraint on that position
        mem.insert(mem.end(), p.begin(), p.end());
        mem.insert(mem.end(), g.begin(), g.end());
        st.memrefl.allocate(1, static_cast<long>(mem.size()));
        std::copy(mem.begin(), mem.end(), st.memrefl.data());
        const int mf = static_cast<int>(f.size());
        st.msec.f = {1, mf};
        st.msec.prif = {mf + 1, mf + 2};
        st.msec.g = {mf + 3, mf + 5};
        rfactorinit(st);

        for (long v = 0; v < st.nvoxtot; ++v) st.sf.density(v) = r(0, 1);
        fft(st, 1);
    }
};

std::vector<cplx> half_of(const RunState& st) { return {st.sf.half(), st.sf.half() + st.sf.nhalf()}; }

double largest(const std::vector<cplx>& h) {
    double m = 0;
    for (const cplx& x : h) m = std::max(m, std::abs(x));
    return m;
}

// rfactor's results that a cycle reports and judges by.
std::vector<double> statistics(const RunState& st) {
    std::vector<double> s = {st.r,        st.rw,        st.rf,       st.rwf,         st.rg,
                             st.rwg,      st.fgcon,     st.fpgcon,   st.sumfcal,     st.sumdeltaf,
                             st.sumgcal,  st.sumdeltag, st.sumfgcal, st.sumdeltafsq, st.sumdeltagsq,
                             st.gcalc(1), st.gcalc(2)};
    for (int k = 1; k <= 8; ++k)
        for (const auto* con : {&st.fcon, &st.pcon, &st.gcon})
            s.push_back((*con)[static_cast<std::size_t>(k)]);
    return s;
}

}  // namespace

// The compact passes give what the record passes give: the gradient of
// fillfgcon folded into the half, and the statistics of rfactor; also when
// the density was transformed before its scaling to the charge.
TEST(CycleLists, GradientAndStatisticsAsTheRecordPassesGiveThem) {
    for (int actcon : {2, 4}) {
        for (double scale : {1.0, 2.0}) {
            SCOPED_TRACE("actcon " + std::to_string(actcon) + " scale " + std::to_string(scale));
            ListCase c(actcon);
            RunState& st = c.st;
            const std::vector<cplx> spectrum = half_of(st);
            sf2memrefl(st);
            sf2refl(st);
            rfactor(st);
            const std::vector<double> want = statistics(st);
            fillfgcon(st);
            st.sf.fold_sparse();
            const std::vector<cplx> gradient = half_of(st);

            // The same structure factors, of a density 1/scale as large.
            for (long i = 0; i < st.sf.nhalf(); ++i)
                st.sf.half()[i] = spectrum[static_cast<std::size_t>(i)] / scale;
            CycleLists lists = cycle_lists(st);
            EXPECT_GT(lists.ntd + lists.ntm, 0);
            EXPECT_EQ(lists.f.size(), 3);  // the repeated constraint and two under a G member or mate
            take_sf(st, lists, scale);
            rfactor_sf(st, lists, scale);
            const std::vector<double> got = statistics(st);
            for (std::size_t i = 0; i < want.size(); ++i)
                EXPECT_NEAR(got[i], want[i], 1e-12 * std::max(1.0, std::fabs(want[i]))) << "statistic " << i;
            fill_gradient(st, lists);
            const double big = largest(gradient);
            for (long i = 0; i < st.sf.nhalf(); ++i)
                EXPECT_NEAR(std::abs(st.sf.half()[i] - gradient[static_cast<std::size_t>(i)]), 0.0,
                            1e-13 * big)
                    << "slot " << i;
        }
    }
}
