#include "mem/report.h"

#include <cmath>
#include <ctime>

#include "mem/rfactor.h"
#include "reflections/weights.h"
#include "run/console.h"
#include "run/templates.h"

namespace quilmo {

namespace {

void empty(TextOut& o, int count = 1) {
    for (int k = 0; k < count; ++k) o.write("(A)", {""});
}

// The note of an empty section, framed by empty lines.
void none_found(TextOut& o, const char* note) {
    empty(o);
    o.write("(A)", {note});
    empty(o);
}

void date_line(const RunState& st, TextOut& o, const char* lead) {
    o.write("(12A)", {lead, st.day, ".", st.month, ".", st.year, " Time: ", st.hour, ":",
                      st.minutes, ".", st.seconds});
}

void constraint_table(const RunState& st, TextOut& o) {
    for (int i = 1; i <= 4; ++i) {
        auto lo = static_cast<std::size_t>(2 * i - 1), hi = static_cast<std::size_t>(2 * i);
        o.write("(A,I1,A,ES10.3,5X,A,I1,A,ES10.3,5X,A,I1,A,ES10.3,5X,A,I1,A,ES10.3)",
                {"FCon(", 2 * i - 1, ")=", st.fcon[lo], "FCon(", 2 * i, ")=", st.fcon[hi],
                 "GCon(", 2 * i - 1, ")=", st.gcon[lo], "GCon(", 2 * i, ")=", st.gcon[hi]});
    }
}

void r_lines(const RunState& st, TextOut& o, const char* fmt) {
    o.write(fmt, {"R =", st.r, "Rw =", st.rw});
    o.write(fmt, {"RF=", st.rf, "RwF=", st.rwf});
    o.write(fmt, {"RG=", st.rg, "RwG=", st.rwg});
}

void sum_lines(const RunState& st, TextOut& o) {
    o.write("(A,ES10.3,5X,A,ES10.3)", {"Sum Fmem=", st.sumfcal, "Sum Gmem=", st.sumgcal});
    o.write("(A,ES10.3,5X,A,ES10.3)", {"Sum Fobs=", st.sumfobs, "Sum Gobs=", st.sumgobs});
}

// Lines 3 to 7 of the initial state.  The listing and the log differ only
// in the format and the label of the entropy lines.
void state_lines(const RunState& st, TextOut& o, const char* efmt = "(A,ES14.7)",
                 const char* entropy = "Entropy: ") {
    r_lines(st, o, "(A,F8.4,5X,A,F8.4)");
    o.write(efmt, {entropy, st.s});
    o.write(efmt, {"       L=", st.l});
    o.write("(A,I2)", {"Constrained moment:", st.actcon});
    sum_lines(st, o);
    o.write("(A,ES10.3)", {"Sum all F and G mem=", st.sumfgcal});
}

void moment_line(const RunState& st, TextOut& o) {
    o.write("(A,ES10.3,5X,A,ES10.3)", {"F-constrained moment", moment(st.fcon, st.actcon),
                                       "G-constrained moment", moment(st.gcon, st.actcon)});
}

double sinthl(const RunState& st, const reftyp& e) {
    double h[8] = {};
    for (int k = 0; k < st.sdim; ++k) h[k] = e.hklfg[static_cast<std::size_t>(k)];
    return vlen(st, h, true) / 2.0;
}

void add_indices(FmtItems& items, const RunState& st, const reftyp& e) {
    for (int k = 0; k < st.sdim; ++k) items.emplace_back(e.hklfg[static_cast<std::size_t>(k)]);
}

const char* const kFHeader =
    "     #     h   k   l...     A/Gobs             B           A/Gmem             B           "
    "DeltaF            Sigma";

void f_listing(RunState& st, TextOut& o) {
    if (st.totalf() > 0) {
        empty(o);
        o.write("(A)", {"F-Constraints:"});
        o.write("(2A)", {kFHeader, "     DeltaF/Sigma   sinth/l  (Gw)"});
        for (int i = st.sec.f.start; i <= st.sec.f.end; ++i) {
            const reftyp& e = st.refl(i);
            double df = std::fabs(e.f) - std::fabs(e.fmem);
            double x = df / e.sigma;
            o.write("(I6,A)", {i, ": "}, false);
            FmtItems items;
            add_indices(items, st, e);
            for (double v : {e.a, e.b, e.amem, e.bmem, df, e.sigma, x}) items.emplace_back(v);
            o.write(fchklform(st.sdim), items, false);
            o.write("(F14.10)", {sinthl(st, e)}, false);
            o.write("(A)", {residual_marker(x)});
        }
    } else {
        none_found(o, " No F-constraints found!");
    }
    empty(o);
}

void g_listing(RunState& st, TextOut& o) {
    if (st.totalg() <= 0) {
        none_found(o, " No G-constraints found!");
        empty(o);
        return;
    }
    empty(o);
    o.write("(A)", {"G-Constraints:"});
    o.write("(A)", {"     #   group|h k l...  AMEM|Gobs     BMEM|GMEM    sinthl|deltaG         "
                    "sigma  deltaG/sigma"});
    int first = st.sec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        const reftyp& r = st.refl(first);
        double dg = r.f - st.gcalc(g);
        double x = dg / r.sigma;
        empty(o);
        o.write(ggrpform, {g, r.f, st.gcalc(g), dg, r.sigma, x}, false);
        o.write("(A)", {residual_marker(x)});
        for (int j = first; j < first + st.gdiff(g); ++j) {
            const reftyp& e = st.refl(j);
            o.write("(I6,A)", {j, ": "}, false);
            FmtItems items;
            add_indices(items, st, e);
            items.emplace_back(e.amem);
            items.emplace_back(e.bmem);
            o.write(gchklform(st.sdim), items, false);
            o.write("(F11.5)", {sinthl(st, e)}, false);
            o.write("(A)", {""});
        }
        first += st.gdiff(g);
    }
    empty(o);
}

// The extra reflections' amem and bmem are set by the iteration with every
// new set of structure factors, so they belong to the final density.
void extra_listing(RunState& st, TextOut& o) {
    if (st.totalextra() > 0) {
        empty(o);
        o.write("(A)", {"Extra reflections"});
        o.write("(A)", {kFHeader});
        for (int i = st.sec.extra.start; i <= st.sec.extra.end; ++i) {
            const reftyp& e = st.refl(i);
            o.write("(I6,A)", {i, ": "}, false);
            FmtItems items;
            add_indices(items, st, e);
            for (double v : {e.a, e.b, e.amem, e.bmem, 0.0, e.sigma}) items.emplace_back(v);
            o.write(fchklform(st.sdim), items);
        }
    } else {
        none_found(o, " No extra reflections to print!");
    }
}

void dual_lines(const DualEndValues& d, TextOut& o) {
    o.write("(A,ES14.7)", {"Lambda (DUAL): ", d.lambda});
    o.write("(A,ES10.3)", {"Test 1-cos(grad S, grad C): ", d.test});
}

}  // namespace

void open_reports(RunState& st, TextOut& out) {
    open_log(st);
    if (!open_run_file(out, trim(st.memreflfile), TextOut::Mode::Append))
        errormsg(st, "Error opening the output listing; the iteration goes on without it.");
}

void cpu_split(float cpu, int& minutes, int& seconds) {
    minutes = static_cast<int>(cpu / 60.0f);
    seconds = static_cast<int>(std::fmod(cpu, 60.0f));
}

float cpu_seconds() { return static_cast<float>(std::clock()) / static_cast<float>(CLOCKS_PER_SEC); }

std::string_view residual_marker(double x) {
    double a = std::fabs(x);
    if (a <= 3.0) return sigma3sgn;
    if (a <= 6.0) return sigma6sgn;
    return badsigmasgn;
}

void report_start(RunState& st, TextOut& out) {
    read_clock(st);
    empty(out, 2);
    date_line(st, out, " Date of iteration start: ");
    empty(out, 3);
    out.write("(A)", {"Initial state:"});
    state_lines(st, out);
    moment_line(st, out);
    constraint_table(st, out);

    TextOut& log = st.log;
    empty(log);
    date_line(st, log, " Date of iteration start: ");
    log.write("(A)", {"Initial state:"});
    state_lines(st, log, "(A,F14.7)", "Entropy :");
    moment_line(st, log);
    constraint_table(st, log);
}

void report_cycle(RunState& st, const CycleValues& c) {
    TextOut& log = st.log;
    empty(log);
    log.write("(A,I10)", {"Cycle: ", c.ncycle});
    log.write("(A,E10.4)", {"Lambda: ", c.lambda});
    log.write("(2(A,F7.4))", {"Test: ", c.sc, "     Charge increase factor: ", 1.0 / c.rhonorm});
    r_lines(st, log, "(A,ES10.3,5X,A,ES10.3)");
    log.write("(A,ES14.7,5X,A,ES10.3)", {"Entropy: ", st.s, " Entropy shift: ", c.sshift});
    log.write("(A,ES14.7)", {"       L=", st.l});
    log.write("(A,I2)", {"Constrained moment number:", st.actcon});
    sum_lines(st, log);
    log.write("(A,ES10.3)", {"Sum all F and G calc=", st.sumfgcal});
    // The moments on the scale of the F count; with F(000) alone there is
    // no such count and they are shown as they are.
    double scale = st.totalf() > 1 ? static_cast<double>(st.totalfpg() - 1) / (st.totalf() - 1) : 1.0;
    log.write("(A,ES10.3,5X,A,ES10.3)",
              {"F-constrained moment", moment(st.fcon, st.actcon) * scale, "G-constrained moment",
               moment(st.gcon, st.actcon) * scale});
    log.write("(A,F15.3,5X,A,ES10.3)",
              {"Combined FG Constraint : ", st.fgcon, "Constraint shift: ", c.fgconold - st.fgcon});
    if (st.addprisf)
        log.write("(A,F15.3,5X,A,ES10.3)", {"Combined FPG Constraint: ", st.fpgcon,
                                            "Constraint shift: ", c.fpgconold - st.fpgcon});
    log.write("(A,F15.3)", {"Aim:                 ", st.aim});
    constraint_table(st, log);
}

void report_end(RunState& st, TextOut& out, int ncycle, float cpu, const DualEndValues* dual) {
    read_clock(st);
    TextOut& log = st.log;
    empty(log);
    date_line(st, log, "Date of iteration end: ");
    if (dual) dual_lines(*dual, log);
    empty(log);

    int minutes = 0, seconds = 0;
    cpu_split(cpu, minutes, seconds);
    empty(out, 2);
    date_line(st, out, " Date of iteration end: ");
    out.write("(A,I10,A)", {" After ", ncycle, " Cycles of iteration"});
    out.write("(A,I10,A,I2,A)", {" Elapsed CPU time:", minutes, " min ", seconds, " sec"});
    empty(out);
    out.write("(A)", {"Final state:"});
    state_lines(st, out);
    out.write("(A,ES10.3,5X,A,ES10.3)", {"F-Constraint", moment(st.fcon, st.actcon), "G-Constraint",
                                         moment(st.gcon, st.actcon)});
    for (int i = 1; i <= 4; ++i)
        out.write("(A,I1,A,ES10.3,5X,A,I1,A,ES10.3)",
                  {"FCon(", 2 * i - 1, ")=", st.fcon[static_cast<std::size_t>(2 * i - 1)], "FCon(",
                   2 * i, ")=", st.fcon[static_cast<std::size_t>(2 * i)]});
    if (dual) dual_lines(*dual, out);
    empty(out, 2);
}

void report_listings(RunState& st, TextOut& out) {
    f_listing(st, out);
    g_listing(st, out);
    extra_listing(st, out);
    empty(out);
}

}  // namespace quilmo
