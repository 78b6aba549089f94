// The residual histogram of the F-constraints and G groups (title.QLhst).
#pragma once

#include <string>

#include "run/state.h"

namespace quilmo {

// (|f| - |fmem|) / sigma of entry reflnr of refl.
double residf(const RunState& st, int reflnr);
// (G_obs - gcalc) / sigma of group gnr.
double residg(const RunState& st, int gnr);

// The line of bin `bin` (residuals from (bin - 0.5)/5 to (bin + 0.5)/5)
// holding `count` residuals: the bin centre, the count, a bar scaled so that
// `maxcnt` residuals fill a hundred marks, and the mark of the normal curve
// expected for `totalfg` residuals (a backslash left of the centre, '/' right,
// '|' in it).
std::string histogram_bar(long bin, int count, int maxcnt, long totalfg);

// Appends one histogram to the file, which stays open in st.hst until the
// run ends.  key 1 adds the weighting and constrained-moment lines.
void histogram(RunState& st, int key);

}  // namespace quilmo
