#include "grid/voxels.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "grid/orbitlist.h"
#include "run/parallel.h"
#include "run/simd.h"
#include "textio/stop.h"

namespace quilmo {

int arraylocation(const RunState& st, const Coord8& idhkl, int idelta) {
    int loc = 0;
    for (int i = 1; i <= st.sdim; ++i) {
        int nv = st.nvox(i);
        int k = idhkl[static_cast<std::size_t>(i - 1)] % nv;
        if (k < 0) k += nv;
        loc += k * st.n(i - 1);
    }
    return idelta * loc;
}

int arraylocation(const RunState& st, const std::array<int, 9>& hklfg, int idelta) {
    Coord8 c{};
    for (int i = 0; i < st.sdim; ++i) c[static_cast<std::size_t>(i)] = hklfg[static_cast<std::size_t>(i)];
    return arraylocation(st, c, idelta);
}

Coord8 coordinates(const RunState& st, int iarrloc, int idelta) {
    Coord8 o{};
    int r = iarrloc / idelta;
    for (int i = st.sdim; i >= 1; --i) {
        o[static_cast<std::size_t>(i - 1)] = r / st.n(i - 1);
        r -= o[static_cast<std::size_t>(i - 1)] * st.n(i - 1);
    }
    return o;
}

Coord8 symop(const RunState& st, int isymn, const Coord8& ixyz) {
    Coord8 o{};
    for (int i = 1; i <= st.sdim; ++i) {
        int s = st.tveci(i, isymn);
        for (int j = 1; j <= st.sdim; ++j) s += st.rmati(i, j, isymn) * ixyz[static_cast<std::size_t>(j - 1)];
        o[static_cast<std::size_t>(i - 1)] = s;
    }
    return o;
}

void remap(const RunState& st, Coord8& xyz) {
    for (int i = 1; i <= st.sdim; ++i) {
        int& x = xyz[static_cast<std::size_t>(i - 1)];
        int nv = st.nvox(i);
        if (x >= 0)
            x %= nv;
        else
            x += nv * (x / nv + 1);
    }
}

namespace {
// Calls put(v, value) for every voxel v with the density au of its orbit
// (the positive minus the negative channel with two channels).
template <class Put>
void spread_orbits(const RunState& st, const double* au, bool two, Put put) {
    const int norb = st.norb;
    for_each_orbit(st.rhotab, norb, [&](int i, Orbit orbit) {
        const int k = i - 1;
        const double v = two ? au[k] - au[k + norb] : au[k];
        for (int k = 0; k < orbit.m; ++k) put(orbit.voxel[k], v);
    });
}
}  // namespace

void expandrho(RunState& st) {
    // The iterations hand the full-grid density back while they run (see
    // release_rho); it comes back here, when a map is wanted.
    if (st.rho.size() != st.nvoxtot)
        allocate_or_stop("Error allocating electron density!!", [&] { st.rho.allocate(0, st.lstrhoel); });
    st.rho.fill(0.0);
    double* rho = st.rho.data();
    spread_orbits(st, st.au.data(), st.nchan == 2, [rho](int v, double value) { rho[v] = value; });
}

namespace {
// Where each of `parts` equal runs of orbits starts: its first orbit
// (0-based) and that orbit's place in rhotab.  Remembered for the table it
// was found for, because finding it takes a walk through the whole table.
const std::vector<std::pair<int, long>>& orbit_part_starts(const RunState& st, int parts) {
    struct Known {
        const int* tab = nullptr;
        long size = 0;
        int norb = 0, parts = 0;
        std::vector<std::pair<int, long>> start;
    };
    static Known known;
    if (known.tab == st.rhotab.data() && known.size == st.rhotab.size() && known.norb == st.norb &&
        known.parts == parts)
        return known.start;
    known = Known{st.rhotab.data(), st.rhotab.size(), st.norb, parts, {}};
    int next = 0;
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        const long first = static_cast<long>(st.norb) * next / parts;
        if (next < parts && i - 1 == first) {
            known.start.emplace_back(i - 1, orbit.voxel - 1 - st.rhotab.data());
            ++next;
        }
    });
    return known.start;
}

void spread_sf(RunState& st, const double* au, bool two) {
    double* rho = st.sf.density();
    // A table whose orbits hold nvoxtot voxels in all covers the grid (a
    // stored table is checked to be a partition when it is read), so every
    // voxel is overwritten and clearing first would be wasted.
    if (st.rhotab.size() != st.norb + static_cast<long>(st.nvoxtot))
        std::fill(rho, rho + st.sf.nvoxtot(), 0.0);
    const int parts = part_count(st.nthreads, st.norb);
    if (parts == 1) {
        spread_orbits(st, au, two, [rho](int v, double value) { rho[v] = value; });
        return;
    }
    const std::vector<std::pair<int, long>>& start = orbit_part_starts(st, parts);
    const int norb = st.norb;
    const int* tab = st.rhotab.data();
    for_parts(parts, norb, [&](int k, long begin, long end) {
        long t = start[static_cast<std::size_t>(k)].second;
        for (long i = begin; i < end; ++i) {
            const int m = tab[t];
            const double v = two ? au[i] - au[i + norb] : au[i];
            for (int j = 1; j <= m; ++j) rho[tab[t + j]] = v;
            t += m + 1;
        }
    });
}
}  // namespace

void expandsf(RunState& st) { spread_sf(st, st.au.data(), st.nchan == 2); }

void expandsf(RunState& st, const double* au) { spread_sf(st, au, false); }

namespace {
QUILMO_CLONES
void spread_voxels(double* rho, const int* of, const double* au, long begin, long end) {
    QUILMO_SIMD()
    for (long v = begin; v < end; ++v) rho[v] = au[of[v]];
}
}  // namespace

void expandsf(RunState& st, const double* au, const std::vector<int>& of) {
    double* rho = st.sf.density();
    const long n = static_cast<long>(of.size());
    for_parts(part_count(st.nthreads, n), n,
              [&](int, long begin, long end) { spread_voxels(rho, of.data(), au, begin, end); });
}

}  // namespace quilmo
