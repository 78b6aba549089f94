// Console and run-file helpers every subsystem uses: the console error line,
// the flush of progress lines, the clock, run-file names and the log.
#pragma once

#include <string>
#include <string_view>

#include "run/state.h"

namespace quilmo {

// Status of a keyword handler or an input check that has reported an error
// of the input: the reader counts it, and the run stops after the pass.
inline constexpr int kKeywordError = 100;

// Writes `text` up to its last non-blank character as one console line.
void errormsg(RunState& st, std::string_view text);

// The console line of a stop: "STOP <message>" for a stop that carries a
// message; otherwise, when nothing was said on the console, a pointer to the
// log ("Stopped: see <title>.QLlog"), so that no run ends in silence; empty
// when the reason is on the console already.
std::string stop_line(const RunState& st, std::string_view message);

// Flushes the console so progress lines appear at once.
void fplivc(RunState& st);

// Size in bytes of the file named by the first `length` characters of
// `name`: status 0 and `size` set on success, non-zero status otherwise.
void fstatc(std::string_view name, int length, long& size, int& status);

// Record-length units per 4-byte word of a direct-access record.  Our binary
// layer counts record lengths in bytes.
int getreclfac();

// Reads the local clock into date/time and their parts.
void read_clock(RunState& st);

// `base` (blank-padded) with `ext` written from position `pos` (1-based),
// kept at the length of `base`.
std::string with_extension(const std::string& base, int pos, std::string_view ext);

// Opens a run file (log, listing, histogram, check file) as `mode` says;
// from then on a failed write, flush or close stops the run with the file's
// name and the system's reason, so a full disk never leaves a run going on
// behind a cut file.  False when the file cannot be opened.
bool open_run_file(TextOut& out, const std::string& name, TextOut::Mode mode);

// Opens the log for appending unless a step holds it open already.  The run
// set-up creates it (Append); the writers after the log report need the log
// of this run to exist (Old).  A log that cannot be opened ends the run: the
// console message, then a stop without a message.
void open_log(RunState& st, TextOut::Mode mode = TextOut::Mode::Old);

}  // namespace quilmo
