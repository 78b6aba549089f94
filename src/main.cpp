// quilmo: electron density from diffraction data.
#include <fftw3.h>

#include <iostream>

#include "run/cli.h"
#include "run/console.h"
#include "sequence/summary_file.h"
#include "textio/stop.h"

namespace {

// One run; its state, and with it the transform plans, is gone on return.
int run(int argc, char** argv) {
    quilmo::RunState st;
    st.args.assign(argv + 1, argv + argc);
    if (quilmo::commandline_option(st.args, std::cout)) return 0;
    try {
        quilmo::summarized_run(st);
    } catch (const quilmo::RunStop& stop) {
        std::cout.flush();
        // Every stop says something on the console, if only where to look.
        const std::string line = quilmo::stop_line(st, stop.message());
        if (!line.empty()) std::cerr << line << '\n';
        return 1;
    } catch (...) {
        std::cout.flush();
        std::cerr << "STOP " << quilmo::unexpected_failure() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int status = run(argc, argv);
    // FFTW's own tables go after the last plan, on every end.
    fftw_cleanup();
    return status;
}
