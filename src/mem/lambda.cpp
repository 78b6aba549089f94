#include <vector>

#include "fourier/fft.h"
#include "grid/orbitlist.h"
#include "mem/gradient.h"

namespace quilmo {

void getinitlambda(RunState& st) {
    fillfgcon(st);
    fft(st, -1);
    OrbitList orb = orbitlist(st);
    std::vector<double> g(orb.v.size());
    for (std::size_t i = 0; i < g.size(); ++i) g[i] = st.sf.density(orb.v[i]);
    double chargeterm = st.nchan == 2 ? st.charge * st.capvx : st.charge;
    st.lambda = startlambda(g.data(), orb.m.data(), st.rau.data(), st.norb, chargeterm, st.normcon);
    st.log.list();
    st.log.write("(A,E10.4)", {"Automatic calculation of starting lambda: the value set to ", st.lambda});
}

}  // namespace quilmo
