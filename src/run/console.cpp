#include "run/console.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

std::string with_extension(const std::string& base, int pos, std::string_view ext) {
    std::string out = base;
    std::size_t start = static_cast<std::size_t>(pos - 1);
    if (out.size() < start + ext.size()) out.resize(start + ext.size(), ' ');
    out.replace(start, ext.size(), ext);
    return fixed(out, base.size());
}

std::string stop_line(const RunState& st, std::string_view message) {
    if (!message.empty()) return "STOP " + std::string(message);
    if (st.console_told || blank(st.logfile)) return {};
    return "Stopped: see " + trim(st.logfile);
}

void errormsg(RunState& st, std::string_view text) {
    st.console_told = true;
    TextOut con(*st.con);
    con.write("(a)", {text.substr(0, static_cast<std::size_t>(idel(text)))});
}

void fplivc(RunState& st) { st.con->flush(); }

void fstatc(std::string_view name, int length, long& size, int& status) {
    std::string path(name.substr(0, static_cast<std::size_t>(std::max(0, length))));
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0) {
        status = 1;
        return;
    }
    status = 0;
    size = static_cast<long>(sb.st_size);
}

int getreclfac() { return 4; }

void read_clock(RunState& st) {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    char d[48], h[48];
    std::snprintf(d, sizeof d, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    std::snprintf(h, sizeof h, "%02d%02d%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    st.date = fixed(d, 8);
    st.time = fixed(h, 10);
    st.year = st.date.substr(0, 4);
    st.month = st.date.substr(4, 2);
    st.day = st.date.substr(6, 2);
    st.hour = st.time.substr(0, 2);
    st.minutes = st.time.substr(2, 2);
    st.seconds = st.time.substr(4, 2);
}

bool open_run_file(TextOut& out, const std::string& name, TextOut::Mode mode) {
    if (!out.open(name, mode)) return false;
    out.stop_on_failure(true);
    return true;
}

void open_log(RunState& st, TextOut::Mode mode) {
    if (st.log.is_open()) return;
    if (!open_run_file(st.log, trim(st.logfile), mode)) {
        errormsg(st, "Error opening log file. Check the access rights!");
        throw RunStop();
    }
}

}  // namespace quilmo
