// Sorting the expanded list by transform position, and the transfers of
// calculated structure factors from sf into the reflection lists.
#pragma once

#include "run/state.h"

namespace quilmo {

void indexarray(RunState& st);
// indx(1..n) such that arr(indx(1)) <= arr(indx(2)) <= ... (arrays 1-based).
void indexx(int n, const FArray<int>& arr, FArray<int>& indx);
void sf2refl(RunState& st);
void sf2memrefl(RunState& st);

}  // namespace quilmo
