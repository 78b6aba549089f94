#include "mem/check.h"

#include <algorithm>
#include <cmath>

#include "fourier/fft.h"
#include "grid/orbitlist.h"
#include "mem/gradient.h"
#include "run/console.h"
#include "run/limits.h"
#include "textio/stop.h"

namespace quilmo {

void writecheck(RunState& st) {
    TextOut o;
    const std::string name = trim(st.filetitle) + ".QLcheck";
    if (!open_run_file(o, name, TextOut::Mode::Append)) throw RunStop("Error opening the check file " + name + "!");
    o.write("(2a)", {"# Title:", st.title});
    if (st.algorithm == 1) o.write("(a)", {"# Algorithm: S-S"});
    if (st.algorithm == 2) o.write("(a)", {"# Algorithm: MEMSys"});
    if (st.algorithm == 3) o.write("(a)", {"# Algorithm: DUAL"});
    o.write("(2a)", {"# direct space gradient"});
    o.write("(2a)", {"#   i    dS/drho(i)    dC/drho(i)   multiplicity"});

    fillfgcon(st);
    fft(st, -1);
    // More samples than orbits: every orbit is listed.
    const int k = std::max(1, static_cast<int>(static_cast<double>(st.norb) / st.memcheck));
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        if (i % k == 0)
            o.write("(i6,2e14.5,i5)",
                    {i, -1.0 - std::log(st.au(i) / st.rau(i)), st.sf.density(orbit.voxel[0]), orbit.m});
    });
    o.write("(a)", {""});
    o.write("(a)", {""});
    o.write("(2a)", {"# reciprocal space gradient:"});
    o.write("(2a)", {"#   j      dS/dF(j)     dC/dF(j)   multiplicity"});

    // The backward transform of the entropy gradient, a real density: its
    // real part at h is that of the forward transform, divided by norm.
    std::fill(st.sf.density(), st.sf.density() + st.sf.nvoxtot(), 0.0);
    for_each_orbit(st.rhotab, st.norb, [&](int i, Orbit orbit) {
        const double value = -std::log(st.au(i) / st.rau(i));
        for (int j = 0; j < orbit.m; ++j) st.sf.density(orbit.voxel[j]) = value;
    });
    fft(st, 1);
    for (int j = 1; j <= st.totalfpg(); ++j) {
        const reftyp& e = st.refl(j);
        const double da = e.amem - e.a, db = e.bmem - e.b;
        const double d = da * da + db * db;
        const double dcdf =
            d > kZeroTol ? st.actcon * da * std::pow(d, st.actcon - 2) / std::pow(e.sigma, st.actcon) : 0.0;
        const double dsdf = st.sf.read(st.sf.position(e.sfloc)).real() / st.norm;
        o.write("(i6,2e14.5,i5)", {j, dsdf * e.mult, dcdf, e.mult});
    }
    o.close();
}

}  // namespace quilmo
