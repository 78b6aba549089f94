#include <cmath>
#include <vector>

#include "geometry/symmetry.h"
#include "geometry/translation.h"
#include "run/limits.h"
#include "textio/stop.h"

namespace quilmo {

void expandsym(RunState& st) {
    const int sdim = st.sdim, nsym = st.nsym;
    int p = 0;
    for (int c = 1; c <= st.ncenter; ++c)
        for (int s = 1; s <= nsym; ++s) {
            ++p;
            for (int j = 1; j <= sdim; ++j)
                for (int i = 1; i <= sdim; ++i) st.rmat(i, j, p) = st.rmat(i, j, s);
            for (int i = 1; i <= sdim; ++i) {
                st.tvec(i, p) = st.tvec(i, s) + st.center(i, c);
                reduce_unit(st.tvec(i, p));
            }
        }
    st.nsym = p;
}

namespace {

[[noreturn]] void not_integer(RunState& st, const char* what, int p) {
    TextOut con(*st.con);
    con.write("(A)", {""});
    con.write("(A)", {"Routine DiscreteSym:"});
    con.write("(A)", {what});
    con.write("(A)", {"       voxelnumber is not an integer!"});
    con.write("(A,F4.0)", {"       Symmetry operation #: ", static_cast<double>(p)});
    con.write("(A)", {""});
    throw RunStop();
}

}  // namespace

void discretesym(RunState& st) {
    const int sdim = st.sdim, nop = st.nsym + st.ntestsym;
    if (st.rmati.extent3() != nop || st.rmati.extent1() != sdim) {
        allocate_or_stop("Error allocating array RMatI! Too little memory?",
                         [&] { st.rmati.allocate(sdim, sdim, nop); });
        allocate_or_stop("Error allocating array TVecI! Too little memory?", [&] { st.tveci.allocate(sdim, nop); });
    }
    std::vector<double> d(static_cast<std::size_t>(sdim * sdim));
    for (int p = 1; p <= nop; ++p) {
        for (int i = 1; i <= sdim; ++i) {
            const double x = st.nvox(i) * st.tvec(i, p);
            st.tveci(i, p) = static_cast<int>(std::lround(x));
            if (std::fabs(x - st.tveci(i, p)) > kZeroTol) not_integer(st, "Error: Translationvector multiplied by", p);
            for (int j = 1; j <= sdim; ++j) {
                const double r = st.rmat(i, j, p);
                d[static_cast<std::size_t>((i - 1) + sdim * (j - 1))] = std::fabs(r) >= kZeroTol ? r / st.nvox(j) : 0.0;
            }
        }
        for (int i = 1; i <= sdim; ++i)
            for (int j = 1; j <= sdim; ++j) {
                const double x = st.nvox(i) * d[static_cast<std::size_t>((i - 1) + sdim * (j - 1))];
                st.rmati(i, j, p) = static_cast<int>(std::lround(x));
                if (std::fabs(x - st.rmati(i, j, p)) > kZeroTol) not_integer(st, "Error: Translationmatrix divided by", p);
            }
    }
}

}  // namespace quilmo
