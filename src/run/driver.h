// The program's spine: the main sequence, the run set-up and the small
// console and platform routines every subsystem uses.
#pragma once

#include <string>
#include <string_view>

#include "run/state.h"

namespace quilmo {

// The main sequence of a run: input, set-up, the chosen iteration or
// synthesis, the density file.  Returns normally only when the run reaches
// its end; every failure is a RunStop.
void mainsequence(RunState& st);

// Run set-up: title (argument or console prompt), run-file names, stale
// command file removed, cycle limit, clock, log and input file opened.
void initinput(RunState& st);

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

}  // namespace quilmo
