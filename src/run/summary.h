// What the run summary file (<title>.QLsum.json) reports beyond the run
// state: how the iteration ended, its cycle table and the density files
// written.  The steps fill it as they go; the file is written at the end of
// every run, a stopped one included.
#pragma once

#include <string>
#include <vector>

namespace quilmo {

// One evaluated cycle of the maximum-entropy iteration.
struct CycleRecord {
    int cycle = 0;
    double lambda = 0;      // multiplier used in the cycle
    double r = 0;           // R of F and G together
    double constraint = 0;  // combined FG constraint value
};

struct RunSummary {
    // How the iteration ended when it did not reach its aim: "cycle limit",
    // "user STOP" (command file) or "divergence" (lambda control off);
    // "normal" when it reached it; empty when no iteration ran.
    std::string iteration_end;
    std::vector<CycleRecord> cycles;
    std::vector<std::string> density_files;  // every density file written, in order
};

}  // namespace quilmo
