// Report blocks of the density-file routines: writers report into the log,
// readers on the console.  A block is an empty line, the given lines and an
// empty line, each written with "(A)".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "density/files.h"
#include "run/state.h"
#include "textio/text.h"

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

// Writes a text density file that must not exist yet: `body(out)` writes
// everything after the open and returns false at the first failed write.
// Failures get the report blocks of `routine` ("Routine WriteQL:", ...) and
// return OpenFailed (open, or `allowed` false), IoFailed (write) or
// CloseFailed (close).
template <class Body>
FileResult write_text_density(RunState& st, const std::string& rhofile, std::string_view routine,
                              bool allowed, Body body) {
    const std::string name = trim(rhofile);
    const std::string file = "Output file: " + name;
    TextOut out;
    FileResult result = FileResult::Ok;
    if (!allowed || !out.open(name, TextOut::Mode::New)) {
        log_block(st, {routine, "Error! Cannot open density file for writing!", file,
                       "Nothing has been saved! Returning..."});
        result = FileResult::OpenFailed;
    } else if (!body(out)) {
        log_block(st, {routine, "Error! Cannot write into density file!", file,
                       "Something may have been saved! Returning..."});
        result = FileResult::IoFailed;
    }
    if (!out.close()) {
        log_block(st, {routine, "Error! Cannot close density file!", file, kNotSureSaved});
        result = FileResult::CloseFailed;
    }
    if (result == FileResult::Ok) log_written(st, name);
    return result;
}

}  // namespace quilmo
