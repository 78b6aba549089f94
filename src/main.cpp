// quilmo: electron density from diffraction data.
#include <iostream>

#include "sequence/driver.h"
#include "textio/stop.h"

int main(int argc, char** argv) {
    quilmo::RunState st;
    st.args.assign(argv + 1, argv + argc);
    try {
        quilmo::mainsequence(st);
    } catch (const quilmo::RunStop& stop) {
        std::cout.flush();
        if (!stop.message().empty()) std::cerr << "STOP " << stop.message() << '\n';
        return 1;
    }
    return 0;
}
