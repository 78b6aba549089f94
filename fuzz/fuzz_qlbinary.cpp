// The native binary density reader on arbitrary file contents.
#include <sstream>

#include "density/files.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostringstream con;
    quilmo::RunState st;
    quilmo_fuzz::small_grid(st, con);
    if (quilmo_fuzz::read_density(data, size, "prior.raw", st, quilmo::readrawql) ==
        quilmo::FileResult::Ok) {
        // A success must leave a usable cell too.
        for (int i = 1; i <= st.cellcon; ++i)
            if (!(st.cell(i) > 0) || !std::isfinite(st.cell(i))) std::abort();
    }
    return 0;
}
