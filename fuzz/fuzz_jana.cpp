// The Jana m81 density reader on arbitrary file contents.
#include <sstream>

#include "density/files.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilmo_fuzz::write_file("prior.m81", data, size);
    std::ostringstream con;
    quilmo::RunState st;
    quilmo_fuzz::small_grid(st, con);
    int ferror = 0;
    quilmo_fuzz::until_stop([&] { quilmo::readjana(st, quilmo::fixed(quilmo_fuzz::at("prior.m81"), quilmo::kNameLen), ferror); });
    if (ferror == 0) {
        for (double v : st.rho.vec())
            if (!std::isfinite(v)) std::abort();
        if (!std::isfinite(st.rhomin) || !std::isfinite(st.rhomax)) std::abort();
    }
    return 0;
}
