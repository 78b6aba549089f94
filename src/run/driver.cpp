#include "run/driver.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "density/files.h"
#include "fourier/fft.h"
#include "fourier/synthesis.h"
#include "grid/meminit.h"
#include "grid/voxels.h"
#include "input/input.h"
#include "mem/histogram.h"
#include "mem/iteration.h"
#include "mem/rfactor.h"
#include "run/stop.h"
#include "textio/text.h"

namespace quilmo {

namespace {

constexpr std::size_t kNameLen = 264;

// The longest extension a run-file name receives (".QLsymtb"); a title that
// leaves no room for it cannot name the run files.
constexpr int kLongestExtension = 8;

void ask_title(RunState& st) {
    TextOut con(*st.con);
    while (blank(st.filetitle)) {
        con.write("(A)", {""});
        con.write("(A,I4,A)",
                  {"Please insert the filetitel without \".Quilmo\" of your datafile (max. ", 264,
                   " chars): "},
                  false);
        con.flush();
        std::string line;
        if (!std::getline(*st.conin, line)) {
            // A closed console can never give a title: asking again would
            // loop for ever.
            con.write("(A)", {""});
            throw RunStop("Error: No filetitle given and no more console input!");
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        st.filetitle = fixed(line, kNameLen);
        spaceerase(st.filetitle);
        // An answer of only blanks and tabs is no title either.
        if (st.filetitle.find_first_not_of(" \t") == std::string::npos) {
            st.filetitle = std::string(kNameLen, ' ');
            con.write("(A)", {""});
            con.write("(A)", {"No filetitle given! Try again..."});
            con.write("(A)", {""});
        } else {
            con.write("(A)", {""});
        }
    }
}

void read_cycle_limit(RunState& st) {
    st.buffer = fixed(st.args.size() >= 2 ? st.args[1] : std::string(), 132);
    spaceerase(st.buffer);
    if (blank(st.buffer)) return;
    int value = 0;
    if (fparse("(I10)", st.buffer.substr(0, 10), {value}) != kReadOk)
        throw RunStop("Error: The number of cycles (second argument) must be an integer!");
    // Characters beyond the ten-column field are not part of the number; a
    // word that goes on there is no plain integer either.
    if (!blank(st.buffer.substr(10)))
        throw RunStop("Error: The number of cycles (second argument) must be an integer!");
    if (value < 0) throw RunStop("Error: Number of cycles must be positive integer!");
    st.maxcycles = value;
}

}  // namespace

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

void initinput(RunState& st) {
    // 1. Title.
    st.filetitle = std::string(kNameLen, ' ');
    if (!st.args.empty()) {
        if (st.args[0].size() > kNameLen - kLongestExtension)
            throw RunStop("Error: The file title is too long (at most 256 characters)!");
        st.filetitle = fixed(st.args[0], kNameLen);
    }
    ask_title(st);
    if (idel(st.filetitle) > static_cast<int>(kNameLen) - kLongestExtension)
        throw RunStop("Error: The file title is too long (at most 256 characters)!");

    // 2., 3. Names.
    st.filebase = idel(st.filetitle) + 1;
    st.inputfile = with_extension(st.filetitle, st.filebase, ".Quilmo");
    st.logfile = with_extension(st.filetitle, st.filebase, ".QLlog");
    st.memreflfile = with_extension(st.filetitle, st.filebase, ".QLout");
    st.symfile = with_extension(st.filetitle, st.filebase, ".QLsymtb");
    st.comfile = with_extension(st.filetitle, st.filebase, ".QLcom");

    // 4. A command file left from an earlier run must never be obeyed.
    std::error_code ec;
    std::filesystem::remove(trim(st.comfile), ec);

    // 5. Cycle limit.
    read_cycle_limit(st);

    // 6. Clock.
    read_clock(st);

    // 7. Log.
    if (!st.log.open(trim(st.logfile), TextOut::Mode::Append)) {
        errormsg(st, "Error opening log file. Check the access rights!");
        throw RunStop();
    }
    // 8. Input file.
    if (!st.input.open(trim(st.inputfile))) {
        errormsg(st, "Error opening input file. Check the access rights!");
        throw RunStop();
    }
    // 9. Record-length factor.
    st.reclfac = getreclfac();
}

void mainsequence(RunState& st) {
    input(st);
    fftinit(st);
    meminit(st);
    rfactorinit(st);
    if (st.fourier) {
        ft(st);
        expandrho(st);
    } else {
        if (st.flipcharge) throw RunStop("Error: Charge flipping is not available in this version!");
        if (st.performmem) {
            if (st.algorithm == 1) mem(st);
            if (st.algorithm == 2) memsys_stop(st);
            histogram(st, 1);
            expandrho(st);
        }
    }
    rhowrite(st);
    if (st.performmem) diffour(st);
    st.hst.close();
    st.log.close();
    fftfree(st);
}

}  // namespace quilmo
