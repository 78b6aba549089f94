// The reports of the maximum-entropy iteration in the log and the output
// listing: the initial state, every cycle, the end, and the final listings
// of every constraint reflection.
#pragma once

#include <string>

#include "run/state.h"

namespace quilmo {

// Iteration values a cycle report shows besides the run-state statistics.
struct CycleValues {
    int ncycle = 0;
    double lambda = 0;      // the lambda used in the cycle
    double sc = 0;          // test value, 1 - cos(entropy gradient, constraint gradient)
    double rhonorm = 1;     // scaling back to the charge; 1/rhonorm is reported
    double sshift = 0;      // new minus previous entropy
    double fgconold = 0, fpgconold = 0;  // constraint values of the last accepted density
};

// What algorithm DUAL adds to the end report: the multiplier of S - lambda C
// and the angle test 1 - cos(grad S, grad C).
struct DualEndValues {
    double lambda = 0;
    double test = 0;
};

// Opens the log of the run and the output listing `out` for appending; a
// listing that cannot be opened is reported and the iteration goes on
// without it.
void open_reports(RunState& st, TextOut& out);
// Initial state to the output listing `out` and the log st.log (reads the clock).
void report_start(RunState& st, TextOut& out);
void report_cycle(RunState& st, const CycleValues& c);
// End of the iteration, log and listing (reads the clock); cpu in seconds.
void report_end(RunState& st, TextOut& out, int ncycle, float cpu,
                const DualEndValues* dual = nullptr);
// F, G and extra reflection listings; sin(theta)/lambda from vlen.
void report_listings(RunState& st, TextOut& out);

// Whole minutes and whole remaining seconds of a processor time.
void cpu_split(float cpu, int& minutes, int& seconds);
// Processor seconds used by the run so far.
float cpu_seconds();
// Line-end marker of a normalised residual: up to 3, up to 6, beyond.
std::string_view residual_marker(double x);

}  // namespace quilmo
