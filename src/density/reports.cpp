#include "density/reports.h"

namespace quilmo {

namespace {

void to_log(RunState& st, std::initializer_list<std::string_view> lines, bool framed) {
    const bool was_open = st.log.is_open();
    if (!was_open && !st.log.open(trim(st.logfile), TextOut::Mode::Append)) return;
    if (framed) st.log.write("(A)", {""});
    for (std::string_view line : lines) st.log.write("(A)", {line});
    if (framed) st.log.write("(A)", {""});
    if (!was_open) st.log.close();
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
