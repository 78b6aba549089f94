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

// The user's commands between two steps of an iteration: STOP is logged
// and gives true (the iteration ends), DENSITY calls write_density() to
// write the current density under the name in st.com.
template <class WriteDensity>
bool user_commands(RunState& st, WriteDensity write_density) {
    bool stop = false;
    if (usercom(st, "STOP", "   ")) {
        st.log.list();
        st.log.write("(a)", {"User forced termination of iteration. Stopping."});
        stop = true;
    }
    if (usercom(st, "DENSITY", "CHR")) write_density();
    return stop;
}

}  // namespace quilmo
