// The report of the input in the log and the output listing.
#pragma once

#include "run/state.h"

namespace quilmo {

// Reflection locations, complete operator list, voxel-unit operators, then
// the log report (log closed afterwards) and the output-listing report.
void writelogfiles(RunState& st);

// Layout of the listing's side-by-side operator blocks: as many operators
// as fit in 132 characters per block, `full` full blocks, then `rest`
// operators in a last one.
struct OperatorBlocks {
    int per_block = 0;
    int full = 0;
    int rest = 0;
};
OperatorBlocks operator_blocks(int sdim, int nsym);

}  // namespace quilmo
