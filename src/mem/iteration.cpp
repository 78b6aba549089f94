#include "mem/iteration.h"

#include <algorithm>

#include "density/files.h"
#include "fourier/fft.h"
#include "fourier/spectrum.h"
#include "grid/orbitlist.h"
#include "grid/voxels.h"
#include "mem/check.h"
#include "mem/cyclelists.h"
#include "mem/gradient.h"
#include "mem/report.h"
#include "mem/rfactor.h"
#include "mem/update.h"
#include "mem/usercom.h"
#include "reflections/transfer.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

// The extra reflections are set here, with every new transform, so that the
// final listing shows the final density whatever used sf afterwards.
void new_structure_factors(RunState& st) {
    expandsf(st);
    fft(st, 1);
    sf2memrefl(st);
    sf2refl(st);
    read_refl_sf(st, st.sec.extra.start, st.sec.extra.end, [](reftyp& e, cplx f) {
        e.amem = f.real();
        e.bmem = f.imag();
    });
}

void write_density_now(RunState& st) {
    const std::string name = trim(st.com.chr);
    st.log.list();
    if (own_map_name(st, name)) {
        st.log.write("(a)", {"The file " + name +
                             " is kept for the run's own density; the DENSITY command is ignored."});
        return;
    }
    st.log.write("(a)", {"Writing out the current density to the file " + name});
    expandrho(st);
    // The whole name is kept: a name longer than the command value must
    // come back unchanged for the final density.
    const std::string kept = st.outrhofile;
    const std::string kept_type = st.outrhotype;
    st.outrhofile = fixed(name, std::max(kNameLen, name.size()));
    try {
        rhowrite(st);
    } catch (const RunStop& stop) {
        // A map asked for during the iteration is not worth the run: the
        // failure is reported and the iteration goes on.
        open_log(st);
        st.log.write("(a)", {"The density could not be written: " + stop.message()});
        errormsg(st, "The density could not be written: " + stop.message());
        st.console_told = false;
    }
    st.outrhofile = kept;
    st.outrhotype = kept_type;
    open_log(st);
}

namespace {

// Back to the last accepted density; what au held is no longer needed.
// The gradient values of the backup were kept beside it, so no transform
// is needed to go on from it.
void restore_backup(RunState& st, IterDensity& d, CycleLists& lists) {
    to_backup(st, d);
    std::swap(lists.v, lists.vb);
}

void progress(RunState& st, int ncycle, double lambda) {
    TextOut con(*st.con);
    con.write("(A,I7,A,ES11.4,A,F8.4,A,ES11.4)",
              {" Cycle", ncycle, "  Lambda", lambda, "  R", st.r, "  Constraint", st.fgcon});
    fplivc(st);
}

void flush_all(RunState& st, TextOut& out) {
    st.log.flush();
    out.flush();
    if (st.hst.is_open()) st.hst.flush();
    fplivc(st);
}

// Reports the verdict on a cycle and keeps its densities (and the
// constraint values it is judged against next time) or restores the backup;
// `lambda` is the multiplier the control has set for the next cycle.
void apply_verdict(RunState& st, Verdict v, double lambda, IterDensity& d, CycleLists& lists,
                   double& fgconold, double& fpgconold) {
    switch (v) {
        case Verdict::charge_kept:
        case Verdict::charge_repeat:
            st.log.write("(A)", {"The charge increase factor is too high, the results might be "
                                 "inaccurate."});
            if (v == Verdict::charge_repeat) {
                st.log.write("(A,E10.4,A)", {"Repeating with lambda decreased to ", lambda, "."});
                restore_backup(st, d, lists);
            } else {
                d.pinned = true;  // kept without becoming the backup
            }
            break;
        case Verdict::diverged_stop: {
            const char* text = "Divergence in constraints, lambda control off => stopping.";
            st.log.write("(A)", {text});
            TextOut(*st.con).write("(A)", {text});
            break;
        }
        case Verdict::diverged_repeat:
            st.log.write("(A)", {"Divergence in constraints, lowering lambda and repeating the cycle."});
            restore_backup(st, d, lists);
            break;
        case Verdict::accepted:
            d.pinned = false;  // the next update leaves this density in bau
            fpgconold = st.fpgcon;
            fgconold = st.fgcon;
            break;
    }
}

}  // namespace

void mem(RunState& st) {
    TextOut out;
    open_reports(st, out);

    release_rho(st);
    // Made once: the cycle allocates nothing.
    const OrbitList orb = orbitlist(st);
    CycleLists lists = cycle_lists(st);
    IterDensity d;
    init_density(st, orb, d);

    new_structure_factors(st);
    rfactor(st);
    take_sf(st, lists, 1.0);
    lists.vb = lists.v;
    double fgconold = st.fgcon + 1, fpgconold = st.fpgcon + 1;
    entropy(st);
    std::copy(st.au.vec().begin(), st.au.vec().end(), st.bau.vec().begin());

    LambdaControl c = start_control(st.lambda);
    if (st.lambda == 0) {
        getinitlambda(st);
        c.lambda = st.lambda;
    }
    st.lambda = c.lambda;
    st.l = st.s - st.lambda * st.fpgcon;
    report_start(st, out);

    int ncycle = 0;
    bool done = st.fgcon <= st.aim;
    while (!done) {
        ++ncycle;
        if (user_commands(st, [&st, &d] {
                settle(st, d);
                write_density_now(st);
            })) {
            st.maxcycles = ncycle - 1;
            st.summary.iteration_end = "user STOP";
        }
        if (ncycle > st.maxcycles) {
            if (st.summary.iteration_end.empty()) st.summary.iteration_end = "cycle limit";
            break;
        }

        // One cycle: the constraint gradient to real space, the update
        // (which leaves the new density on the grid), its structure factors
        // and their statistics.
        fill_gradient(st, lists);
        fft_backward_unscaled(st);
        const double lambda = c.lambda;
        // The update keeps the density it starts from as the backup unless
        // the backup is pinned; its gradient values go with it.
        if (!d.pinned) std::swap(lists.v, lists.vb);
        const StepResult u = update(st, orb, d, lambda);
        fft(st, 1);
        take_sf(st, lists, d.scale);
        rfactor_sf(st, lists, d.scale);
        const double sold = st.s;
        st.s = u.s;
        st.l = st.s - lambda * st.fpgcon;
        report_cycle(st, {ncycle, lambda, u.sc, u.rhonorm, st.s - sold, fgconold, fpgconold});
        progress(st, ncycle, lambda);
        st.summary.cycles.push_back({ncycle, lambda, st.r, st.fgcon});

        Verdict v = judge_cycle(c, u.rhonorm, st.fpgcon, fpgconold);
        apply_verdict(st, v, c.lambda, d, lists, fgconold, fpgconold);
        if (v == Verdict::diverged_stop) st.summary.iteration_end = "divergence";
        st.lambda = c.lambda;
        flush_all(st, out);
        if (v == Verdict::diverged_stop) break;
        done = reached_aim(v, st.fgcon, st.aim);
    }
    // The records get the structure factors of the final density.
    settle(st, d);
    if (ncycle > 0) new_structure_factors(st);

    if (st.summary.iteration_end.empty()) st.summary.iteration_end = "normal";
    report_end(st, out, ncycle, cpu_seconds());
    if (st.memcheck > 0) writecheck(st);
    report_listings(st, out);
    out.close();
    st.log.close();
}

void memsys_stop(RunState& st) {
    const char* a = "Sorry, the MEMSys package is commercial and ";
    const char* b = "is not a part of this freely distributed package.";
    open_log(st);
    st.log.write("(a,a)", {a, b});
    st.log.close();
    TextOut(*st.con).list({a, b});
    throw RunStop();
}

}  // namespace quilmo
