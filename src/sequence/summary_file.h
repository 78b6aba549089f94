// The run summary file <title>.QLsum.json: one JSON object per run, replaced
// by every run, so that a script can tell how a run ended (and with what
// result) without parsing the log.
#pragma once

#include <string>

#include "run/state.h"

namespace quilmo {

// Runs the main sequence and writes the summary at its end; a stop is
// written into the summary too and then passed on to the caller.
void summarized_run(RunState& st);

// How the whole run ended, beside what the run state holds.
struct RunEnd {
    bool stopped = false;  // ended by a stop (status 1)
    std::string message;   // the stop's message or, for a silent stop, its console lines
    double wall_seconds = 0;
    std::vector<std::string> run_files;  // run files this run created or changed
};

// The summary as JSON text, two-space indented.
std::string summary_json(const RunState& st, const RunEnd& end);

}  // namespace quilmo
