#include "reflections/orbits.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "grid/voxels.h"
#include "textio/stop.h"

namespace quilmo {

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

ReflOrbits::ReflOrbits(RunState& st) : st_(st) {
    allocate_or_stop("Error allocating SFFlag! Memory to small?",
                     [&] { flag_.assign(static_cast<std::size_t>(st.nvoxtot), 0); });
}

void ReflOrbits::clear() { std::fill(flag_.begin(), flag_.end(), 0); }

std::array<int, 9> hklimage(const RunState& st, const std::array<int, 9>& h, int j) {
    std::array<int, 9> out = h;
    for (int i = 1; i <= st.sdim; ++i) {
        int s = 0;
        for (int k = 1; k <= st.sdim; ++k)
            s = static_cast<int>(s + h[static_cast<std::size_t>(k - 1)] * st.rmat(k, i, j));
        out[static_cast<std::size_t>(i - 1)] = s;
    }
    return out;
}

int ReflOrbits::orbit(const reftyp& src, std::vector<reftyp>& out, bool phase) {
    const std::size_t first = out.size();
    take(src.sfloc);
    out.push_back(src);
    for (int j = 1; j <= st_.nsympoint; ++j) {
        std::array<int, 9> h = image(src.hklfg, j);
        int loc = arraylocation(st_, h, 2);
        if (taken(loc)) continue;
        take(loc);
        reftyp e = src;
        e.sfloc = loc;
        e.hklfg = h;
        if (phase) {
            double t = 0;
            for (int i = 1; i <= st_.sdim; ++i) t += src.hklfg[static_cast<std::size_t>(i - 1)] * st_.tvec(i, j);
            const double phi = kTwoPi * t, c = std::cos(phi), s = std::sin(phi);
            e.a = src.a * c + src.b * s;
            e.b = src.b * c - src.a * s;
        }
        out.push_back(e);
    }
    const int mult = static_cast<int>(out.size() - first);
    for (std::size_t i = first; i < out.size(); ++i) out[i].mult = mult;
    return mult;
}

std::string fhklheader(const char* weight) {
    return std::string(
               "     #     h   k   l...     A/Gobs             B             F         Sigma Group m "
               "   Arraylocation ") +
           weight;
}

FmtItems fhklitems(const RunState& st, const reftyp& e, int count) {
    FmtItems it;
    for (int i = 0; i < st.sdim; ++i) it.emplace_back(e.hklfg[static_cast<std::size_t>(i)]);
    it.insert(it.end(), {e.a, e.b, e.f, e.sigma, e.hklfg[8], e.mult, e.sfloc});
    if (count > 8) it.emplace_back(e.weight);
    return it;
}

void rebuildrefl(RunState& st, const std::vector<reftyp>& primary) {
    FArray<reftyp> refl;
    allocate_or_stop("Error allocating Refl! Memory to small?", [&] {
        refl.allocate(1, static_cast<long>(primary.size()) + st.totalfge() + 1);
    });
    int r = 0;
    for (int i = st.sec.f.start; i <= st.sec.f.end; ++i) refl(++r) = st.refl(i);
    for (const reftyp& e : primary) refl(++r) = e;
    for (int i = st.sec.g.start; i <= st.sec.g.end; ++i) refl(++r) = st.refl(i);
    for (int i = st.sec.extra.start; i <= st.sec.extra.end; ++i) refl(++r) = st.refl(i);
    st.refl = std::move(refl);
    // The counts come from the old bounds, so they are taken before any moves.
    const int totalf = st.totalf(), totalg = st.totalg(), totalextra = st.totalextra();
    st.sec.f.start = 1;
    st.sec.f.end = totalf;
    st.sec.prif.start = st.sec.f.end + 1;
    st.sec.prif.end = st.sec.f.end + static_cast<int>(primary.size());
    st.sec.g.start = st.sec.prif.end + 1;
    st.sec.g.end = st.sec.g.start + totalg - 1;
    st.sec.extra.start = st.sec.g.end + 1;
    st.sec.extra.end = st.sec.extra.start + totalextra - 1;
}

}  // namespace quilmo
