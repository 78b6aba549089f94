#include <cmath>
#include <cstdlib>

#include "fourier/fft.h"
#include "grid/voxels.h"
#include "reflections/orbits.h"
#include "reflections/weights.h"
#include "run/templates.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// Indices of a grid position, folded so that they run from -nvox/2 upwards.
// An axis of a single voxel has only the index 0.
std::array<int, 9> folded_indices(const RunState& st, int p) {
    Coord8 k = coordinates(st, p, 2);
    std::array<int, 9> h{};
    for (int i = 1; i <= st.sdim; ++i) {
        int& x = k[static_cast<std::size_t>(i - 1)];
        if (x > 0 && x >= st.nvox(i) / 2) x -= st.nvox(i);
        h[static_cast<std::size_t>(i - 1)] = x;
    }
    return h;
}

// A free position with a non-vanishing structure factor inside the
// resolution shell and the satellite limit.
bool qualifies(const RunState& st, const ReflOrbits& orbits, int p, std::array<int, 9>& h) {
    if (orbits.taken(p)) return false;
    const cplx f = st.sf.read(st.sf.position(p));
    if (std::fabs(f.real()) + std::fabs(f.imag()) <= 1e-13) return false;
    h = folded_indices(st, p);
    for (int i = st.rdim + 1; i <= st.sdim; ++i)
        if (std::abs(h[static_cast<std::size_t>(i - 1)]) > st.maxprisat) return false;
    double v[8] = {};
    for (int i = 0; i < st.sdim; ++i) v[i] = h[static_cast<std::size_t>(i)];
    const double d = vlen(st, v, true);
    return d >= 2 * st.pristhmin && d <= 2 * st.pristhmax;
}

void listing(RunState& st) {
    TextOut& log = st.log;
    TextOut con(*st.con);
    con.list({st.totalprif(), st.totalf(), st.totalg()});
    log.list();
    log.write("(A)", {"Structure factors added from prior:"});
    log.list();
    log.list();
    if (st.totalprif() > 0) {
        log.write("(A,I10)", {"Start P: ", st.sec.prif.start});
        log.write("(A,I10)", {"End P: ", st.sec.prif.end});
        log.list();
        log.write("(A)", {fhklheader("Weight")});
        for (int r = st.sec.prif.start; r <= st.sec.prif.end; ++r) {
            log.write("(I6,A)", {r, ": "}, false);
            log.write(fhklform(st.sdim), fhklitems(st, st.refl(r)));
        }
    } else {
        log.list();
        log.write("(A)", {" No reflections added!"});
        log.list();
    }
}

// The prior's structure factors chosen for the P section: every expanded
// entry, and the first entry of each orbit for the input list.
struct PriorChoice {
    std::vector<reftyp> prirefl, primary;
};

// Positions of F-constraints and their Friedel mates stay closed to prior
// structure factors even after the G pass has released its flags;
// otherwise a P entry could take an F position and its gradient would
// overwrite the F one.
void close_f_positions(const RunState& st, ReflOrbits& orbits, const std::vector<reftyp>& work) {
    for (int i = 0; i < st.mtotalf(); ++i) orbits.take(work[static_cast<std::size_t>(i)].sfloc);
}

// Walks the prior's transform in position order and expands each qualifying
// position into its orbit.  An orbit takes its positions as it goes, so a
// later position that is an image of an accepted one no longer qualifies.
PriorChoice choose_priors(const RunState& st, ReflOrbits& orbits) {
    std::array<int, 9> h{};
    long count = 0;
    for (int p = 0; p < st.lstel; p += 2)
        if (qualifies(st, orbits, p, h)) ++count;

    // Images of an accepted position need not pass the test themselves, so
    // the count bounds only the primary entries; the list grows as needed.
    PriorChoice c;
    allocate_or_stop("Error allocating PriRefl! Memory too small?", [&] {
        c.prirefl.reserve(static_cast<std::size_t>(std::max(st.mtotalfg(), st.totalfge()) + count));
    });
    allocate_or_stop("Error allocating PriIndFl! Memory too small?",
                     [&] { c.primary.reserve(static_cast<std::size_t>(count)); });

    allocate_or_stop("Error allocating PriRefl! Memory too small?", [&] {
        for (int p = 0; p < st.lstel; p += 2) {
            if (!qualifies(st, orbits, p, h)) continue;
            reftyp e;
            const cplx f = st.sf.read(st.sf.position(p));
            e.a = f.real();
            e.b = f.imag();
            e.f = std::sqrt(e.a * e.a + e.b * e.b);
            e.sigma = st.prisigma;
            e.weight = 1.0 / (st.prisigma * st.prisigma);
            e.sfloc = p;
            e.modwg = 1;
            e.hklfg = h;
            const std::size_t first = c.prirefl.size();
            orbits.orbit(e, c.prirefl, true);
            c.primary.push_back(c.prirefl[first]);
        }
    });
    return c;
}

// Puts the P section between F and G in both lists and moves the section
// bounds behind it.
void splice_priors(RunState& st, const PriorChoice& c, std::vector<reftyp>& work) {
    const int mtotalprif = static_cast<int>(c.prirefl.size());
    const int mtotalg = st.mtotalg();  // from the bounds before they move

    // Expanded list: F, then P, then G.
    allocate_or_stop("Error allocating DMEMRefl! Memory to small?", [&] {
        work.insert(work.begin() + st.msec.f.end, c.prirefl.begin(), c.prirefl.end());
    });
    st.msec.prif.start = st.msec.f.end + 1;
    st.msec.prif.end = st.msec.f.end + mtotalprif;
    st.msec.g.start = st.msec.prif.end + 1;
    st.msec.g.end = st.msec.prif.end + mtotalg;

    rebuildrefl(st, c.primary);
}

}  // namespace

void addpriorsf(RunState& st, ReflOrbits& orbits, std::vector<reftyp>& work) {
    close_f_positions(st, orbits, work);
    expandsf(st);
    fft(st, 1);
    splice_priors(st, choose_priors(st, orbits), work);
    listing(st);
}

}  // namespace quilmo
