// The XPLOR text density map: a short header with the grid and the cell,
// then one section per grid plane along the third axis, one value per line
// in electrons per cubic angstrom.
#include <string>

#include "density/files.h"
#include "density/reports.h"

namespace quilmo {

namespace {

// Everything after the open; false at the first failed write.
bool write_map(RunState& st, TextOut& out) {
    const std::string title = trim(st.title);
    if (!out.write("(a)", {" "}) || !out.write("(a)", {"1"}) || !out.write("(a)", {title}))
        return false;
    for (int i = 1; i <= st.rdim; ++i)
        if (!out.write("(3I8)", {st.nvox(i), 0, st.nvox(i) - 1}, false)) return false;
    if (!out.write("(a)", {""})) return false;
    for (int i = 1; i <= st.cellcon - 1; ++i)
        if (!out.write("(F12.4)", {st.cell(i)}, false)) return false;
    if (!out.write("(a)", {""}) || !out.write("(a)", {"ZYX"})) return false;

    const long section = static_cast<long>(st.nvox(1)) * st.nvox(2);
    double sum = 0;
    long v = 0;
    for (int z = 0; z < st.nvox(3); ++z) {
        if (!out.write("(i5)", {z})) return false;
        for (long j = 0; j < section; ++j, ++v) {
            const double value = st.rho(v) / st.capvx;
            if (!out.write("(f12.4)", {value})) return false;
            sum += value;
        }
    }
    const double mean = sum / st.nvoxtot;
    return out.write("(a)", {"-9999"}) &&
           out.write("(2f20.6)", {mean, mean * static_cast<double>(0.01f)});
}

}  // namespace

FileResult writexplor(RunState& st, const std::string& rhofile) {
    // The layout knows three axes only: sections along the third one, a
    // header of three axes.  Any other density is refused before a file is
    // made.
    return write_text_density(st, rhofile, "Routine WriteXPlor:", st.sdim == 3 && st.rdim == 3,
                              [&st](TextOut& out) { return write_map(st, out); });
}

}  // namespace quilmo
