// Runs the input step in-process on a generated input file.
#pragma once

#include <sstream>
#include <string>

#include "input/input.h"
#include "run/state.h"
#include "support/e2e.h"
#include "textio/stop.h"

namespace quilmo_test {

// A small maximum-entropy input that passes every check; tests add or
// replace lines.
inline std::string base_input() {
    return "title test\n"
           "cell 10 10 10 90 90 90\n"
           "voxel 8 8 8\n"
           "electrons 100\n"
           "initialdensity flat\n"
           "algorithm S-S\n"
           "centro no\n"
           "symmetry\n"
           "x1 x2 x3\n"
           "endsymmetry\n"
           "fbegin\n"
           "1 0 0 10.0 0.0 0.5\n"
           "endf\n";
}

// `text` with the first occurrence of `from` replaced by `to`.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto p = text.find(from);
    if (p != std::string::npos) text.replace(p, from.size(), to);
    return text;
}

struct InputRun {
    TempDir dir;
    quilmo::RunState st;
    std::ostringstream con;
    bool stopped = false;
    std::string stop;  // message of the stop, if any

    explicit InputRun(const std::string& content) {
        dir.write("t.Quilmo", content);
        st.args = {(dir.path() / "t").string()};
        st.con = &con;
        try {
            quilmo::input(st);
        } catch (const quilmo::RunStop& s) {
            stopped = true;
            stop = s.message();
        }
        st.log.close();
    }
    std::string out() const { return con.str(); }
    std::string log() const { return dir.read("t.QLlog"); }
    bool said(const std::string& text) const { return con.str().find(text) != std::string::npos; }
};

}  // namespace quilmo_test
