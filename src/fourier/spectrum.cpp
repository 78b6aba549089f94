#include "fourier/spectrum.h"

#include <algorithm>

namespace quilmo {

namespace {

// Every allocated entry is given a position, also entries beyond the
// section bounds: a writer or reader walking a section never steps off the
// index, whatever the bounds say.
int memrefl_count(const RunState& st) { return static_cast<int>(st.memrefl.size()); }
int refl_count(const RunState& st) { return static_cast<int>(st.refl.size()); }

// A hash of the grid and of both lists' positions: the index is remade
// whenever a list, or any position in it, has changed since.
unsigned long long positions_key(const RunState& st) {
    unsigned long long h = 1469598103934665603ULL;
    auto mix = [&h](long v) { h = (h ^ static_cast<unsigned long long>(v)) * 1099511628211ULL; };
    mix(st.sf.nvoxtot());
    const int nm = memrefl_count(st), nr = refl_count(st);
    mix(nm);
    for (int i = 1; i <= nm; ++i) mix(st.memrefl(i).sfloc);
    mix(nr);
    for (int i = 1; i <= nr; ++i) mix(st.refl(i).sfloc);
    return h;
}

void rebuild(RunState& st, TransformArray::Sparse& s, unsigned long long key) {
    const int nm = memrefl_count(st), nr = refl_count(st);
    s.loc.clear();
    for (int i = 1; i <= nm; ++i) s.loc.push_back(st.memrefl(i).sfloc);
    for (int i = 1; i <= nr; ++i) s.loc.push_back(st.refl(i).sfloc);
    std::sort(s.loc.begin(), s.loc.end());
    s.loc.erase(std::unique(s.loc.begin(), s.loc.end()), s.loc.end());
    s.pos.resize(s.loc.size());
    for (std::size_t i = 0; i < s.loc.size(); ++i) s.pos[i] = st.sf.position(s.loc[i]);
    s.value.assign(s.loc.size(), cplx{});
    s.mem.resize(static_cast<std::size_t>(nm));
    for (int i = 1; i <= nm; ++i) s.mem[static_cast<std::size_t>(i - 1)] = st.sf.sparse_index(st.memrefl(i).sfloc);
    s.refl.resize(static_cast<std::size_t>(nr));
    for (int i = 1; i <= nr; ++i) s.refl[static_cast<std::size_t>(i - 1)] = st.sf.sparse_index(st.refl(i).sfloc);
    s.key = key;
}

}  // namespace

TransformArray::Sparse& sparse_sf(RunState& st) {
    TransformArray::Sparse& s = st.sf.sparse();
    const unsigned long long key = positions_key(st);
    if (key != s.key || s.pos.size() != s.loc.size()) rebuild(st, s, key);
    return s;
}

TransformArray::Sparse& clear_sf(RunState& st) {
    TransformArray::Sparse& s = sparse_sf(st);
    std::fill(s.value.begin(), s.value.end(), cplx{});
    s.active = true;
    return s;
}

}  // namespace quilmo
