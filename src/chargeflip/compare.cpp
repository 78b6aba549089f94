// Tests of candidate operators against the phased density, and the choice
// of the remaining origin and the enantiomer by a reference density.
#include <cmath>
#include <numbers>
#include <vector>

#include "chargeflip/coincidence.h"
#include "chargeflip/locate.h"
#include "chargeflip/locate_work.h"
#include "fourier/fft.h"
#include "run/console.h"

namespace quilmo {

void testsymmetry(RunState& st, LocateWork& w) {
    std::vector<double> tot(static_cast<std::size_t>(st.ntestsym) + 1, 0.0), totmin = tot;
    std::vector<long> totden(tot.size(), 0);
    const std::string line = searchline(st, "(2(  i4,f14.2))");
    TextOut con(*st.con);
    for (int t = 1; t <= st.ntestsym; ++t) {
        const int j = st.nsym + t;
        st.log.write("(a,i3)", {"Testing symmetry operator # ", t});
        // Only the row decides here: a coordinate the candidate maps onto
        // itself needs no search.
        std::vector<int> srchcoo;
        for (int i = 1; i <= st.sdim; ++i) {
            bool unit = true;
            for (int k = 1; k <= st.sdim; ++k) unit = unit && st.rmat(i, k, j) == (k == i ? 1.0 : 0.0);
            if (!unit && w.fixed[i] == 0) srchcoo.push_back(i);
        }
        for (int i = 1; i <= st.sdim; ++i) w.shiftc[i] = 0;
        CoincidenceTable measure;
        measure.symmetry(st, j);
        const double maxsum = gridsearch(st, w, measure, srchcoo, line, [&](double value) {
            tot[t] += value;
            ++totden[t];
        });
        totmin[t] = maxsum;
        st.log.list();
        con.write("(a,i3,a,f10.4)", {"Tested symmetry operator #", t, ", best coincidence", maxsum});
        fplivc(st);
    }
    st.log.write("(a)", {"Summary of testing:"});
    st.log.write("(a)", {"Symop Nr.   average coind.    minimum coind    %"});
    for (int t = 1; t <= st.ntestsym; ++t)
        st.log.write("(i5,10X,f8.4,8X,f8.4,7X,f4.1)",
                     {t, tot[t] / totden[t], totmin[t], 100.0 * totmin[t] * totden[t] / tot[t]});
}

void comparereference(RunState& st, LocateWork& w) {
    st.sf.fill(0.0);
    for (int k = 0; k <= st.lstrhoel; ++k) st.sf(2L * k) = st.refrho(k);
    fft(st, 1);

    const std::string line = searchline(st, "(2(  i4,i4,f14.2))");
    double maxsum = 100000000.0;
    int enbest = 1;
    TextOut con(*st.con);
    for (int e = 1; e >= (st.centro ? 1 : -1); e -= 2) {
        if (e == -1) {
            st.log.list();
            st.log.write("(a)", {"Non-centrosymmetric structure, testing the other enantiomer:"});
        }
        int startc[8] = {}, endc[8] = {}, subc[8] = {}, axord[8] = {};
        for (int i = 1; i <= st.sdim; ++i) {
            axord[i - 1] = i - 1;
            if (w.fixed[i] != 0) {
                endc[i - 1] = 1;
            } else {
                endc[i - 1] = st.nvox(i) - 1;
                w.ambig[i][i] = 1.0 / st.nvox(i);
            }
        }
        CoincidenceTable measure;
        measure.shift(st, e);
        do {
            for (int i = 1; i <= st.sdim; ++i) {
                int s = 0;
                for (int k = 1; k <= st.sdim; ++k)
                    s += static_cast<int>(std::lround(subc[k - 1] * st.nvox(k) * w.ambig[i][k]));
                w.shiftc[i] = s;
                w.trialshift[i - 1] = static_cast<double>(s) / st.nvox(i);
            }
            const double value = measure(w.trialshift);
            if (value < maxsum) {
                for (int i = 1; i <= st.sdim; ++i) w.rightshift[i] = w.shiftc[i];
                maxsum = value;
                enbest = e;
            }
            FmtItems items;
            for (int i = 1; i <= st.sdim; ++i) items.emplace_back(w.shiftc[i]);
            items.emplace_back(e);
            items.emplace_back(value);
            for (int i = 1; i <= st.sdim; ++i) items.emplace_back(w.rightshift[i]);
            items.emplace_back(enbest);
            items.emplace_back(maxsum);
            st.log.write(line, items);
        } while (nextcoo(st.sdim, startc, endc, subc, axord));
        con.write("(a,i3,a,f10.4)", {"Reference comparison of enantiomer", e, " done, best", maxsum});
        fplivc(st);
    }

    for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
        reftyp& r = st.memrefl(i);
        double arg = 0;
        for (int k = 1; k <= st.sdim; ++k)
            arg += r.hklfg[k - 1] * static_cast<double>(w.rightshift[k]) / st.nvox(k);
        const double phi = phase(r.amem, enbest * r.bmem) + 2.0 * std::numbers::pi * arg;
        r.amem = r.f * std::cos(phi);
        r.bmem = r.f * std::sin(phi);
    }
    rebuildsf(st);
    fft(st, -1);
    for (int k = 0; k < st.nvoxtot; ++k) st.rho(k) = st.sf(2L * k);
}

}  // namespace quilmo
