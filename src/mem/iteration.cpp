#include "mem/iteration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "density/files.h"
#include "fourier/fft.h"
#include "fourier/spectrum.h"
#include "grid/orbitlist.h"
#include "grid/voxels.h"
#include "mem/check.h"
#include "mem/gradient.h"
#include "mem/report.h"
#include "mem/rfactor.h"
#include "mem/usercom.h"
#include "reflections/transfer.h"
#include "run/console.h"
#include "run/limits.h"
#include "run/parallel.h"
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

[[noreturn]] void lambda_too_large(RunState& st, const OrbitList& orb, double lambda) {
    double r = lambda;
    for (int v : orb.v) r = std::min(r, lambda_limit(st.sf.density(v) / st.norm));
    FmtItems msg{"Lambda too large. Lower the value at least to", r, ". Stopping."};
    st.log.write("(A,e10.3,A)", msg);
    st.log.close();
    TextOut con(*st.con);
    con.write("(A,e10.3,A)", msg);
    throw RunStop();
}

struct Update {
    double rhonorm = 1;
    double sc = 0;  // test value
    double s = 0;   // entropy of the updated density
};

// ln(au/rau) of every value, carried from cycle to cycle beside au so that
// a cycle takes one exponential per orbit and no logarithm; `backup` goes
// with bau.
//
// The backup is the density of the last accepted cycle.  Rather than copying
// au into bau after every accepted cycle, the update writes the new density
// into bau's storage and the two arrays change places, so that bau holds
// the density the cycle started from.  That is the last accepted one except
// after a cycle kept with a high charge increase (no new backup): then the
// next update works in place, leaving bau alone (`pinned`).
struct LogRatio {
    std::vector<double> now, backup;
    bool pinned = false;
};

void init_logratio(const RunState& st, LogRatio& lr) {
    const double* au = st.au.data();
    const double* rau = st.rau.data();
    lr.now.resize(static_cast<std::size_t>(st.au.size()));
    for (std::size_t k = 0; k < lr.now.size(); ++k) lr.now[k] = std::log(au[k] / rau[k]);
    lr.backup = lr.now;
}

// The Sakata-Sato step au *= exp(-lambda g) with the gradient g = the
// density of sf divided by norm (the backward transform left it unscaled), the
// scaling back to the charge, the test value and the new entropy.  With
// u = au*exp(e) before the scaling, ln(au_new/rau) = ln(au/rau) + e +
// ln(rhonorm), so s = -rhonorm * (sum m u (ln(au/rau) + e) + ln(rhonorm) * sum m u).
// Partial sums of one range of orbits.
struct UpdateSums {
    double sc = 0, slen = 0, clen = 0, sumrho = 0, slog = 0;
    bool too_large = false;  // an exponent beyond what a double holds
};

// The new values of orbits begin..end-1 from those of `from` (au and the
// log ratios) into `to`, which may be the same arrays.
struct UpdateArrays {
    const double *au, *lr;
    double *new_au, *new_lr;
};

UpdateSums update_part(const RunState& st, const OrbitList& orb, UpdateArrays a, double lambda, long begin,
                       long end) {
    const int norb = st.norb;
    const bool two = st.nchan == 2;
    const double* grad = st.sf.density();
    const double norm = st.norm;
    const double* au = a.au;
    const double* lr = a.lr;
    double* nau = a.new_au;
    double* nlr = a.new_lr;
    UpdateSums p;
    for (long i = begin; i < end; ++i) {
        const double m = orb.m[static_cast<std::size_t>(i)];
        const double g = grad[orb.v[static_cast<std::size_t>(i)]] / norm;
        const double e = -lambda * g;
        const double l1 = lr[i];
        p.sc -= m * m * l1 * g;
        p.slen += (m * l1) * (m * l1);
        p.clen += (m * g) * (m * g);
        if (two) {
            const double l2 = lr[i + norb];
            p.sc -= m * m * l2 * g;
            p.slen += (m * l2) * (m * l2);
        }
        if (std::fabs(e) >= 708) {
            p.too_large = true;
            return p;
        }
        const double x = std::exp(e);
        nau[i] = au[i] * x;
        nlr[i] = l1 + e;
        p.sumrho += m * nau[i];
        p.slog += m * nau[i] * nlr[i];
        if (two) {
            nau[i + norb] = au[i + norb] / x;
            nlr[i + norb] = lr[i + norb] - e;
            p.sumrho += m * nau[i + norb];
            p.slog += m * nau[i + norb] * nlr[i + norb];
        }
    }
    return p;
}

Update update(RunState& st, const OrbitList& orb, LogRatio& ratio, double lambda) {
    const int norb = st.norb;
    const bool two = st.nchan == 2;
    const UpdateArrays arrays{st.au.data(), ratio.now.data(), ratio.pinned ? st.au.data() : st.bau.data(),
                              ratio.pinned ? ratio.now.data() : ratio.backup.data()};
    const int parts = part_count(st.nthreads, norb);
    std::array<UpdateSums, kMaxThreads> sums;  // no allocation in the cycle
    for_parts(parts, norb, [&](int k, long begin, long end) {
        sums[static_cast<std::size_t>(k)] = update_part(st, orb, arrays, lambda, begin, end);
    });
    if (!ratio.pinned) {
        std::swap(st.au, st.bau);
        std::swap(ratio.now, ratio.backup);
    }
    double* au = st.au.data();
    double* lr = ratio.now.data();
    double sc = 0, slen = 0, clen = 0, sumrho = 0, slog = 0;
    for (int k = 0; k < parts; ++k) {
        const UpdateSums& p = sums[static_cast<std::size_t>(k)];
        if (p.too_large) lambda_too_large(st, orb, lambda);
        sc += p.sc;
        slen += p.slen;
        clen += p.clen;
        sumrho += p.sumrho;
        slog += p.slog;
    }

    Update u;
    if (two) {
        u.s = -slog;  // two channels keep their charge
    } else {
        u.rhonorm = st.charge / (sumrho * st.normcon);
        const double lnr = std::log(u.rhonorm);
        for_parts(parts, norb, [&](int, long begin, long end) {
            for (long i = begin; i < end; ++i) {
                au[i] *= u.rhonorm;
                lr[i] += lnr;
            }
        });
        u.s = -u.rhonorm * (slog + lnr * sumrho);
    }
    u.sc = slen * clen > kZeroTol ? 1.0 - sc / std::sqrt(slen * clen) : 0.0;
    return u;
}

// Back to the last accepted density; what au held is no longer needed.
void restore_backup(RunState& st, LogRatio& lr) {
    std::swap(st.au, st.bau);
    std::swap(lr.now, lr.backup);
    lr.pinned = false;
    new_structure_factors(st);
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
void apply_verdict(RunState& st, Verdict v, double lambda, LogRatio& ratio, double& fgconold,
                   double& fpgconold) {
    switch (v) {
        case Verdict::charge_kept:
        case Verdict::charge_repeat:
            st.log.write("(A)", {"The charge increase factor is too high, the results might be "
                                 "inaccurate."});
            if (v == Verdict::charge_repeat) {
                st.log.write("(A,E10.4,A)", {"Repeating with lambda decreased to ", lambda, "."});
                restore_backup(st, ratio);
            } else {
                ratio.pinned = true;  // kept without becoming the backup
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
            restore_backup(st, ratio);
            break;
        case Verdict::accepted:
            ratio.pinned = false;  // the next update leaves this density in bau
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
    LogRatio ratio;
    init_logratio(st, ratio);
    if (!st.bau.allocated() || st.bau.size() != st.au.size()) st.bau.allocate(1, st.au.size());

    new_structure_factors(st);
    rfactor(st);
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
        if (user_commands(st, [&st] { write_density_now(st); })) {
            st.maxcycles = ncycle - 1;
            st.summary.iteration_end = "user STOP";
        }
        if (ncycle > st.maxcycles) {
            if (st.summary.iteration_end.empty()) st.summary.iteration_end = "cycle limit";
            break;
        }

        fillfgcon(st);
        fft_backward_unscaled(st);
        const double lambda = c.lambda;
        Update u = update(st, orb, ratio, lambda);
        new_structure_factors(st);
        rfactor(st);
        const double sold = st.s;
        st.s = u.s;
        st.l = st.s - lambda * st.fpgcon;
        report_cycle(st, {ncycle, lambda, u.sc, u.rhonorm, st.s - sold, fgconold, fpgconold});
        progress(st, ncycle, lambda);
        st.summary.cycles.push_back({ncycle, lambda, st.r, st.fgcon});

        Verdict v = judge_cycle(c, u.rhonorm, st.fpgcon, fpgconold);
        apply_verdict(st, v, c.lambda, ratio, fgconold, fpgconold);
        if (v == Verdict::diverged_stop) st.summary.iteration_end = "divergence";
        st.lambda = c.lambda;
        flush_all(st, out);
        if (v == Verdict::diverged_stop) break;
        done = reached_aim(v, st.fgcon, st.aim);
    }

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
