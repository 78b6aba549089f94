// The charge-flipping iteration: random (or given) start phases, then
// cycles of flip in the density and amplitude reset in reciprocal space
// until R is low enough, its history settles, or the cycle limit is reached.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "chargeflip/flipping.h"
#include "chargeflip/locate.h"
#include "chargeflip/normalize.h"
#include "fourier/fft.h"
#include "fourier/spectrum.h"
#include "grid/voxels.h"
#include "reflections/transfer.h"
#include "run/console.h"
#include "run/templates.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

}  // namespace

FlipMates friedelmates(RunState& st) {
    const std::size_t n = static_cast<std::size_t>(std::max(st.msec.f.end - st.msec.f.start + 1, 0));
    resync_sf(st);  // the slots are kept for the whole run
    FlipMates m;
    m.self.resize(n);
    m.mate.resize(n);
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) {
        Coord8 c = coordinates(st, st.memrefl(i).sfloc, 2);
        for (int& x : c) x = -x;
        m.self[static_cast<std::size_t>(i - st.msec.f.start)] = st.sf.sparse_index(st.memrefl(i).sfloc);
        m.mate[static_cast<std::size_t>(i - st.msec.f.start)] = st.sf.sparse_index(arraylocation(st, c, 2));
    }
    m.origin = st.sf.sparse_index(0);
    return m;
}

namespace {

// F at the entry = the conjugate of its mate when the mate is already set
// (a non-zero real part), else (a, b).  Returns what was stored.
inline void put_with_mate(cplx* v, int self, int mate, double& a, double& b) {
    v[self] = cplx(a, b);
    if (mate >= 0 && v[mate].real() != 0) {
        a = v[mate].real();
        b = -v[mate].imag();
        v[self] = cplx(a, b);
    }
}

// Start phases: the given ones, or random ones drawn in order.
void start_attempt(RunState& st, FlipRandom& rng, const FlipMates& mate, bool given) {
    cplx* v = clear_sf(st).value.data();
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) {
        reftyp& e = st.memrefl(i);
        const std::size_t k = static_cast<std::size_t>(i - st.msec.f.start);
        if (given) {
            v[mate.self[k]] = cplx(e.a, e.b);
            continue;
        }
        const double r1 = rng.next();
        const double r2 = rng.next();
        e.a = e.f * std::cos(kTwoPi * r1);
        e.b = e.f * std::cos(kTwoPi * r2);
        put_with_mate(v, mate.self[k], mate.mate[k], e.a, e.b);
    }
    reftyp& f000 = st.memrefl(st.msec.f.start);
    f000.a = f000.b = 0;
    if (mate.origin >= 0) v[mate.origin] = 0;
    f000.amem = f000.bmem = 0;
}

// Every voxel below the threshold changes sign; returns the charge flipped.
double flip(double* rho, long nvoxtot, double delta) {
    double aucnt = 0;
    for (long k = 0; k < nvoxtot; ++k) {
        double& v = rho[k];
        if (v < delta) {
            v = -v;
            aucnt += std::fabs(v);
        }
    }
    return aucnt;
}

int satellite_order(const RunState& st, const reftyp& e) {
    return st.sdim > st.rdim ? std::abs(e.hklfg[static_cast<std::size_t>(st.rdim)]) : 0;
}

}  // namespace

// A strong reflection whose calculated amplitude vanished has no phase to
// keep: it gets phase 0 rather than a division by zero that would spread
// NaN over the whole density.
void resetamplitudes(RunState& st) {
    for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
        reftyp& e = st.memrefl(i);
        if (e.f > st.weakrefl(satellite_order(st, e))) {
            if (e.fmem == 0) {
                e.amem = e.f;
                e.bmem = 0;
            } else {
                e.amem = e.f * e.amem / e.fmem;
                e.bmem = e.f * e.bmem / e.fmem;
            }
        } else {
            const double a = e.amem;
            e.amem = e.bmem;
            e.bmem = -a;
        }
    }
}

namespace {

void rebuild(RunState& st, const FlipMates& mate) {
    cplx* v = clear_sf(st).value.data();
    if (mate.origin >= 0) v[mate.origin] = st.memrefl(st.msec.f.start).amem;
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) {
        const reftyp& e = st.memrefl(i);
        const std::size_t k = static_cast<std::size_t>(i - st.msec.f.start);
        double a = e.amem, b = e.bmem;
        put_with_mate(v, mate.self[k], mate.mate[k], a, b);
    }
}

bool is_weak(const RunState& st, const reftyp& e) { return !(e.f > st.weakrefl(satellite_order(st, e))); }

// After a flipping of E: every F entry gets back its observed amplitude
// with the phase the flipping gave it, the phase of the last flipped
// density.  The last reset left that phase in amem, bmem of the strong
// entries and turned by -90 degrees in the weak ones, which is undone here.
// F(000) is the flipped charge carried over to the scale of F by the ratio
// of the two maps' spreads, sqrt(sum F²/sum E²).
void observedamplitudes(RunState& st, const std::vector<double>& observed) {
    double sf2 = 0, se2 = 0;
    for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
        reftyp& e = st.memrefl(i);
        const double fo = observed[static_cast<std::size_t>(i - st.msec.f.start)];
        sf2 += fo * fo;
        se2 += e.f * e.f;
        double a = e.amem, b = e.bmem;
        if (is_weak(st, e)) {
            a = -e.bmem;
            b = e.amem;
        }
        const double r = std::hypot(a, b);
        e.f = e.fmem = fo;
        e.amem = r > 0 ? fo * a / r : fo;
        e.bmem = r > 0 ? fo * b / r : 0;
    }
    reftyp& f000 = st.memrefl(st.msec.f.start);
    f000.amem *= se2 > 0 ? std::sqrt(sf2 / se2) : 0;
    f000.bmem = 0;
    f000.f = observed[0];
    write_memrefl_sf(st, clear_sf(st), st.msec.f.start, st.msec.f.end,
                     [](const reftyp& e) { return cplx(e.amem, e.bmem); });
}

double rvalue(RunState& st) {
    st.sumfobs = st.sumdeltaabsf = 0;
    for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
        const reftyp& e = st.memrefl(i);
        st.sumfobs += e.f;
        st.sumdeltaabsf += std::fabs(e.f - e.fmem);
    }
    return st.sumdeltaabsf / st.sumfobs;
}

void seed_and_report(RunState& st) {
    if (st.autors) {
        read_clock(st);
        int mins = std::atoi(st.time.substr(2, 2).c_str());
        int secs = std::atoi(st.time.substr(4, 2).c_str());
        if (mins == 0) mins = 1;
        if (secs == 0) secs = 1;
        st.randomseed = mins * secs;
    }
    st.log.list();
    st.log.write("(a)", {"Starting charge flipping:"});
    st.log.write("(a,i6)", {" Random seed:", st.randomseed});
    if (st.randomseed == 0)
        st.log.write("(a)", {" Phases from the input file will be used as initial phases"});
}

// A line for the log and the console.
void report(RunState& st, TextOut& con, const std::string& form, const FmtItems& items) {
    st.log.write(form, items);
    con.write(form, items);
    fplivc(st);
}

void completion_listing(RunState& st) {
    TextOut out;
    if (!open_run_file(out, trim(st.memreflfile), TextOut::Mode::Append))
        throw RunStop("Error opening the output listing " + trim(st.memreflfile) + "!");
    const std::string form = fchklform(st.sdim);
    out.write("(A)", {""});
    out.write("(A)", {"Structure factors phased by charge flipping:"});
    out.write("(A)",
              {"     #     h   k   l...     A                  B           A(new)             B(new)"});
    for (int i = st.sec.f.start; i <= st.sec.f.end; ++i) {
        const reftyp& e = st.refl(i);
        out.write("(I6,A)", {i, ": "}, false);
        FmtItems items;
        for (int k = 0; k < st.sdim; ++k) items.emplace_back(e.hklfg[static_cast<std::size_t>(k)]);
        items.emplace_back(e.a);
        items.emplace_back(e.b);
        items.emplace_back(e.amem);
        items.emplace_back(e.bmem);
        out.write(form, items);
    }
    out.close();
}

}  // namespace

double flipcycle(RunState& st, const FlipMates& mate) {
    double* rho = st.sf.density();
    fft(st, -1);
    if (st.reldelta) st.flipdelta = relativedelta(rho, st.nvoxtot, 1, st.cfindelta);
    const double aucnt = flip(rho, st.nvoxtot, st.flipdelta);
    fft(st, 1);
    sf2memrefl(st);
    resetamplitudes(st);
    rebuild(st, mate);
    st.rf = rvalue(st);
    return aucnt;
}

void chargeflipping(RunState& st) {
    const int limit = st.maxcycles;
    open_log(st);
    st.flipdelta = st.cfindelta * st.capvx;
    seed_and_report(st);
    FlipRandom rng(st.randomseed);
    TextOut con(*st.con);

    // 2. Normalisation and sharpening; the observed amplitudes are kept for
    // the completion and the hand-over.
    std::vector<double> observed;
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) observed.push_back(st.memrefl(i).f);
    const bool normalized = st.normalize != Normalize::none;
    if (normalized) normalizeamplitudes(st);
    double maxf = 0;
    for (int i = st.msec.f.start; i <= st.msec.f.end; ++i) {
        reftyp& e = st.memrefl(i);
        e.f *= bfactor(st, e.hklfg);
        maxf = std::max(maxf, e.f);
    }
    getweakrefl(st);
    if (st.autodelta && normalized) {
        // The E map has one spread at every resolution, and the threshold
        // is best set from it directly: the judgement after ten cycles, made
        // for maps of F, settles on one that leaves the structure hidden for
        // thousands of cycles.
        double sum2 = 0;
        for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) sum2 += st.memrefl(i).f * st.memrefl(i).f;
        const double sigma = std::sqrt(sum2) / st.norm;
        st.flipdelta = kDeltaSigmas * sigma;
        st.autodelta = false;
        st.log.write("(a,f5.2,a,f10.5)", {"Delta = ", kDeltaSigmas, " sigma of the E map = ", st.flipdelta / st.capvx});
    } else if (st.autodelta) {
        st.reldelta = false;
        st.log.write("(a)", {"Searching for a proper delta:"});
        st.flipdelta = maxf * static_cast<double>(0.005f) * st.capvx;
        st.log.write("(a,f10.5)", {"Starting delta = ", st.flipdelta / st.capvx});
    }

    const FlipMates mate = friedelmates(st);
    FlipHistory hist{};  // the R ring starts at 0 before the first attempt
    FlipSummary& sum = st.summary.flip;
    sum = FlipSummary{};
    sum.ran = true;
    // With normalised amplitudes or restarts, an attempt also ends when its
    // R history shows a solution (AttemptHistory).  `tries` counts the
    // attempts with the settled threshold, the ones cfrestart bounds.
    const bool judged = normalized || st.cfrestart > 0;
    sum.judged = judged;
    // The spread of the phases for the hand-over: taken from the cycle the
    // attempt's R dropped, or, in an attempt that never drops, over its last
    // kSpreadCycles cycles, whose phases are then rightly found to wander.
    PhaseSpread spread;
    const int attempt_end = st.cfrestart > 0 ? std::min(limit, st.cfrestart) : limit;
    int attempt = 0, cyc = 0, tries = 0;
    bool again = true, restarted = false;
    while (again) {
        again = false;
        ++attempt;
        if (!st.autodelta) ++tries;
        start_attempt(st, rng, mate, st.randomseed == 0 && !restarted);
        AttemptHistory history;
        bool dropped = false;
        spread.clear(st);
        cyc = 0;
        if (st.autodelta) {
            st.log.list();
            st.log.write("(a,f10.5)", {"Current delta = ", st.flipdelta / st.capvx});
        }
        hist.rfinit = 0;
        for (;;) {
            ++cyc;
            const double aucnt = flipcycle(st, mate);
            hist.rfcont[cyc % 11] = st.rf;
            if (cyc <= 3) hist.rfinit += st.rf;
            if (cyc == 3) hist.rfinit /= static_cast<double>(3.0f);

            const double q = st.memrefl(st.msec.f.start).amem;
            st.log.write("(i5,a,f7.3,a,f8.2,a,f8.2,a)",
                         {cyc, "  R:", 100.0 * st.rf, "  Charge: ", q, "(", aucnt, ")"});
            con.write("(a,i3,a,i6,a,f8.3,a,f10.2,a,f10.5)",
                      {"CF attempt", attempt, "  cycle", cyc, "  R:", 100.0 * st.rf, "  charge:", q,
                       "  delta:", st.flipdelta / st.capvx});
            fplivc(st);
            sum.cycles.push_back(
                {static_cast<int>(sum.cycles.size()) + 1, attempt, st.rf, st.flipdelta / st.capvx, q});

            if (st.autodelta && cyc == 10) {
                const int j = deltajudgement(q, aucnt);
                if (j != 0) {
                    st.flipdelta *= j > 0 ? static_cast<double>(1.07f) : 0.5;
                    again = true;
                    break;
                }
                st.log.write("(a)", {"Criterion for correct delta fulfilled, continuing iteration."});
                st.autodelta = false;
                tries = 1;
            }
            if (!st.autodelta) {
                history.add(st.rf);
                if (st.performmem) {
                    if (history.dropped() && !dropped) spread.clear(st);
                    dropped = history.dropped();
                    if (dropped || cyc > attempt_end - kSpreadCycles) spread.add(st);
                }
            }
            if (!flipcontinues(hist, cyc, limit, st.rf, st.maxrvalue)) break;
            if (!judged || st.autodelta) continue;
            if (history.converged()) {
                sum.converged = true;
                report(st, con, "(a,i3,a,i6,a)", {"Attempt", attempt, " has converged after", cyc, " cycles."});
                break;
            }
            if (st.cfrestart > 0 && cyc >= st.cfrestart && !history.dropped()) {
                if (tries >= st.cfattempts) {
                    report(st, con, "(a,i3,a,i6,a)",
                           {"No attempt has converged:", tries, " attempts of", st.cfrestart, " cycles."});
                    break;
                }
                report(st, con, "(a,i3,a,i6,a)",
                       {"Attempt", attempt, " has not converged after", cyc,
                        " cycles; starting again from new random phases."});
                again = restarted = true;
                break;
            }
        }
    }
    sum.attempts = attempt;
    sum.last_cycles = cyc;
    sum.delta = st.flipdelta / st.capvx;
    sum.r = st.rf;
    con.write("(a,i3,a,f8.3)", {"Charge flipping finished after attempt", attempt, ", R:", 100.0 * st.rf});
    fplivc(st);

    // 7. Completion.
    if (normalized)
        observedamplitudes(st, observed);
    else
        sf2memrefl(st);
    sf2refl(st);
    if (st.searchsym || st.ntestsym > 0) {
        st.log.close();
        locatesymmetryrs(st);
        open_log(st);
    } else {
        fft(st, -1);
        std::copy(st.sf.density(), st.sf.density() + st.nvoxtot, st.rho.data());
    }
    st.log.close();
    completion_listing(st);
    if (st.performmem) handover(st, observed, spread);
}

}  // namespace quilmo
