// Structure factors in the transform array, as the reflection lists see
// them: by the position `sfloc` of a reflection, whichever half of the
// spectrum holds it.
#pragma once

#include <atomic>

#include "run/parallel.h"
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

// Calls visit(i, slot) for the entries first..last of a list whose slots
// are `slots`, on st.nthreads threads when the list is long.  A position
// changed in place since the index was made re-indexes the lists and the
// whole range is visited again on this thread, so `visit` must give the
// same result when repeated.
template <class Slots, class Visit>
void for_entry_slots(RunState& st, const FArray<reftyp>& list, Slots slots, int first, int last, Visit visit) {
    const long n = static_cast<long>(last) - first + 1;
    const int parts = part_count(st.nthreads, n);
    if (parts > 1) {
        const TransformArray::Sparse& s = st.sf.sparse();
        const int* slot = (s.*slots).data();
        const int* loc = s.loc.data();
        std::atomic<bool> stale{false};
        for_parts(parts, n, [&](int, long begin, long end) {
            for (long j = begin; j < end; ++j) {
                const int i = first + static_cast<int>(j);
                const int k = slot[i - 1];
                if (loc[k] != list(i).sfloc) {
                    stale = true;
                    return;
                }
                visit(i, k);
            }
        });
        if (!stale) return;
    }
    for (int i = first; i <= last; ++i) visit(i, entry_slot(st, slots, i, list(i).sfloc));
}

// Sets F at the position of memrefl entries first..last to value(entry),
// with s from clear_sf.
template <class Value>
void write_memrefl_sf(RunState& st, TransformArray::Sparse& s, int first, int last, Value value) {
    for_entry_slots(st, st.memrefl, &TransformArray::Sparse::mem, first, last, [&](int i, int k) {
        s.value[static_cast<std::size_t>(k)] = value(st.memrefl(i));
    });
}

// Calls put(entry, F) with F at the position of entries first..last of a
// reflection list whose slots are `slots`.
template <class Slots, class Put>
void read_list_sf(RunState& st, FArray<reftyp>& list, Slots slots, int first, int last, Put put) {
    const TransformArray::Sparse& s = sparse_sf(st);
    for_entry_slots(st, list, slots, first, last, [&](int i, int k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        put(list(i), s.active ? s.value[kk] : st.sf.read(s.pos[kk]));
    });
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
