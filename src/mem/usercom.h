// The user command file: a one-line command the user writes while an
// iteration runs, looked at at the start of every cycle.
#pragma once

#include <string_view>

#include "run/state.h"

namespace quilmo {

// True when the first line of the command file starts with `key` (exact,
// case-sensitive, at the very start); the value that follows is read into
// st.com for valflag "INT", "DBL" or "CHR", and the file is deleted.  A file
// that holds another command stays.  Problems are logged to st.log, which
// must be open, and give false.
bool usercom(RunState& st, std::string_view key, std::string_view valflag);

}  // namespace quilmo
