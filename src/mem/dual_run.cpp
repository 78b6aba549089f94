// The run of algorithm DUAL: the start, reports and listings of the
// Sakata-Sato run around the minimisation of the dual.
#include <algorithm>
#include <cmath>
#include <string>

#include "density/files.h"
#include "grid/voxels.h"
#include "mem/check.h"
#include "mem/dual.h"
#include "mem/iteration.h"
#include "mem/report.h"
#include "mem/rfactor.h"
#include "mem/usercom.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// The console, the log and the command file during the minimisation.
struct RunHooks : DualHooks {
    RunState& st;
    TextOut& out;
    explicit RunHooks(RunState& s, TextOut& o) : st(s), out(o) {}

    bool may_evaluate(int next) override { return next <= st.maxcycles; }

    bool evaluated(int nev, const DualValues& v, const double* au) override {
        TextOut con(*st.con);
        con.write("(A,I7,A,ES11.4,A,ES11.4,A,ES14.7,A,ES11.4)",
                  {" Evaluation", nev, "  Constraint", v.c, "  Lambda", v.lambda, "  Entropy", v.s,
                   "  |grad Psi|", v.gnorm});
        st.summary.cycles.push_back({nev, v.lambda, v.r, v.c});
        const bool go_on = !user_commands(st, [this, au] { write_density_now(au); });
        st.log.flush();
        out.flush();
        fplivc(st);
        return go_on;
    }

    void iteration(int k, int nev, double psi, const DualValues& v) override {
        st.log.write("(A,I6,A,I7,A,ES16.9,A,ES11.4,A,ES11.4,A,ES14.7,A,ES11.4)",
                     {"L-BFGS iteration", k, "  evaluations", nev, "  Psi", psi, "  Constraint", v.c,
                      "  Lambda", v.lambda, "  Entropy", v.s, "  |grad Psi|", v.gnorm});
    }

    // The density of the evaluation just made, at once, under the given name.
    void write_density_now(const double* au) {
        // au stays the density the run started from until the end.
        std::vector<double> start(st.au.vec());
        std::copy(au, au + st.norb, st.au.data());
        quilmo::write_density_now(st);
        std::copy(start.begin(), start.end(), st.au.data());
    }
};

// A minimisation that fails after finite evaluations ends on the density of
// the lowest constraint it saw.  Where even that lies above the aim, Psi
// has been falling without bound: no density of the prior's form fits the
// data within the aim (phases that no positive density has, sigmas far too
// small), and the line search gives up far out along the falling direction.
bool best_written(const DualResult& r) {
    return (r.end == DualEnd::linesearch || r.end == DualEnd::nonfinite) && r.evbest > 0;
}

std::string end_text(const DualResult& r, double aim) {
    if (best_written(r)) {
        const std::string lowest = "lowest constraint " + trim(fformat("(ES10.4)", {r.cbest}, false)) +
                                   " at evaluation " + std::to_string(r.evbest) +
                                   ", whose density has been written.";
        if (r.cbest > aim)
            return "DUAL: the aim cannot be reached: Psi falls without bound while the constraint stays "
                   "above the aim; " + lowest;
        return "DUAL: the minimisation stopped after " + std::to_string(r.evaluations) +
               " evaluations without settling at the aim (" +
               (r.end == DualEnd::nonfinite ? "a value that is not a finite number" : "the line search failed") +
               "); " + lowest;
    }
    switch (r.end) {
        case DualEnd::converged:
            return "DUAL: the aim is reached after " + std::to_string(r.evaluations) + " evaluations.";
        case DualEnd::limit:
            return "DUAL: the cycle limit ends the minimisation after " + std::to_string(r.evaluations) +
                   " evaluations; the last accepted density is kept.";
        case DualEnd::stopped:
            return "DUAL: stopped by the user after " + std::to_string(r.evaluations) +
                   " evaluations; the last accepted density is kept.";
        case DualEnd::nonfinite:
            return "DUAL: Psi or its gradient is not a finite number at evaluation " +
                   std::to_string(r.evaluations) + "; the last accepted density has been written.";
        case DualEnd::linesearch:
            break;
    }
    return "DUAL: the L-BFGS line search failed (status " + std::to_string(r.code) + ") after " +
           std::to_string(r.evaluations) + " evaluations; the last accepted density has been written.";
}

// The iteration end in the summary's words.
const char* summary_end(const DualResult& r) {
    switch (r.end) {
        case DualEnd::converged:
            return "normal";
        case DualEnd::limit:
            return "cycle limit";
        case DualEnd::stopped:
            return "user STOP";
        case DualEnd::nonfinite:
            return "not finite";
        case DualEnd::linesearch:
            break;
    }
    return "line search failed";
}

}  // namespace

void memdual(RunState& st) {
    TextOut out;
    open_reports(st, out);
    release_rho(st);

    // The start of a Sakata-Sato run: the statistics of the starting density.
    new_structure_factors(st);
    rfactor(st);
    entropy(st);
    st.lambda = 0;
    st.l = st.s;
    report_start(st, out);
    st.log.list();
    st.log.write("(A,I3,A)", {"DUAL: maximum entropy through its dual, L-BFGS with", kDualMemory,
                              " corrections; one transform pair per evaluation."});

    // Solved for a target just below the aim, so that the solution meets it.
    const DualProblem p = dual_problem(st, st.aim * (1 - 1e-4));
    std::vector<double> fc(2 * static_cast<std::size_t>(p.nf));
    for (int k = 0; k < p.nf; ++k) {
        fc[2 * static_cast<std::size_t>(k)] = st.refl(st.sec.f.start + 1 + k).amem;
        fc[2 * static_cast<std::size_t>(k) + 1] = st.refl(st.sec.f.start + 1 + k).bmem;
    }

    // exp(-phibar) times the prior is a density only where the prior is not
    // negative.
    for (int i = 1; i <= st.norb; ++i)
        if (st.rau(i) < 0) throw RunStop("DUAL: the prior density must not be negative anywhere!");

    DualResult r;
    const bool met = st.fgcon <= st.aim;  // the start meets the aim: nothing to do
    if (!met) {
        // Data that break the symmetry by more than the aim can never meet it.
        if (!(p.aimfree() > 0))
            throw RunStop(
                "DUAL: the F-constraints break the symmetry by more than the aim allows "
                "(their symmetry-forbidden part alone gives a constraint value above the aim)!");
        std::vector<double> x0(static_cast<std::size_t>(p.nx));
        // F(au) of the start is F(rau): the start is the prior.
        if (!dual_start(p, fc.data(), x0.data()))
            throw RunStop("DUAL: the prior density gives no direction to start from!");
        RunHooks hooks(st, out);
        r = dual_minimise(st, p, st.aim, x0, hooks);
        st.log.list();
        if (best_written(r)) {
            // The density of the lowest constraint, evaluated again.
            std::vector<double> g(static_cast<std::size_t>(p.nx));
            r.au.resize(static_cast<std::size_t>(st.norb));
            r.v = dual_evaluate(st, p, r.xbest.data(), g.data(), r.au.data(), fc.data());
            r.any = true;
        }
        st.log.write("(A)", {end_text(r, st.aim)});
        if (r.end == DualEnd::nonfinite || r.end == DualEnd::linesearch)
            TextOut(*st.con).write("(A)", {end_text(r, st.aim)});
    }

    // The final state: the converged or last accepted density, or the start.
    double lambda = 0, test = 0;
    if (r.any) {
        std::copy(r.au.begin(), r.au.end(), st.au.data());
        lambda = r.v.lambda;
    }
    new_structure_factors(st);
    rfactor(st);
    entropy(st);
    st.lambda = lambda;
    st.l = st.s - st.lambda * st.fpgcon;
    if (r.any) {
        for (int k = 0; k < p.nf; ++k) {
            fc[2 * static_cast<std::size_t>(k)] = st.refl(st.sec.f.start + 1 + k).amem;
            fc[2 * static_cast<std::size_t>(k) + 1] = st.refl(st.sec.f.start + 1 + k).bmem;
        }
        test = dual_angle_test(st, p, st.au.data(), fc.data());
    }
    st.summary.iteration_end = summary_end(r);
    const DualEndValues dual{lambda, test};
    report_end(st, out, r.evaluations, cpu_seconds(), &dual);
    if (st.memcheck > 0) writecheck(st);
    report_listings(st, out);
    out.close();
    st.log.close();

    if (r.end == DualEnd::nonfinite || r.end == DualEnd::linesearch) {
        // The last accepted density is the run's result as far as it went.
        expandrho(st);
        rhowrite(st);
        throw RunStop(end_text(r, st.aim));
    }
}

}  // namespace quilmo
