// The symmetry table file on arbitrary contents: read when it fits the grid,
// otherwise computed again.  Either way the table must be a partition of the
// grid into orbits.
#include <sstream>
#include <vector>

#include "fuzz/harness.h"
#include "grid/orbits.h"

namespace {

// Identity and inversion through the origin, in voxel units.
void inversion_group(quilmo::RunState& st) {
    st.nsym = 2;
    st.rmati.allocate(3, 3, 2);
    st.tveci.allocate(3, 2);
    for (int i = 1; i <= 3; ++i) {
        st.rmati(i, i, 1) = 1;
        st.rmati(i, i, 2) = -1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilmo_fuzz::write_file("run.QLsymtb", data, size);
    std::ostringstream con;
    quilmo::RunState st;
    quilmo_fuzz::small_grid(st, con);
    inversion_group(st);
    bool stopped = true;
    quilmo_fuzz::until_stop([&] {
        quilmo::rhomultiplicity(st);
        stopped = false;
    });
    st.log.close();
    if (!stopped) {
        std::vector<char> seen(static_cast<std::size_t>(st.nvoxtot), 0);
        long t = 1, seen_count = 0;
        for (int o = 0; o < st.norb; ++o) {
            const int m = st.rhotab(t++);
            for (int k = 0; k < m; ++k) {
                const int v = st.rhotab(t++);
                if (v < 0 || v >= st.nvoxtot || seen[static_cast<std::size_t>(v)]) std::abort();
                seen[static_cast<std::size_t>(v)] = 1;
                ++seen_count;
            }
        }
        if (seen_count != st.nvoxtot) std::abort();
    }
    quilmo_fuzz::remove_file("run.QLlog");
    quilmo_fuzz::remove_file("run.QLout");
    return 0;
}
