// The native ASCII density reader on arbitrary file contents.
#include <sstream>

#include "density/files.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilmo_fuzz::write_file("prior.asc", data, size);
    std::ostringstream con;
    quilmo::RunState st;
    quilmo_fuzz::small_grid(st, con);
    quilmo::FileResult result = quilmo::FileResult::Ok;
    quilmo_fuzz::until_stop(
        [&] { result = quilmo::readql(st, quilmo::fixed(quilmo_fuzz::at("prior.asc"), quilmo::kNameLen)); });
    // A success must leave only finite numbers behind.
    if (result == quilmo::FileResult::Ok)
        for (double v : st.rho.vec())
            if (!std::isfinite(v)) std::abort();
    return 0;
}
