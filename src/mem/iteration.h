// The Sakata-Sato maximum-entropy iteration and its lambda control.
#pragma once

#include "run/state.h"

namespace quilmo {

// The maximum-entropy reconstruction of au (algorithm 1).
void mem(RunState& st);

// Algorithm 2 is not part of this program: logs and shows why, then stops.
[[noreturn]] void memsys_stop(RunState& st);

// sf, amem/bmem/fmem of both reflection lists and of the extra reflections
// from au (one forward transform), as after every cycle.
void new_structure_factors(RunState& st);

// The DENSITY command: au expanded and written at once under the command's
// file name; the log is opened again afterwards.
void write_density_now(RunState& st);

// Lambda control between cycles.  An increment of 0 means control off:
// lambda never changes and a divergence ends the iteration.
struct LambdaControl {
    double lambda = 0;
    double lbdincrement = 0;  // relative growth after an accepted cycle
    double lbddecrement = 0;  // factor after a divergent cycle
    bool lastcycdiv = false;  // the previous cycle diverged
};

// What becomes of an evaluated cycle.
enum class Verdict {
    accepted,         // the new density is kept and backed up
    charge_kept,      // charge warning with control off: the density stays
    charge_repeat,    // charge warning: back to the backup with a smaller lambda
    diverged_repeat,  // fpgcon grew: back to the backup with lambda * decrement
    diverged_stop,    // fpgcon grew with control off: the iteration ends
};

// The control for the input lambda: < 0 fixed at |lambda|, otherwise
// controlled (0 means the caller still has to find a starting value).
LambdaControl start_control(double lambda);

// Judges a cycle by its charge factor and constraint and adjusts the
// control: charge check first, then divergence, then acceptance.
Verdict judge_cycle(LambdaControl& c, double rhonorm, double fpgcon, double fpgconold);

// The iteration has reached its aim.  After a repeated cycle the statistics
// are those of the rejected density while au holds the restored one, so only
// a cycle whose density stays may end the run on the aim.
inline bool reached_aim(Verdict v, double fgcon, double aim) {
    return v != Verdict::charge_repeat && v != Verdict::diverged_repeat && fgcon <= aim;
}

}  // namespace quilmo
