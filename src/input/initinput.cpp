#include "input/input.h"

#include <filesystem>

#include "run/console.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

namespace {


// The longest extension a run-file name receives (".QLsymtb"); a title that
// leaves no room for it cannot name the run files.
constexpr int kLongestExtension = 8;

void ask_title(RunState& st) {
    TextOut con(*st.con);
    while (blank(st.filetitle)) {
        con.write("(A)", {""});
        con.write("(A,I4,A)",
                  {"Please insert the filetitel without \".Quilmo\" of your datafile (max. ", static_cast<int>(kNameLen),
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
    std::string buffer = fixed(st.args.size() >= 2 ? st.args[1] : std::string(), kLineLen);
    spaceerase(buffer);
    if (blank(buffer)) return;
    int value = 0;
    if (fparse("(I10)", buffer.substr(0, 10), {value}) != kReadOk)
        throw RunStop("Error: The number of cycles (second argument) must be an integer!");
    // Characters beyond the ten-column field are not part of the number; a
    // word that goes on there is no plain integer either.
    if (!blank(buffer.substr(10)))
        throw RunStop("Error: The number of cycles (second argument) must be an integer!");
    if (value < 0) throw RunStop("Error: Number of cycles must be positive integer!");
    st.maxcycles = value;
}

}  // namespace

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
    open_log(st, TextOut::Mode::Append);
    // 8. Input file.
    if (!st.input.open(trim(st.inputfile))) {
        errormsg(st, "Error opening input file. Check the access rights!");
        throw RunStop();
    }
}

}  // namespace quilmo
