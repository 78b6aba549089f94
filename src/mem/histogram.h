// The residual histogram of the F-constraints and G groups (title.QLhst).
#pragma once

#include "run/state.h"

namespace quilmo {

// (|f| - |fmem|) / sigma of entry reflnr of refl.
double residf(const RunState& st, int reflnr);
// (G_obs - gcalc) / sigma of group gnr.
double residg(const RunState& st, int gnr);

// Appends one histogram to the file, which stays open in st.hst until the
// run ends.  key 1 adds the weighting and constrained-moment lines.
void histogram(RunState& st, int key);

}  // namespace quilmo
