// What the run summary file (<title>.QLsum.json) reports beyond the run
// state: how the iteration ended, its cycle table, what charge flipping
// found and the density files written.  The steps fill it as they go; the file is written at the end of
// every run, a stopped one included.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quilmo {

// One evaluated cycle of the maximum-entropy iteration (one evaluation of
// the dual for algorithm DUAL).
struct CycleRecord {
    int cycle = 0;
    double lambda = 0;      // multiplier used in the cycle
    double r = 0;           // R of F and G together
    double constraint = 0;  // combined FG constraint value
};

// One cycle of charge flipping.
struct FlipRecord {
    int cycle = 0;  // counted over all attempts of the run
    int attempt = 0;
    double r = 0;       // R of the F amplitudes after the cycle
    double delta = 0;   // threshold in e/A^3
    double charge = 0;  // F(000) of the flipped density
};

// What charge flipping found: the attempts it took, the threshold and the
// cycles of the last attempt, and the origin shift when the symmetry
// location ran (empty otherwise).
struct FlipSummary {
    bool ran = false;
    int attempts = 0;
    int last_cycles = 0;
    double delta = 0;  // e/A^3
    double r = 0;
    bool judged = false;     // normalize or cfrestart: attempts are judged by their R history
    bool converged = false;  // an attempt met that rule
    std::vector<double> origin_shift;  // fractions of the cell edges
    std::vector<FlipRecord> cycles;
};

// One listed peak of the peak search.
struct PeakRecord {
    std::string label, element;      // element empty for a Q-peak
    std::array<double, 3> frac{};    // fractional position
    double height = 0;               // e/A^3
    double electrons = 0;            // basin of one copy
    int copies = 0;                  // positions in the cell
    int site_symmetry_order = 0;
};

struct RunSummary {
    // How the iteration ended when it did not reach its aim: "cycle limit",
    // "user STOP" (command file) or "divergence" (lambda control off);
    // "normal" when it reached it; empty when no iteration ran.
    std::string iteration_end;
    std::vector<CycleRecord> cycles;  // cycles (evaluations for DUAL) of the iteration
    FlipSummary flip;
    std::vector<std::string> density_files;  // every density file written, in order
    std::optional<std::vector<PeakRecord>> peaks;  // the peak table, when the search ran
    std::vector<std::string> peak_files;     // the files of the peak search
};

}  // namespace quilmo
