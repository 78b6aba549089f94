#include "density/reports.h"

namespace quilmo {

void log_lines(RunState& st, std::initializer_list<std::string_view> lines) {
    const bool was_open = st.log.is_open();
    if (!was_open && !st.log.open(trim(st.logfile), TextOut::Mode::Append)) return;
    for (std::string_view line : lines) st.log.write("(A)", {line});
    if (!was_open) st.log.close();
}

void log_block(RunState& st, std::initializer_list<std::string_view> lines) {
    const bool was_open = st.log.is_open();
    if (!was_open && !st.log.open(trim(st.logfile), TextOut::Mode::Append)) return;
    st.log.write("(A)", {""});
    for (std::string_view line : lines) st.log.write("(A)", {line});
    st.log.write("(A)", {""});
    if (!was_open) st.log.close();
}

void console_block(RunState& st, std::initializer_list<std::string_view> lines) {
    TextOut con(*st.con);
    con.write("(A)", {""});
    for (std::string_view line : lines) con.write("(A)", {line});
    con.write("(A)", {""});
}

void log_written(RunState& st, const std::string& name) {
    const std::string line = "Electron density written to file " + name;
    log_lines(st, {line});
}

}  // namespace quilmo
