#include "fourier/synthesis.h"

#include <gtest/gtest.h>

#include "fourier/fft.h"
#include "grid/voxels.h"
#include "reflections/crystal.h"

using namespace quilmo;
using namespace quilmo_test;

namespace {

// P-1 on a 4x4x4 grid with the given F-constraints in the expanded list.
struct Synthesis {
    RunState st;
    explicit Synthesis(const std::vector<FRefl>& f) {
        make_grid(st, {4, 4, 4});
        set_ops(st, {identity_op(3), diag_op({-1, -1, -1}, {0, 0, 0})}, true);
        build_rhotab(st);
        st.au.allocate(1, 2 * st.norb);
        st.nchan = 2;
        fftinit(st);
        st.memrefl.allocate(1, static_cast<long>(f.size()));
        for (std::size_t i = 0; i < f.size(); ++i) {
            reftyp& e = st.memrefl(static_cast<long>(i) + 1);
            for (int k = 0; k < 3; ++k) e.hklfg[static_cast<std::size_t>(k)] = f[i].h[static_cast<std::size_t>(k)];
            e.sfloc = arraylocation(st, e.hklfg, 2);
            e.a = f[i].a;
            e.b = f[i].b;
        }
        st.msec.f.start = 1;
        st.msec.f.end = static_cast<int>(f.size());
    }
    ~Synthesis() { fftfree(st); }
};

}  // namespace

TEST(FourierSynthesis, F000AloneGivesAFlatMap) {
    Synthesis s({{{0, 0, 0}, 128.0, 0.0}});
    ft(s.st);
    EXPECT_EQ(s.st.nchan, 1);
    for (int j = 1; j <= s.st.norb; ++j) EXPECT_NEAR(s.st.au(j), 2.0, 1e-12);
}

TEST(FourierSynthesis, ZeroF000GivesZeroAndOldSfIsCleared) {
    Synthesis s({{{0, 0, 0}, 0.0, 0.0}});
    std::fill(s.st.sf.density(), s.st.sf.density() + s.st.nvoxtot, 3.0);
    for (long i = 0; i < s.st.sf.nhalf(); ++i) s.st.sf.half()[i] = 3.0;
    ft(s.st);
    for (int j = 1; j <= s.st.norb; ++j) EXPECT_NEAR(s.st.au(j), 0.0, 1e-15);
}

TEST(FourierSynthesis, CosineWaveAtOrbitRepresentatives) {
    // F(100) = F(-100) = 32 gives rho(x) = 64 cos(2 pi x / 4) / 64.
    Synthesis s({{{0, 0, 0}, 0.0, 0.0}, {{1, 0, 0}, 32.0, 0.0}, {{-1, 0, 0}, 32.0, 0.0}});
    ft(s.st);
    long t = 1;
    for (int j = 1; j <= s.st.norb; ++j) {
        Coord8 c = coordinates(s.st, s.st.rhotab(t + 1), 1);
        t += s.st.rhotab(t) + 1;
        EXPECT_NEAR(s.st.au(j), std::cos(2 * 3.141592653589793 * c[0] / 4), 1e-12);
    }
}

TEST(FourierSynthesis, DifferenceMapIsOneChannelAndNamedAfterTheTitle) {
    Synthesis s({{{0, 0, 0}, 128.0, 0.0}, {{1, 0, 0}, 32.0, 0.0}, {{-1, 0, 0}, 32.0, 0.0}});
    RunFiles files(s.st);
    s.st.outrhotype = fixed("QLbinary", 264);
    s.st.title = fixed("difference", 132);
    s.st.cell.allocate(1, 7);
    for (int i = 1; i <= 3; ++i) s.st.cell(i) = 10, s.st.cell(i + 3) = 90;
    s.st.cell(7) = 1000;
    // The calculated structure factors match except at (+-1,0,0).
    s.st.memrefl(1).amem = 128.0;
    s.st.memrefl(2).amem = s.st.memrefl(3).amem = 16.0;
    diffour(s.st);
    EXPECT_EQ(s.st.nchan, 1);
    EXPECT_TRUE(files.dir.exists("t_diffour.m81"));
    EXPECT_EQ(trim(s.st.outrhofile), (files.dir / "t_diffour.m81").string());
    for (int v = 0; v < s.st.nvoxtot; ++v) {
        const double x = coordinates(s.st, v, 1)[0];
        EXPECT_NEAR(s.st.rho(v), 0.5 * std::cos(2 * 3.141592653589793 * x / 4), 1e-12);
    }
}
