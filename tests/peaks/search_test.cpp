// The peak search on maps of Gaussian atoms: refined positions and heights,
// basins that add up to the map, symmetry merging with site multiplicities,
// special positions and the distances between peaks.
#include <gtest/gtest.h>

#include "gauss_map.h"
#include "peaks/basins.h"
#include "peaks/table.h"

using namespace quilmo;
using quilmo_test::GaussAtom;
using quilmo_test::GaussCrystal;
using quilmo_test::Op;

namespace {

const std::vector<double> kZero = {0, 0, 0};

std::vector<Op> p21c() {
    return {{{1, 0, 0, 0, 1, 0, 0, 0, 1}, kZero},
            {{-1, 0, 0, 0, 1, 0, 0, 0, -1}, {0, 0.5, 0.5}},
            {{-1, 0, 0, 0, -1, 0, 0, 0, -1}, kZero},
            {{1, 0, 0, 0, -1, 0, 0, 0, 1}, {0, 0.5, 0.5}}};
}

// The 48 signed permutations of m-3m, identity first.
std::vector<Op> m3m() {
    const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    std::vector<Op> ops;
    for (const auto& p : perms)
        for (int signs = 0; signs < 8; ++signs) {
            Op op{std::vector<double>(9, 0.0), kZero};
            for (int i = 0; i < 3; ++i)
                op.r[static_cast<std::size_t>(3 * i + p[i])] = (signs >> i & 1) ? -1 : 1;
            ops.push_back(op);
        }
    return ops;
}

struct Expected {
    GaussAtom atom;
    int site;
    int copies;
};

struct Case {
    const char* name;
    std::vector<double> cell;
    std::vector<int> nvox;
    std::vector<Op> ops;
    std::vector<std::vector<double>> centers;
    std::vector<Expected> atoms;
};

const Case kCases[] = {
    {"P1 triclinic",
     {6.1, 7.3, 8.2, 78, 96, 104},
     {30, 36, 40},
     {{{1, 0, 0, 0, 1, 0, 0, 0, 1}, kZero}},
     {},
     {{{{0.113, 0.207, 0.291}, 8}, 1, 1},
      {{{0.452, 0.611, 0.157}, 6}, 1, 1},
      {{{0.702, 0.347, 0.803}, 7}, 1, 1}}},
    {"P2_1/c, an atom on an inversion centre",
     {7.0, 8.0, 9.0, 90, 100, 90},
     {36, 40, 44},
     p21c(),
     {},
     {{{{0.0, 0.0, 0.0}, 8}, 2, 2}, {{{0.231, 0.133, 0.371}, 6}, 1, 4}, {{{0.5, 0.5, 0.0}, 7}, 2, 2}}},
    {"Fm-3m, NaCl",
     {5.64, 5.64, 5.64, 90, 90, 90},
     {24, 24, 24},
     m3m(),
     {{0, 0, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}, {0.5, 0.5, 0}},
     {{{{0, 0, 0}, 10}, 48, 4}, {{{0.5, 0.5, 0.5}, 18}, 48, 4}}},
};

constexpr double kSigma = 0.25;  // A

TEST(FindPeaks, GaussianAtomsArePlacedWeighedAndCountedByTheirSymmetry) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        GaussCrystal g(c.cell, c.nvox, c.ops, c.centers);
        ASSERT_EQ(g.errcd, 0) << g.con.str();
        std::vector<GaussAtom> atoms;
        for (const Expected& e : c.atoms) atoms.push_back(e.atom);
        g.fill(atoms, kSigma);
        const Frame f = frame_of(g.st);
        const PeakTable t = findpeaks(f, g.st.rho.data(), 10000);

        ASSERT_EQ(t.peaks.size(), c.atoms.size());
        double sum = 0, expected_total = 0;
        for (const Peak& p : t.peaks) sum += p.copies * p.electrons;
        EXPECT_NEAR(sum + t.unlisted, t.total, 1e-9 * t.total);
        for (const Expected& e : c.atoms) {
            expected_total += e.copies * e.atom.z;
            // The peak on an image of the atom.
            const Peak* found = nullptr;
            double d = 1e9;
            for (const Peak& p : t.peaks)
                for (const SymOp& op : f.ops) {
                    const double r = length(f, wrapped(image(op, e.atom.x), p.x));
                    if (r < d) d = r, found = &p;
                }
            ASSERT_NE(found, nullptr);
            EXPECT_LT(d, 0.01) << e.atom.z;
            EXPECT_NEAR(found->height, quilmo_test::gauss_height(e.atom.z, kSigma),
                        0.01 * quilmo_test::gauss_height(e.atom.z, kSigma));
            EXPECT_NEAR(found->electrons, e.atom.z, 0.01 * e.atom.z);
            EXPECT_EQ(found->site, e.site);
            EXPECT_EQ(found->copies, e.copies);
        }
        EXPECT_NEAR(t.total, expected_total, 1e-3 * expected_total);
    }
}

TEST(FindPeaks, NeighboursAreEveryDistinctImageWithItsOperator) {
    const Case& nacl = kCases[2];
    GaussCrystal g(nacl.cell, nacl.nvox, nacl.ops, nacl.centers);
    g.fill({{{0, 0, 0}, 10}, {{0.5, 0.5, 0.5}, 18}}, kSigma);
    const Frame f = frame_of(g.st);
    PeakTable t = findpeaks(f, g.st.rho.data(), 10000);
    assemble(f, t.peaks);
    findcontacts(f, t.peaks);
    ASSERT_EQ(t.peaks.size(), 2u);
    for (const Peak& p : t.peaks) {
        // Six neighbours of the other kind at a/2; the next (a/sqrt 2) lie
        // beyond 3 A.
        ASSERT_EQ(p.contacts.size(), 6u) << p.label;
        for (const Contact& k : p.contacts) {
            EXPECT_NE(k.peak, &p - &t.peaks[0]);
            EXPECT_NEAR(k.distance, 2.82, 1e-6);
            const Peak& q = t.peaks[static_cast<std::size_t>(k.peak)];
            Vec3 y = image(f.ops[static_cast<std::size_t>(k.op - 1)], q.x);
            for (int i = 0; i < 3; ++i) y[i] += k.cell[i];
            EXPECT_NEAR(length(f, Vec3{y[0] - p.x[0], y[1] - p.x[1], y[2] - p.x[2]}), 2.82, 1e-6);
        }
    }
}

TEST(FindPeaks, ListStopsAtTheCopiesAskedFor) {
    const Case& c = kCases[1];
    GaussCrystal g(c.cell, c.nvox, c.ops, c.centers);
    g.fill({{{0, 0, 0}, 8}, {{0.231, 0.133, 0.371}, 6}, {{0.5, 0.5, 0}, 7}}, kSigma);
    const Frame f = frame_of(g.st);
    // 2 copies of the first peak, 2 of the second: the third is not listed,
    // and its basin is counted apart.
    const PeakTable t = findpeaks(f, g.st.rho.data(), 3);
    ASSERT_EQ(t.peaks.size(), 2u);
    EXPECT_NEAR(t.unlisted, 4 * 6, 0.01 * 4 * 6);
}

TEST(SiteSymmetry, APeakNearASpecialPositionIsPutOnIt) {
    const Case& c = kCases[1];
    GaussCrystal g(c.cell, c.nvox, c.ops, c.centers);
    const Frame f = frame_of(g.st);
    struct Near {
        Vec3 x;
        Vec3 on;
        int site;
    };
    const Near cases[] = {
        {{0.01, 0.005, 0}, {0, 0, 0}, 2},        // 0.08 A from the inversion centre
        {{0.04, 0, 0}, {0.04, 0, 0}, 1},         // 0.28 A: a general position
        {{0.5, 0.49, 0.003}, {0.5, 0.5, 0}, 2},  // 0.08 A from the centre at 1/2 1/2 0
    };
    for (const Near& n : cases) {
        Vec3 x = n.x;
        EXPECT_EQ(sitesymmetry(f, x), n.site);
        EXPECT_LT(length(f, wrapped(x, n.on)), 1e-9);
    }
    // In m-3m the 3-fold axis through 1/4 1/4 1/4 (site -43m, order 24 with
    // the centering): 0.1 A off along x.
    const Case& nacl = kCases[2];
    GaussCrystal cubic(nacl.cell, nacl.nvox, nacl.ops, nacl.centers);
    const Frame fc = frame_of(cubic.st);
    Vec3 x = {0.25 + 0.1 / 5.64, 0.25, 0.25};
    EXPECT_EQ(sitesymmetry(fc, x), 24);
    EXPECT_LT(length(fc, wrapped(x, {0.25, 0.25, 0.25})), 1e-9);
}

TEST(GridBasins, APlateauHasOneMaximumAndEveryVoxelABasin) {
    const std::array<int, 3> nv = {4, 3, 5};
    const std::array<double, 9> g = {16, 0, 0, 0, 9, 0, 0, 0, 25};
    std::vector<double> flat(60, 1.0);
    Basins b = gridbasins(flat.data(), nv, g);
    ASSERT_EQ(b.maxima.size(), 1u);
    for (int of : b.of) EXPECT_EQ(of, 0);

    // Two peaks, a plateau of 6 (maximum 1, the last voxel of the plane
    // x = 0) and a single 4 (maximum 0): each keeps its basin while both are
    // strong, and one flagged weak joins the other across their pass.
    std::vector<double> two(60, 0.0);
    for (int v = 0; v < 60; ++v) {
        const int i = v % 4;
        two[static_cast<std::size_t>(v)] =
            1.0 + (i == 0 ? 5 : 0) + (i == 2 && v / 4 % 3 == 1 && v / 12 == 2 ? 3 : 0);
    }
    b = gridbasins(two.data(), nv, g);
    ASSERT_EQ(b.maxima.size(), 2u);
    const std::vector<int> kept = joinweak(two.data(), nv, b, {1, 1});
    EXPECT_EQ(kept, (std::vector<int>{0, 1}));
    const std::vector<int> joined = joinweak(two.data(), nv, b, {1, 0});
    EXPECT_EQ(joined, (std::vector<int>{0, 0}));
}

TEST(FitMax, LogQuadraticIsExactForAGaussianAndTheQuadraticTakesOverOnNegativeValues) {
    const std::array<int, 3> nv = {8, 8, 8};
    std::vector<double> rho(512);
    const double c[3] = {3.3, 4.1, 3.8};  // the true maximum, voxel units
    for (int v = 0; v < 512; ++v) {
        const double d[3] = {v % 8 - c[0], v / 8 % 8 - c[1], v / 64 - c[2]};
        rho[static_cast<std::size_t>(v)] =
            5 * std::exp(-(d[0] * d[0] / 2 + d[1] * d[1] / 3 + d[2] * d[2] / 1.5));
    }
    const int top = 3 + 8 * 4 + 64 * 4;
    MaxFit fit = fitmax(rho.data(), nv, top);
    EXPECT_NEAR(fit.shift[0], 0.3, 1e-9);
    EXPECT_NEAR(fit.shift[1], 0.1, 1e-9);
    EXPECT_NEAR(fit.shift[2], -0.2, 1e-9);
    EXPECT_NEAR(fit.value, 5, 1e-9);
    // A paraboloid that dips below zero at the corners.
    for (int v = 0; v < 512; ++v) {
        const double d[3] = {v % 8 - c[0], v / 8 % 8 - c[1], v / 64 - c[2]};
        rho[static_cast<std::size_t>(v)] = 1 - 0.3 * (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    fit = fitmax(rho.data(), nv, top);
    EXPECT_NEAR(fit.shift[0], 0.3, 1e-9);
    EXPECT_NEAR(fit.value, 1, 1e-9);
}

}  // namespace

namespace {

// A map of noise with negative values and plateaus (values on a coarse
// ladder): every ascent ends, every voxel lands in a basin, and the basins
// of the listed and the unlisted peaks add up to the map.
TEST(FindPeaks, NoiseWithPlateausAndNegativeValuesStillAddsUp) {
    const Case& c = kCases[1];
    GaussCrystal g(c.cell, c.nvox, c.ops, c.centers);
    unsigned state = 12345;
    for (int v = 0; v < g.st.nvoxtot; ++v) {
        state = state * 1103515245u + 12345u;
        g.st.rho(v) = static_cast<double>(state >> 16 & 7) - 3.0;
    }
    const Frame f = frame_of(g.st);
    for (int limit : {1, 40, 100000}) {
        PeakTable t = findpeaks(f, g.st.rho.data(), limit);
        assemble(f, t.peaks);
        findcontacts(f, t.peaks);
        double sum = t.unlisted;
        for (const Peak& p : t.peaks) {
            sum += p.copies * p.electrons;
            EXPECT_EQ(p.copies * p.site, 4);
            EXPECT_GE(p.height, t.cut);
        }
        EXPECT_NEAR(sum, t.total, 1e-6);
        EXPECT_FALSE(t.peaks.empty());
        EXPECT_LT(t.peaks.size(), static_cast<std::size_t>(t.maxima));
    }
}

}  // namespace
