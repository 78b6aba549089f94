// quilmo-import's run: read, merge, scale, phase, choose the grid, write the
// keyword file, report on the console.
#pragma once

#include <ostream>

#include "import/options.h"

namespace quilmo {

// Bad input ends with a stop (RunStop) before anything is written.
void run_import(const ImportOptions& o, std::ostream& out);

}  // namespace quilmo
