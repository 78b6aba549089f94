#include "fourier/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

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
    double& re(long k) { return st.sf(2 * k); }
    double& im(long k) { return st.sf(2 * k + 1); }
};

const std::vector<std::vector<int>> kGrids = {{8}, {4, 6}, {4, 4, 4}, {3, 4, 2, 5}};

}  // namespace

TEST(Fft, SinglePointTransformsToOnesAndBack) {
    for (const auto& nv : kGrids) {
        Grid g(nv);
        EXPECT_EQ(g.st.norm, g.st.nvoxtot);
        g.st.sf.fill(0);
        g.re(0) = 1.0;
        fft(g.st, 1);
        for (long k = 0; k < g.st.nvoxtot; ++k) {
            EXPECT_NEAR(g.re(k), 1.0, 1e-12);
            EXPECT_NEAR(g.im(k), 0.0, 1e-12);
        }
        fft(g.st, -1);
        for (long k = 0; k < g.st.nvoxtot; ++k) {
            EXPECT_NEAR(g.re(k), k == 0 ? 1.0 : 0.0, 1e-12);
            EXPECT_NEAR(g.im(k), 0.0, 1e-12);
        }
    }
}

TEST(Fft, SumLandsInElementZero) {
    for (const auto& nv : kGrids) {
        Grid g(nv);
        std::mt19937 gen(7);
        std::uniform_real_distribution<double> u(0, 1);
        double sum = 0;
        for (long k = 0; k < g.st.nvoxtot; ++k) sum += g.re(k) = u(gen), g.im(k) = 0;
        for (long k = 0; k < g.st.nvoxtot; ++k) g.re(k) *= 100 / sum;
        fft(g.st, 1);
        EXPECT_NEAR(g.re(0), 100.0, 1e-10);
        EXPECT_NEAR(g.im(0), 0.0, 1e-10);
    }
}

// plan1 carries exp(+2 pi i k x / n) with the first axis fastest in memory:
// a point at x = (1, 0, ...) gives F(k) = exp(+2 pi i k1 / nvox(1)) whatever
// the other indices.
TEST(Fft, ForwardSignIsPlusAndFirstAxisRunsFastest) {
    for (const auto& nv : kGrids) {
        Grid g(nv);
        g.st.sf.fill(0);
        g.re(1) = 1.0;
        fft(g.st, 1);
        for (long k = 0; k < g.st.nvoxtot; ++k) {
            const double phi = 2 * kPi * static_cast<double>(k % nv[0]) / nv[0];
            EXPECT_NEAR(g.re(k), std::cos(phi), 1e-12) << k;
            EXPECT_NEAR(g.im(k), std::sin(phi), 1e-12) << k;
        }
        // Along the last axis: x = (0, ..., 1).
        if (nv.size() < 2) continue;
        g.st.sf.fill(0);
        const long last = g.st.n(g.st.sdim - 1);
        g.re(last) = 1.0;
        fft(g.st, 1);
        for (long k = 0; k < g.st.nvoxtot; ++k) {
            const double phi = 2 * kPi * static_cast<double>(k / last) / nv.back();
            EXPECT_NEAR(g.im(k), std::sin(phi), 1e-12) << k;
        }
    }
}

TEST(Fft, BackwardSignIsMinusAndDividesBothParts) {
    Grid g({8});
    g.st.sf.fill(0);
    g.re(1) = 8.0;
    g.im(2) = 16.0;
    fft(g.st, -1);
    for (long x = 0; x < 8; ++x) {
        // 8 e^{-i w x} + 16 i e^{-2 i w x}, divided by 8.
        const double w = 2 * kPi / 8;
        EXPECT_NEAR(g.re(x), std::cos(w * x) + 2 * std::sin(2 * w * x), 1e-12);
        EXPECT_NEAR(g.im(x), -std::sin(w * x) + 2 * std::cos(2 * w * x), 1e-12);
    }
}

TEST(Fft, OtherDirectionsLeaveTheArrayAlone) {
    Grid g({4, 4, 4});
    for (long i = 0; i <= g.st.lstel; ++i) g.st.sf(i) = 0.25 * static_cast<double>(i);
    const std::vector<double> before = g.st.sf.vec();
    fft(g.st, 0);
    fft(g.st, 2);
    fft(g.st, -2);
    EXPECT_EQ(g.st.sf.vec(), before);
}

TEST(Fft, RoundTripRestoresComplexData) {
    for (const auto& nv : kGrids) {
        Grid g(nv);
        std::mt19937 gen(11);
        std::uniform_real_distribution<double> u(-1, 1);
        for (long i = 0; i <= g.st.lstel; ++i) g.st.sf(i) = u(gen);
        const std::vector<double> before = g.st.sf.vec();
        fft(g.st, 1);
        fft(g.st, -1);
        for (long i = 0; i <= g.st.lstel; ++i) EXPECT_NEAR(g.st.sf(i), before[static_cast<std::size_t>(i)], 1e-12);
    }
}

TEST(Fft, EightDimensionalGrid) {
    Grid g({2, 1, 2, 1, 2, 1, 2, 3});
    g.st.sf.fill(0);
    g.re(0) = 1.0;
    fft(g.st, 1);
    for (long k = 0; k < g.st.nvoxtot; ++k) EXPECT_NEAR(g.re(k), 1.0, 1e-12);
}
