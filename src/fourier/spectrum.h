// Structure factors in the transform array, as the reflection lists see
// them: by the position `sfloc` of a reflection, whichever half of the
// spectrum holds it.
#pragma once

#include "run/state.h"

namespace quilmo {

// The sparse positions of sf, brought up to date with the positions of the
// reflection lists memrefl (1..mtotalfpg) and refl (1..totalfge) first.
TransformArray::Sparse& sparse_sf(RunState& st);

// Every structure factor 0 before a writer sets some: the sparse values are
// cleared and become what sf holds.
TransformArray::Sparse& clear_sf(RunState& st);

// Sets F at the position of memrefl entries first..last to value(entry),
// with s from clear_sf.
template <class Value>
void write_memrefl_sf(RunState& st, TransformArray::Sparse& s, int first, int last, Value value) {
    const int* slot = s.mem.data() - 1;
    for (int i = first; i <= last; ++i) s.value[static_cast<std::size_t>(slot[i])] = value(st.memrefl(i));
}

// Calls put(entry, F) with F at the position of memrefl entries first..last.
template <class Put>
void read_memrefl_sf(RunState& st, int first, int last, Put put) {
    TransformArray::Sparse& s = sparse_sf(st);
    const int* slot = s.mem.data() - 1;
    if (s.active) {
        for (int i = first; i <= last; ++i) put(st.memrefl(i), s.value[static_cast<std::size_t>(slot[i])]);
    } else {
        for (int i = first; i <= last; ++i) put(st.memrefl(i), st.sf.read(s.pos[static_cast<std::size_t>(slot[i])]));
    }
}

// The same for refl entries first..last.
template <class Put>
void read_refl_sf(RunState& st, int first, int last, Put put) {
    TransformArray::Sparse& s = sparse_sf(st);
    const int* slot = s.refl.data() - 1;
    if (s.active) {
        for (int i = first; i <= last; ++i) put(st.refl(i), s.value[static_cast<std::size_t>(slot[i])]);
    } else {
        for (int i = first; i <= last; ++i) put(st.refl(i), st.sf.read(s.pos[static_cast<std::size_t>(slot[i])]));
    }
}

}  // namespace quilmo
