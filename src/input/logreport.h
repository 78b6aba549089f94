// The report of the input in the log and the output listing.
#pragma once

#include "run/state.h"

namespace quilmo {

// Reflection locations, complete operator list, voxel-unit operators, then
// the log report (log closed afterwards) and the output-listing report.
void writelogfiles(RunState& st);

}  // namespace quilmo
