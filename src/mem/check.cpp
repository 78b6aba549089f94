#include "mem/check.h"

#include <algorithm>
#include <cmath>

#include "fourier/fft.h"
#include "mem/gradient.h"
#include "run/stop.h"

namespace quilmo {

void writecheck(RunState& st) {
    TextOut o;
    const std::string name = trim(st.filetitle) + ".QLcheck";
    if (!o.open(name, TextOut::Mode::Append)) throw RunStop("Error opening the check file " + name + "!");
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
    long t = 1;
    for (int i = 1; i <= st.norb; ++i) {
        const int m = st.rhotab(t);
        const int v = st.rhotab(t + 1);
        t += m + 1;
        if (i % k == 0)
            o.write("(i6,2e14.5,i5)",
                    {i, -1.0 - std::log(st.au(i) / st.rau(i)), st.sf(2L * v), m});
    }
    o.write("(a)", {""});
    o.write("(a)", {""});
    o.write("(2a)", {"# reciprocal space gradient:"});
    o.write("(2a)", {"#   j      dS/dF(j)     dC/dF(j)   multiplicity"});

    std::fill(st.sf.vec().begin(), st.sf.vec().end(), 0.0);
    t = 1;
    for (int i = 1; i <= st.norb; ++i) {
        const int m = st.rhotab(t);
        const double value = -std::log(st.au(i) / st.rau(i));
        for (int j = 1; j <= m; ++j) st.sf(2L * st.rhotab(t + j)) = value;
        t += m + 1;
    }
    fft(st, -1);
    for (int j = 1; j <= st.totalfpg; ++j) {
        const reftyp& e = st.refl(j);
        const double da = e.amem - e.a, db = e.bmem - e.b;
        const double d = da * da + db * db;
        const double dcdf =
            d > 1e-6 ? st.actcon * da * std::pow(d, st.actcon - 2) / std::pow(e.sigma, st.actcon) : 0.0;
        o.write("(i6,2e14.5,i5)", {j, st.sf(e.sfloc) * e.mult, dcdf, e.mult});
    }
    o.close();
}

}  // namespace quilmo
