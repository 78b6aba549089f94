#include "import/program_check.h"

#include <sstream>

#include "geometry/metric.h"
#include "geometry/symmetry.h"
#include "input/reader.h"
#include "run/state.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

std::string program_symmetry_check(const std::array<double, 6>& cell, const std::vector<std::string>& operators,
                                   const std::vector<std::string>& centers, const std::array<int, 3>& grid) {
    RunState st;
    std::ostringstream con;
    st.con = &con;
    st.sdim = st.rdim = 3;
    st.ncellpar = 6;
    st.cellcon = 7;
    st.cell.allocate(1, 7);
    for (int k = 1; k <= 6; ++k) st.cell(k) = cell[static_cast<std::size_t>(k - 1)];
    st.nvox.allocate(1, 3);
    for (int k = 1; k <= 3; ++k) st.nvox(k) = grid[static_cast<std::size_t>(k - 1)];
    st.nsym = st.nsympoint = static_cast<int>(operators.size());
    st.ncenter = static_cast<int>(centers.size()) + 1;
    st.rmat.allocate(3, 3, st.nsym * st.ncenter);
    st.tvec.allocate(3, st.nsym * st.ncenter);
    st.center.allocate(3, st.ncenter);
    st.center.fill(0);
    int err = 0;
    try {
        for (int p = 1; p <= st.nsym; ++p) {
            const std::string line = fixed(operators[static_cast<std::size_t>(p - 1)], kLineLen);
            std::fill(st.rmat.slice(p), st.rmat.slice(p) + 9, 0.0);
            symmetry(3, line, st.rmat.slice(p), st.tvec.column(p));
        }
        for (int c = 2; c <= st.ncenter; ++c)
            centervec(fixed(centers[static_cast<std::size_t>(c - 2)], kLineLen), 3, st.center.column(c));
        allfromcell(st, err);
        if (err == 0) completesymmetry(st, err);
    } catch (const RunStop& stop) {
        con << stop.message() << '\n';
        err = 1;
    }
    std::string out = con.str();
    while (!out.empty() && out.back() == '\n') out.pop_back();
    if (err != 0 && out.empty()) out = "the symmetry is refused";
    return err != 0 ? out : std::string();
}

}  // namespace quilmo
