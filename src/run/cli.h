// The options a user may give instead of a title: a short usage and the
// version.  They never start a run, so they create no file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quilmo {

// True when the first argument is --help/-h (usage written to `out`) or
// --version/-V (version written to `out`); the program then ends with 0.
bool commandline_option(const std::vector<std::string>& args, std::ostream& out);

}  // namespace quilmo

namespace quilmo {

// "<name>: <the system's reason>" for a file that could not be opened for
// reading, for the line after the program's own message.
std::string open_failure_reason(const std::string& name);

}  // namespace quilmo
