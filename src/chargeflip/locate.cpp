// The symmetry search: which operator fixes which coordinate, the
// exhaustive grid search of its origin, the refinement, the new phases.
#include "chargeflip/locate.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "chargeflip/coincidence.h"
#include "chargeflip/locate_work.h"
#include "chargeflip/refine.h"
#include "fourier/fft.h"
#include "fourier/spectrum.h"
#include "grid/voxels.h"
#include "reflections/orbits.h"
#include "reflections/transfer.h"
#include "run/console.h"
#include "run/templates.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

bool is_unit_row(const RunState& st, int i, int j) {
    for (int k = 1; k <= st.sdim; ++k)
        if (st.rmat(i, k, j) != (k == i ? 1.0 : 0.0)) return false;
    return true;
}

bool is_unit_column(const RunState& st, int i, int j) {
    for (int k = 1; k <= st.sdim; ++k)
        if (st.rmat(k, i, j) != (k == i ? 1.0 : 0.0)) return false;
    return true;
}

void report_choice(RunState& st, const CooPick& pick) {
    for (int i = 1; i <= st.sdim; ++i) {
        if (pick[i].symnr < 0)
            st.log.write("(3(a,i3))", {"Coordinate ", i, " cannot be fixed."});
        else
            st.log.write("(3(a,i3))", {"Coordinate ", i, " will be fixed with symop", pick[i].symnr,
                                       " with complexity", st.sdim - pick[i].invarnr});
    }
}

// Grid search, refinement and settling of the coordinates operator s moves.
void search_operator(RunState& st, LocateWork& w, const sympicktype& pick) {
    const int s = pick.symnr;
    std::vector<int> srchcoo;
    for (int k = 1; k <= st.sdim; ++k)
        if (!pick.invarc[k] && w.fixed[k] == 0) srchcoo.push_back(k);
    const int nsrch = static_cast<int>(srchcoo.size());
    for (int i = 0; i < nsrch; ++i)
        for (int k = 0; k < nsrch; ++k) w.ambig[srchcoo[i]][srchcoo[k]] = i == k ? 1.0 : 0.0;
    for (int i = 1; i <= st.sdim; ++i) {
        if (pick.invarc[i])
            w.shiftc[i] = 0;
        else if (w.fixed[i] != 0)
            w.shiftc[i] = static_cast<int>(std::lround(w.cooshift[i] * st.nvox(i)));
    }
    CoincidenceTable measure;
    measure.symmetry(st, s);
    gridsearch(st, w, measure, srchcoo, searchline(st, "(2(  i4,f14.2))"));

    st.log.write("(a)", {"Refining the position:"});
    std::string refline = "( f8.3,2X,f7.4)";
    set_template_count(refline, st.sdim, "(i1)", 2, 2);
    for (int i = 1; i <= st.sdim; ++i)
        w.trialshift[i - 1] =
            w.fixed[i] != 0 ? w.cooshift[i] : static_cast<double>(w.rightshift[i]) / st.nvox(i);
    const bool succ = refinesympos([&](const double* x) { return measure(x); }, st.nvox, st.sdim, srchcoo,
                                   w.trialshift, st.log, refline);
    if (!succ)
        st.log.write(
            "(a)",
            {"Warning, a problem occured in the refinement. The refined position might be unreliable."});
    for (int i = 1; i <= st.sdim; ++i)
        if (!pick.invarc[i]) {
            w.fixed[i] = 1;
            w.cooshift[i] = w.trialshift[i - 1];
        }

    TextOut con(*st.con);
    con.write("(a,i3,a,f10.4,a,a)", {"Symmetry search with symop", s, " done, coincidence",
                                     measure(w.trialshift), succ ? "" : "  (refinement unreliable)", ""});
    fplivc(st);
}

}  // namespace

double gridsearch(RunState& st, LocateWork& w, const CoincidenceTable& measure,
                  const std::vector<int>& srchcoo, const std::string& line,
                  const std::function<void(double)>& seen) {
    const int nsrch = static_cast<int>(srchcoo.size());
    int startc[8] = {}, endc[8] = {}, subc[8] = {}, axord[8] = {};
    for (int i = 0; i < nsrch; ++i) {
        endc[i] = st.nvox(srchcoo[static_cast<std::size_t>(i)]) - 1;
        axord[i] = i;
    }
    double maxsum = 100000000.0;
    do {
        for (int i = 0; i < nsrch; ++i) w.shiftc[srchcoo[static_cast<std::size_t>(i)]] = subc[i];
        for (int i = 1; i <= st.sdim; ++i)
            w.trialshift[i - 1] = static_cast<double>(w.shiftc[i]) / st.nvox(i);
        const double value = measure(w.trialshift);
        if (value < maxsum) {
            for (int i = 1; i <= st.sdim; ++i) w.rightshift[i] = w.shiftc[i];
            maxsum = value;
        }
        if (seen) seen(value);
        FmtItems items;
        for (int i = 1; i <= st.sdim; ++i) items.emplace_back(w.shiftc[i]);
        items.emplace_back(value);
        for (int i = 1; i <= st.sdim; ++i) items.emplace_back(w.rightshift[i]);
        items.emplace_back(maxsum);
        st.log.write(line, items);
    } while (nextcoo(nsrch, startc, endc, subc, axord));
    return maxsum;
}

std::string searchline(const RunState& st, const char* tmpl) {
    std::string form = tmpl;
    set_template_count(form, st.sdim, "(i2)", 4, 5);
    return form;
}

bool nextcoo(int dim, const int* startc, const int* endc, int* coo, const int* axord) {
    for (int i = 0; i < dim; ++i) {
        const int a = axord[i];
        if (++coo[a] <= endc[a]) return true;
        coo[a] = startc[a];
    }
    return false;
}

CooPick chooseoperators(const RunState& st) {
    CooPick pick{};
    if (st.symfix) {
        for (int i = 1; i <= st.sdim; ++i) {
            const int op = st.symfixlist[static_cast<std::size_t>(i)];
            if (op <= 0) continue;
            int same = 0;
            for (int k = 1; k <= st.sdim; ++k) {
                const bool mine = st.symfixlist[static_cast<std::size_t>(k)] == op;
                pick[i].invarc[k] = !mine;
                same += mine ? 1 : 0;
            }
            pick[i].symnr = op;
            pick[i].invarnr = st.sdim - same;
        }
        return pick;
    }
    for (int j = 1; j <= st.nsym; ++j) {
        std::array<bool, 9> inv{};
        int co = 0;
        for (int i = 1; i <= st.sdim; ++i) {
            inv[i] = is_unit_row(st, i, j) && is_unit_column(st, i, j);
            co += inv[i] ? 1 : 0;
        }
        for (int i = 1; i <= st.sdim; ++i)
            if (!inv[i] && co > pick[i].invarnr) {
                pick[i].invarnr = co;
                pick[i].symnr = j;
                pick[i].invarc = inv;
            }
    }
    return pick;
}

void rebuildsf(RunState& st) {
    write_memrefl_sf(st, clear_sf(st), st.msec.f.start, st.msec.f.end, [](const reftyp& e) { return cplx(e.amem, e.bmem); });
    sf2refl(st);
}

void newphases(RunState& st, const LocateWork& w) {
    // Read from sf while the new values go into memrefl only; sf is rebuilt
    // afterwards.
    sparse_sf(st);
    for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
        reftyp& e = st.memrefl(i);
        double phi;
        if (st.averagesym) {
            // Every operator j gives an estimate of the phase at h from the
            // one at h' = h·R_j: φ(h) = φ(h') + 2π(h'·shift + h·t_j).
            double a = 0, b = 0;
            for (int j = 1; j <= st.nsym; ++j) {
                const std::array<int, 9> hp = hklimage(st, e.hklfg, j);
                double arg = 0;
                for (int k = 1; k <= st.sdim; ++k)
                    arg += hp[k - 1] * w.cooshift[k] + e.hklfg[k - 1] * st.tvec(k, j);
                const int loc = arraylocation(st, hp, 2);
                const cplx f = st.sf.at(loc);
                const double psi = phase(f.real(), f.imag()) + kTwoPi * arg;
                a += std::cos(psi);
                b += std::sin(psi);
            }
            phi = phase(a, b);
        } else {
            double arg = 0;
            for (int k = 1; k <= st.sdim; ++k) arg += e.hklfg[k - 1] * w.cooshift[k];
            const int loc = arraylocation(st, e.hklfg, 2);
            const cplx f = st.sf.at(loc);
            phi = phase(f.real(), f.imag()) + kTwoPi * arg;
        }
        e.amem = e.f * std::cos(phi);
        e.bmem = e.f * std::sin(phi);
    }
    rebuildsf(st);
}

void locatesymmetryrs(RunState& st) {
    open_log(st);
    LocateWork w;
    if (st.searchsym) {
        const CooPick pick = chooseoperators(st);
        report_choice(st, pick);
        for (int c = 1; c <= st.sdim; ++c) {
            if (w.fixed[c] != 0 || pick[c].symnr == -1) continue;
            allocate_or_stop(
                "Error allocating in FR, Span, Ft and SrchRef in LocateSymmetryRS! Too little memory?",
                [&] { search_operator(st, w, pick[c]); });
        }
        st.log.list({"I have found following shift of origin:"});
        for (int i = 1; i <= st.sdim; ++i)
            st.log.write("(a,i3,a,f6.3)", {"Coordinate", i, " by ", w.cooshift[i]});
        st.summary.flip.origin_shift.assign(w.cooshift + 1, w.cooshift + 1 + st.sdim);
        newphases(st, w);
    }
    if (st.ntestsym > 0) testsymmetry(st, w);
    fft(st, -1);
    std::copy(st.sf.density(), st.sf.density() + st.nvoxtot, st.rho.data());
    if (!same_text(st.refrhotype, "none")) comparereference(st, w);
    st.log.close();
}

}  // namespace quilmo
