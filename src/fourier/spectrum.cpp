#include "fourier/spectrum.h"

#include <algorithm>
#include <cstdint>

namespace quilmo {

namespace {

// Every allocated entry is given a position, also entries beyond the
// section bounds: a writer or reader walking a section never steps off the
// index, whatever the bounds say.
int memrefl_count(const RunState& st) { return static_cast<int>(st.memrefl.size()); }
int refl_count(const RunState& st) { return static_cast<int>(st.refl.size()); }

// Identifies the grid and the two lists by their places and sizes, which
// is cheap enough for every call; a position changed in place is caught by
// the readers and writers, which compare each entry's position with the
// one its slot holds (see `at_entry`).
unsigned long long lists_key(const RunState& st) {
    unsigned long long h = 1469598103934665603ULL;
    auto mix = [&h](unsigned long long v) { h = (h ^ v) * 1099511628211ULL; };
    mix(static_cast<unsigned long long>(st.sf.nvoxtot()));
    mix(reinterpret_cast<std::uintptr_t>(st.memrefl.data()));
    mix(static_cast<unsigned long long>(st.memrefl.size()));
    mix(reinterpret_cast<std::uintptr_t>(st.refl.data()));
    mix(static_cast<unsigned long long>(st.refl.size()));
    return h;
}

// The positions of both lists, sorted and unique.  Values already written
// stay at their positions.
void rebuild(RunState& st, TransformArray::Sparse& s, unsigned long long key) {
    const int nm = memrefl_count(st), nr = refl_count(st);
    std::vector<int> loc;
    loc.reserve(static_cast<std::size_t>(nm + nr));
    for (int i = 1; i <= nm; ++i) loc.push_back(st.memrefl(i).sfloc);
    for (int i = 1; i <= nr; ++i) loc.push_back(st.refl(i).sfloc);
    std::sort(loc.begin(), loc.end());
    loc.erase(std::unique(loc.begin(), loc.end()), loc.end());
    std::vector<cplx> value(loc.size());
    for (std::size_t i = 0; i < s.loc.size() && i < s.value.size(); ++i) {
        const auto it = std::lower_bound(loc.begin(), loc.end(), s.loc[i]);
        if (it != loc.end() && *it == s.loc[i]) value[static_cast<std::size_t>(it - loc.begin())] = s.value[i];
    }
    s.loc = std::move(loc);
    s.value = std::move(value);
    s.pos.resize(s.loc.size());
    for (std::size_t i = 0; i < s.loc.size(); ++i) s.pos[i] = st.sf.position(s.loc[i]);
    s.mem.resize(static_cast<std::size_t>(nm));
    for (int i = 1; i <= nm; ++i) s.mem[static_cast<std::size_t>(i - 1)] = st.sf.sparse_index(st.memrefl(i).sfloc);
    s.refl.resize(static_cast<std::size_t>(nr));
    for (int i = 1; i <= nr; ++i) s.refl[static_cast<std::size_t>(i - 1)] = st.sf.sparse_index(st.refl(i).sfloc);
    s.key = key;
}

}  // namespace

TransformArray::Sparse& sparse_sf(RunState& st) {
    TransformArray::Sparse& s = st.sf.sparse();
    const unsigned long long key = lists_key(st);
    if (key != s.key) rebuild(st, s, key);
    return s;
}

TransformArray::Sparse& resync_sf(RunState& st) {
    TransformArray::Sparse& s = st.sf.sparse();
    rebuild(st, s, lists_key(st));
    return s;
}

TransformArray::Sparse& clear_sf(RunState& st) {
    TransformArray::Sparse& s = sparse_sf(st);
    cplx* v = s.value.data();
    const long n = static_cast<long>(s.value.size());
    for_parts(part_count(st.nthreads, n), n, [v](int, long begin, long end) { std::fill(v + begin, v + end, cplx{}); });
    s.active = true;
    return s;
}

}  // namespace quilmo
