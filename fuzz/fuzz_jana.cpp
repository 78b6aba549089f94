// The Jana m81 density reader on arbitrary file contents.
#include <sstream>

#include "density/files.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostringstream con;
    quilmo::RunState st;
    quilmo_fuzz::small_grid(st, con);
    if (quilmo_fuzz::read_density(data, size, "prior.m81", st, quilmo::readjana) ==
        quilmo::FileResult::Ok) {
        if (!std::isfinite(st.rhomin) || !std::isfinite(st.rhomax)) std::abort();
    }
    return 0;
}
