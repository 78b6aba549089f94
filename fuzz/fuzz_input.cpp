// The keyword reader on whole input files: the run set-up, both reading
// passes, the checks after each pass and the log report.
#include <sstream>

#include "fuzz/harness.h"
#include "input/input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilmo_fuzz::write_file("t.Quilmo", data, size);
    std::ostringstream con;
    std::istringstream conin;  // no console answers: a prompt ends in a stop
    quilmo::RunState st;
    st.con = &con;
    st.conin = &conin;
    st.args = {quilmo_fuzz::at("t")};
    quilmo_fuzz::until_stop([&] { quilmo::input(st); });
    st.log.close();
    st.input.close();
    // The log and the listing collect every run of a title: start afresh.
    quilmo_fuzz::remove_file("t.QLlog");
    quilmo_fuzz::remove_file("t.QLout");
    return 0;
}
