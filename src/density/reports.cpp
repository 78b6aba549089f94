#include "density/reports.h"

#include "run/console.h"

namespace quilmo {

namespace {

// A framed block reports a failure of a density file that the caller goes
// on to handle (a spare name, or a stop that names the file): it is written
// as far as the log takes it, so that a full disk stops the run on the
// density file's own message.  Plain lines are run reports like any other.
void to_log(RunState& st, std::initializer_list<std::string_view> lines, bool framed) {
    const bool was_open = st.log.is_open();
    if (!was_open && !open_run_file(st.log, trim(st.logfile), TextOut::Mode::Append)) return;
    const bool stops = st.log.stops_on_failure();
    if (framed) st.log.stop_on_failure(false);
    if (framed) st.log.write("(A)", {""});
    for (std::string_view line : lines) st.log.write("(A)", {line});
    if (framed) st.log.write("(A)", {""});
    if (!was_open) st.log.close();
    st.log.stop_on_failure(stops);
}

}  // namespace

void log_lines(RunState& st, std::initializer_list<std::string_view> lines) { to_log(st, lines, false); }

void log_block(RunState& st, std::initializer_list<std::string_view> lines) { to_log(st, lines, true); }

void console_block(RunState& st, std::initializer_list<std::string_view> lines) {
    st.console_told = true;
    TextOut con(*st.con);
    con.write("(A)", {""});
    for (std::string_view line : lines) con.write("(A)", {line});
    con.write("(A)", {""});
}

void log_written(RunState& st, const std::string& name) {
    st.summary.density_files.push_back(name);
    const std::string line = "Electron density written to file " + name;
    log_lines(st, {line});
}

}  // namespace quilmo
