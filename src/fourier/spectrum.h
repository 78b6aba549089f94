// Structure factors in the transform array, as the reflection lists see
// them: by the position `sfloc` of a reflection, whichever half of the
// spectrum holds it.
#pragma once

#include "run/state.h"

namespace quilmo {

// The sparse positions of sf, brought up to date with the reflection lists
// memrefl and refl (every allocated entry) when the lists were replaced.
TransformArray::Sparse& sparse_sf(RunState& st);

// The same, made anew from the lists' positions whatever they are; values
// already written stay at their positions.
TransformArray::Sparse& resync_sf(RunState& st);

// Every structure factor 0 before a writer sets some: the sparse values are
// cleared and become what sf holds.
TransformArray::Sparse& clear_sf(RunState& st);

// The slot of entry i (1-based) of a list whose slots are `slots`: a
// position changed in place since the index was made sends it through
// resync_sf first.
template <class Slots>
inline int entry_slot(RunState& st, Slots slots, int i, int sfloc) {
    const TransformArray::Sparse& s = st.sf.sparse();
    int k = (s.*slots)[static_cast<std::size_t>(i - 1)];
    if (s.loc[static_cast<std::size_t>(k)] != sfloc) k = (resync_sf(st).*slots)[static_cast<std::size_t>(i - 1)];
    return k;
}

// Sets F at the position of memrefl entries first..last to value(entry),
// with s from clear_sf.
template <class Value>
void write_memrefl_sf(RunState& st, TransformArray::Sparse& s, int first, int last, Value value) {
    for (int i = first; i <= last; ++i) {
        const reftyp& e = st.memrefl(i);
        s.value[static_cast<std::size_t>(entry_slot(st, &TransformArray::Sparse::mem, i, e.sfloc))] = value(e);
    }
}

// Calls put(entry, F) with F at the position of entries first..last of a
// reflection list whose slots are `slots`.
template <class Slots, class Put>
void read_list_sf(RunState& st, FArray<reftyp>& list, Slots slots, int first, int last, Put put) {
    const TransformArray::Sparse& s = sparse_sf(st);
    for (int i = first; i <= last; ++i) {
        reftyp& e = list(i);
        const std::size_t k = static_cast<std::size_t>(entry_slot(st, slots, i, e.sfloc));
        put(e, s.active ? s.value[k] : st.sf.read(s.pos[k]));
    }
}

// The same for memrefl entries first..last, and for refl entries.
template <class Put>
void read_memrefl_sf(RunState& st, int first, int last, Put put) {
    read_list_sf(st, st.memrefl, &TransformArray::Sparse::mem, first, last, put);
}
template <class Put>
void read_refl_sf(RunState& st, int first, int last, Put put) {
    read_list_sf(st, st.refl, &TransformArray::Sparse::refl, first, last, put);
}

}  // namespace quilmo
