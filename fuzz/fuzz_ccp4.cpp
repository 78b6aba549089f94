// The CCP4/MRC map reader on arbitrary file contents.
#include <sstream>

#include "density/files.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilmo_fuzz::write_file("prior.ccp4", data, size);
    std::ostringstream con;
    quilmo::RunState st;
    quilmo_fuzz::small_grid(st, con);
    int ferror = 0;
    quilmo_fuzz::until_stop([&] { quilmo::readccp4(st, quilmo::fixed(quilmo_fuzz::at("prior.ccp4"), quilmo::kNameLen), ferror); });
    // A success must leave a usable cell and only finite numbers behind.
    if (ferror == 0) {
        for (double v : st.rho.vec())
            if (!std::isfinite(v)) std::abort();
        for (int i = 1; i <= st.cellcon; ++i)
            if (!(st.cell(i) > 0) || !std::isfinite(st.cell(i))) std::abort();
    }
    return 0;
}
