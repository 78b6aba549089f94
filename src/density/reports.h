// Report blocks of the density-file routines: writers report into the log,
// readers on the console.  A block is an empty line, the given lines and an
// empty line, each written with "(A)".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "run/state.h"

namespace quilmo {

// Lines to the log.  The log is closed after the input report, so it is
// opened for appending here and closed again; a log already open (a report
// during the input step) is used as it is.
void log_lines(RunState& st, std::initializer_list<std::string_view> lines);
void log_block(RunState& st, std::initializer_list<std::string_view> lines);

// Lines to the console.
void console_block(RunState& st, std::initializer_list<std::string_view> lines);

// The closing consequence line shared by every routine; the character after
// the I is the acute accent of Latin-1.
inline constexpr std::string_view kNotSureSaved =
    "Density should have been saved, but I\xB4m not sure! Returning...";
inline constexpr std::string_view kNotSureRead =
    "Density should have been read, but I\xB4m not sure! Returning...";

// "Electron density written to file <name>" into the log.
void log_written(RunState& st, const std::string& name);

}  // namespace quilmo
