// quilmo: electron density from diffraction data.
#include <iostream>

#include "run/cli.h"
#include "sequence/summary_file.h"
#include "textio/stop.h"

int main(int argc, char** argv) {
    quilmo::RunState st;
    st.args.assign(argv + 1, argv + argc);
    if (quilmo::commandline_option(st.args, std::cout)) return 0;
    try {
        quilmo::summarized_run(st);
    } catch (const quilmo::RunStop& stop) {
        std::cout.flush();
        if (!stop.message().empty()) std::cerr << "STOP " << stop.message() << '\n';
        return 1;
    }
    return 0;
}
