#include "reflections/expand.h"

#include <algorithm>
#include <vector>

#include "grid/voxels.h"
#include "reflections/orbits.h"
#include "reflections/transfer.h"
#include "run/console.h"
#include "run/templates.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// F-constraints with their images; duplicates of earlier positions are
// listed.  Returns true when there were any.
bool expand_f(RunState& st, ReflOrbits& orbits, std::vector<reftyp>& work) {
    TextOut& log = st.log;
    log.list();
    log.list();
    log.write("(A)", {"Doubled reflections: F-Constraints"});
    log.write("(A)", {fhklheader("weight")});
    st.msec.f.start = 1;
    bool dup = false;
    for (int r = st.sec.f.start; r <= st.sec.f.end; ++r) {
        reftyp& e = st.refl(r);
        if (orbits.taken(e.sfloc)) {
            log.write("(I6,A)", {r, ": "}, false);
            log.write(fhklform(st.sdim), fhklitems(st, e));
            dup = true;
        } else {
            e.mult = orbits.orbit(e, work, true);
        }
    }
    st.msec.f.end = static_cast<int>(work.size());
    return dup;
}

// Friedel mates of the F entries of a non-centrosymmetric structure.
// Coincidences are listed but do not stop the run.
void expand_friedel(RunState& st, ReflOrbits& orbits, std::vector<reftyp>& work) {
    TextOut& log = st.log;
    bool listed = false;
    if (!st.centro) {
        log.write("(A)", {"Doubled by Friedel expansion"});
        const int nf = st.mtotalf();
        for (int i = 1; i <= nf; ++i) {
            reftyp mate = work[static_cast<std::size_t>(i - 1)];
            for (int k = 0; k < st.sdim; ++k) mate.hklfg[static_cast<std::size_t>(k)] *= -1;
            const int loc = arraylocation(st, mate.hklfg, 2);
            if (orbits.taken(loc)) {
                log.write("(I6,A)", {i, ": "}, false);
                log.write(fhklform(st.sdim), fhklitems(st, work[static_cast<std::size_t>(i - 1)]));
                listed = true;
            } else {
                mate.sfloc = loc;
                mate.b = -mate.b;
                orbits.take(loc);
                work.push_back(mate);
            }
        }
        st.msec.f.end = static_cast<int>(work.size());
    }
    if (!listed) log.write("(A)", {"     None"});
}

// G members with their images (no phase shift: a G entry carries an
// intensity).  Returns true when a member repeated an earlier position.
bool expand_g(RunState& st, ReflOrbits& orbits, std::vector<reftyp>& work) {
    if (st.ggroups <= 0) {
        st.msec.g.start = st.msec.g.end = 0;
        return false;
    }
    TextOut& log = st.log;
    log.list();
    log.list();
    log.write("(A)", {"Doubled reflections: G-Constraints"});
    log.write("(A)", {"     #     h   k   l... Group m"});
    std::string gshklform = "(   i4,2X,2i5)";
    set_template_count(gshklform, st.sdim, "(I3)", 2, 4);
    // G members may stand on F positions: the F flags are released.
    orbits.clear();
    st.msec.g.start = st.msec.f.end + 1;
    bool dup = false;
    int r = st.sec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        st.mngroup(g) = 0;
        for (int m = 1; m <= st.gdiff(g); ++m, ++r) {
            reftyp& e = st.refl(r);
            if (orbits.taken(e.sfloc)) {
                FmtItems it;
                for (int k = 0; k < st.sdim; ++k) it.emplace_back(e.hklfg[static_cast<std::size_t>(k)]);
                it.insert(it.end(), {e.hklfg[8], e.mult});
                log.write("(I6,A)", {r, ": "}, false);
                log.write(gshklform, it);
                dup = true;
            } else {
                e.mult = orbits.orbit(e, work, false);
                st.mngroup(g) += e.mult;
            }
        }
    }
    st.msec.g.end = static_cast<int>(work.size());
    return dup;
}

void list_expanded(RunState& st) {
    TextOut& log = st.log;
    if (!st.expandedlog) {
        log.write("(A)", {" Listing of expanded reflections suppressed, summary follows:"});
        return;
    }
    log.list();
    log.list();
    log.write("(A)", {"Expanded reflections: F-Constraints and Prior SF"});
    log.list();
    log.write("(A, I9)", {" StartF: ", st.msec.f.start});
    log.write("(A, I9)", {" EndF:   ", st.msec.prif.end});
    log.write("(A)", {fhklheader("weight")});
    for (int i = st.msec.f.start; i <= st.msec.prif.end; ++i) {
        log.write("(I6,A)", {i, ": "}, false);
        log.write(fhklform(st.sdim), fhklitems(st, st.memrefl(i)));
    }
    log.list();
    log.write("(A)", {"Expanded reflections: G-Constraints"});
    log.list();
    if (st.msec.g.start == 0 || st.msec.g.end == 0) {
        log.write("(A)", {" None"});
        return;
    }
    log.write("(A,I9)", {" Start G: ", st.msec.g.start});
    log.write("(A,I9)", {" End G:   ", st.msec.g.end});
    log.list();
    for (int i = st.msec.g.start; i <= st.msec.g.end; ++i) {
        const reftyp& e = st.memrefl(i);
        if (i == st.msec.g.start || e.hklfg[8] != st.memrefl(i - 1).hklfg[8]) {
            // A group's first line carries its observed value (the weight
            // field stays empty); the others show only where they lie.
            log.write("(I4,A)", {e.hklfg[8], ". G-Constraint"});
            log.write("(I6,A)", {i, ": "}, false);
            log.write(fhklform(st.sdim), fhklitems(st, e, 8));
        } else {
            FmtItems it;
            for (int k = 0; k < st.sdim; ++k) it.emplace_back(e.hklfg[static_cast<std::size_t>(k)]);
            it.insert(it.end(), {e.hklfg[8], e.mult, e.sfloc});
            log.write("(I6,A)", {i, ": "}, false);
            log.write(ghklform(st.sdim), it);
        }
    }
}

void list_totals(RunState& st) {
    TextOut& log = st.log;
    log.list();
    log.write("(A)", {" Totals of expanded reflections:"});
    log.write("(A, I8)", {"  F-Constraints: ", st.mtotalf()});
    log.write("(A, I8)", {"  P-Constraints: ", st.mtotalprif()});
    log.write("(A, I8)", {"  G-Constraints: ", st.mtotalg()});
    log.write("(A, I8)", {"  Alltogether  : ", st.mtotalfpg()});
    log.close();

    TextOut out;
    if (!open_run_file(out, trim(st.memreflfile), TextOut::Mode::Append))
        throw RunStop("Error opening the output listing file!");
    out.list();
    out.write("(A, 2I8)", {" F-Constraints input/expanded: ", st.totalf(), st.mtotalf()});
    out.write("(A, 2I8)", {" P-Constraints input/expanded: ", st.totalprif(), st.mtotalprif()});
    out.write("(A, 2I8)", {" G-Constraints input/expanded: ", st.totalg(), st.mtotalg()});
    out.list();
    out.close();
}

}  // namespace

void expandrefl(RunState& st) {
    open_log(st);
    // Every input F and G entry with each point operator, and its Friedel
    // mate unless the structure is centrosymmetric.
    const int final = (st.centro ? 1 : 2) * st.totalfg() * st.nsympoint;
    std::vector<reftyp> work;
    allocate_or_stop("Error allocating DMEMRefl! Memory to small?",
                     [&] { work.reserve(static_cast<std::size_t>(final)); });
    ReflOrbits orbits(st);
    if (st.ggroups > 0)
        allocate_or_stop("Error allocating MNGroup! Memory to small?",
                         [&] { st.mngroup.allocate(1, st.ggroups); });

    bool dupf = false, dupg = false;
    allocate_or_stop("Error allocating DMEMRefl! Memory to small?", [&] {
        dupf = expand_f(st, orbits, work);
        expand_friedel(st, orbits, work);
        dupg = expand_g(st, orbits, work);
    });

    if (st.addprisf) {
        addpriorsf(st, orbits, work);
    } else {
        rebuildrefl(st, {});
        st.msec.prif.end = st.msec.f.end;
    }

    allocate_or_stop("Error allocating MEMRefl! Memory too small?",
                     [&] { st.memrefl.allocate(1, static_cast<long>(work.size())); });
    std::copy(work.begin(), work.end(), st.memrefl.data());
    std::vector<reftyp>().swap(work);
    indexarray(st);

    TextOut& log = st.log;
    if (!dupg && st.totalg() > 0) log.write("(A)", {"     None"});
    if (dupf || dupg) {
        const char* msg =
            "Error, the reflections in the input are not unique! Please, supply a unique list. Stopping.";
        TextOut con(*st.con);
        con.write("(a)", {msg});
        log.list();
        log.write("(A)", {msg});
        log.close();
        throw RunStop();
    }
    list_expanded(st);
    list_totals(st);
}

}  // namespace quilmo
