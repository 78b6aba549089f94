// quilmo: electron density from diffraction data.
#include <fftw3.h>

#include <iostream>

#include "fourier/fft.h"
#include "run/driver.h"
#include "run/stop.h"

int main(int argc, char** argv) {
    quilmo::RunState st;
    st.args.assign(argv + 1, argv + argc);
    int status = 0;
    try {
        quilmo::mainsequence(st);
    } catch (const quilmo::RunStop& stop) {
        std::cout.flush();
        // Every stop says something on the console, if only where to look.
        const std::string line = quilmo::stop_line(st, stop.message());
        if (!line.empty()) std::cerr << line << '\n';
        status = 1;
    }
    // The plans (and FFTW's own tables) are released on every end, a stop
    // after the transform set-up included.
    quilmo::fftfree(st);
    fftw_cleanup();
    return status;
}
