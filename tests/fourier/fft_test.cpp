#include "fourier/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "fourier/spectrum.h"
#include "reflections/crystal.h"

using namespace quilmo;
using quilmo_test::make_grid;

namespace {

constexpr double kPi = 3.141592653589793;

struct Grid {
    RunState st;
    explicit Grid(const std::vector<int>& nv) {
        make_grid(st, nv);
        fftinit(st);
    }
    ~Grid() { fftfree(st); }
    double& rho(long k) { return st.sf.density(k); }
    // F at grid point k (as a reflection position), whichever half holds it.
    cplx f(long k) const { return st.sf.read(st.sf.position(2 * k)); }
    // The grid coordinates of point k, first axis fastest.
    std::vector<long> coords(long k) const {
        std::vector<long> x;
        for (int j = 1; j <= st.sdim; ++j) {
            x.push_back(k % st.nvox(j));
            k /= st.nvox(j);
        }
        return x;
    }
    // sum_x v(x) exp(sign 2 pi i h.x / n), the complex transform done by hand.
    std::vector<cplx> dft(const std::vector<cplx>& v, int sign) const {
        std::vector<cplx> out(v.size());
        for (long h = 0; h < st.nvoxtot; ++h)
            for (long x = 0; x < st.nvoxtot; ++x) {
                const std::vector<long> hv = coords(h), xv = coords(x);
                double phase = 0;
                for (int j = 0; j < st.sdim; ++j)
                    phase += static_cast<double>(hv[static_cast<std::size_t>(j)] * xv[static_cast<std::size_t>(j)]) /
                             st.nvox(j + 1);
                out[static_cast<std::size_t>(h)] += v[static_cast<std::size_t>(x)] * std::polar(1.0, sign * 2 * kPi * phase);
            }
        return out;
    }
};

// Odd and even first axes (the halved one), Nyquist planes, and 1, 2, 3, 4
// and 8 dimensions.
const std::vector<std::vector<int>> kGrids = {{8},       {7},          {4, 6},       {5, 3},
                                              {4, 4, 4}, {5, 4, 3},    {3, 4, 2, 5}, {2, 1, 2, 1, 2, 1, 2, 3}};

}  // namespace

// A random real density: every structure factor, read at h through the
// half that holds h or -h, is the complex transform with exp(+2 pi i h.x);
// the backward transform gives the density back.
TEST(Fft, ForwardTransformMatchesTheComplexOneAtEveryPosition) {
    for (const auto& nv : kGrids) {
        Grid g(nv);
        EXPECT_EQ(g.st.norm, g.st.nvoxtot);
        std::mt19937 gen(7);
        std::uniform_real_distribution<double> u(-1, 1);
        std::vector<cplx> v(static_cast<std::size_t>(g.st.nvoxtot));
        for (long k = 0; k < g.st.nvoxtot; ++k) g.rho(k) = (v[static_cast<std::size_t>(k)] = u(gen)).real();
        const std::vector<cplx> want = g.dft(v, +1);
        fft(g.st, 1);
        for (long k = 0; k < g.st.nvoxtot; ++k) {
            EXPECT_NEAR(g.f(k).real(), want[static_cast<std::size_t>(k)].real(), 1e-10) << k;
            EXPECT_NEAR(g.f(k).imag(), want[static_cast<std::size_t>(k)].imag(), 1e-10) << k;
        }
        fft(g.st, -1);
        for (long k = 0; k < g.st.nvoxtot; ++k) EXPECT_NEAR(g.rho(k), v[static_cast<std::size_t>(k)].real(), 1e-12);
    }
}

// Structure factors that are no transform of a real density (random
// values, h and -h unrelated, also on the Nyquist planes and at points that
// are their own mates): the backward transform gives the real part of the
// complex backward transform, divided by the number of points.
TEST(Fft, NonHermitianWriteGivesTheRealPartOfTheComplexTransform) {
    for (const auto& nv : kGrids) {
        Grid g(nv);
        std::mt19937 gen(11);
        std::uniform_real_distribution<double> u(-1, 1);
        std::vector<cplx> x(static_cast<std::size_t>(g.st.nvoxtot));
        g.st.sf.clear_half();
        for (long k = 0; k < g.st.nvoxtot; ++k) {
            if (u(gen) < -0.3) continue;  // some positions stay empty
            const cplx v(u(gen), u(gen));
            x[static_cast<std::size_t>(k)] = v;
            g.st.sf.add(g.st.sf.position(2 * k), v);
        }
        const std::vector<cplx> want = g.dft(x, -1);
        fft(g.st, -1);
        for (long k = 0; k < g.st.nvoxtot; ++k)
            EXPECT_NEAR(g.rho(k), want[static_cast<std::size_t>(k)].real() / g.st.nvoxtot, 1e-12) << k;
    }
}

// Writers set values at reflection positions; a later write at the same
// position replaces the earlier one, a position is read back as written
// until a forward transform, and the backward transform takes the values.
TEST(Fft, ReflectionValuesAreSetReadBackAndTransformed) {
    Grid g({6, 5, 4});
    RunState& st = g.st;
    const std::vector<std::array<int, 3>> hkl = {{0, 0, 0}, {1, 2, -1}, {-1, -2, 1}, {3, 0, 2}, {2, 1, 0}};
    const int n = static_cast<int>(hkl.size());
    st.memrefl.allocate(1, n + 1);
    for (int i = 1; i <= n; ++i) {
        std::array<int, 9> h{};
        std::copy(hkl[static_cast<std::size_t>(i - 1)].begin(), hkl[static_cast<std::size_t>(i - 1)].end(), h.begin());
        st.memrefl(i).hklfg = h;
        st.memrefl(i).sfloc = arraylocation(st, h, 2);
    }
    st.memrefl(n + 1) = st.memrefl(2);  // the same position again, written last
    st.msec.f = {1, n + 1};
    TransformArray::Sparse& s = clear_sf(st);
    write_memrefl_sf(st, s, 1, n + 1, [](const reftyp& e) { return cplx(e.hklfg[0] + 0.5, e.hklfg[1]); });
    write_memrefl_sf(st, s, n + 1, n + 1, [](const reftyp&) { return cplx(7, -3); });
    EXPECT_EQ(st.sf.at(st.memrefl(2).sfloc), cplx(7, -3));
    EXPECT_EQ(st.sf.at(st.memrefl(4).sfloc), cplx(3.5, 0));
    EXPECT_EQ(st.sf.at(arraylocation(st, std::array<int, 9>{1, 1, 1}, 2)), cplx(0, 0));

    std::vector<cplx> x(static_cast<std::size_t>(st.nvoxtot));
    for (int i = 1; i <= n; ++i) x[static_cast<std::size_t>(st.memrefl(i).sfloc / 2)] = st.sf.at(st.memrefl(i).sfloc);
    const std::vector<cplx> want = g.dft(x, -1);
    fft(st, -1);
    for (long k = 0; k < st.nvoxtot; ++k)
        EXPECT_NEAR(g.rho(k), want[static_cast<std::size_t>(k)].real() / st.nvoxtot, 1e-12) << k;
    fft(st, 1);
    EXPECT_NEAR(st.sf.at(st.memrefl(5).sfloc).real(), 0.5 * 2.5, 1e-12);  // its mate was never set
    EXPECT_NEAR(st.sf.at(st.memrefl(4).sfloc).real(), 3.5, 1e-12);        // (3,0,2) is its own mate
}

TEST(Fft, OtherDirectionsLeaveTheArrayAlone) {
    Grid g({4, 4, 4});
    for (long i = 0; i < g.st.nvoxtot; ++i) g.rho(i) = 0.25 * static_cast<double>(i);
    for (long i = 0; i < g.st.sf.nhalf(); ++i) g.st.sf.half()[i] = cplx(i, -i);
    fft(g.st, 0);
    fft(g.st, 2);
    fft(g.st, -2);
    for (long i = 0; i < g.st.nvoxtot; ++i) EXPECT_EQ(g.rho(i), 0.25 * static_cast<double>(i));
    for (long i = 0; i < g.st.sf.nhalf(); ++i) EXPECT_EQ(g.st.sf.half()[i], cplx(i, -i));
}

// Long lists are read and written on several threads; a position changed in
// place since the index was made is still found.
TEST(Fft, ListsAreReadAndWrittenInPartsOnThreads) {
    Grid g({64, 64, 16});
    RunState& st = g.st;
    st.nthreads = 2;
    const int n = static_cast<int>(st.nvoxtot);
    st.memrefl.allocate(1, n);
    for (int i = 1; i <= n; ++i) st.memrefl(i).sfloc = 2 * (i - 1);
    st.msec.f = {1, n};
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> u(-1, 1);
    for (long k = 0; k < st.nvoxtot; ++k) g.rho(k) = u(gen);
    fft(st, 1);
    for (int round = 0; round < 2; ++round) {
        read_memrefl_sf(st, 1, n, [](reftyp& e, cplx f) {
            e.amem = f.real();
            e.bmem = f.imag();
        });
        for (int i = 1; i <= n; i += 97) {
            const cplx want = st.sf.read(st.sf.position(st.memrefl(i).sfloc));
            ASSERT_EQ(st.memrefl(i).amem, want.real()) << i;
            ASSERT_EQ(st.memrefl(i).bmem, want.imag()) << i;
        }
        std::swap(st.memrefl(5).sfloc, st.memrefl(n - 5).sfloc);  // changed in place
    }
    TransformArray::Sparse& s = clear_sf(st);
    write_memrefl_sf(st, s, 1, n, [](const reftyp& e) { return cplx(e.sfloc, -1); });
    for (int i = 1; i <= n; i += 89) EXPECT_EQ(st.sf.at(st.memrefl(i).sfloc), cplx(st.memrefl(i).sfloc, -1));
}
