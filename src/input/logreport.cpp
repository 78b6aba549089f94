#include "input/logreport.h"

#include <algorithm>

#include "geometry/symmetry.h"
#include "grid/voxels.h"
#include "run/console.h"
#include "run/templates.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

const char* const kReflHeader =
    "     #     h   k   l...     A/Gobs             B             F         Sigma Group m    Arraylocation Weight";
const char* const kRealLabel = "\"Real\" dimensions: ";

void empty(TextOut& u) { u.write("(A)", {""}); }

void cell_lines(RunState& st, TextOut& u) {
    const std::string label = fixed("Cell parameters (a b c alpha beta gamma Volume):", 60);
    FmtItems c{label};
    for (int i = 1; i <= st.cellcon; ++i) c.emplace_back(st.cell(i));
    u.write(cellform(st.ncellpar), c);
    FmtItems r{"Reciprocal cell parameters (a b c alpha beta gamma Volume): "};
    for (int i = 1; i <= st.cellcon; ++i) r.emplace_back(st.rcell(i));
    u.write(rcellform(st.ncellpar), r);
}

void pixel_line(RunState& st, TextOut& u, const char* label) {
    FmtItems it{label};
    for (int i = 1; i <= st.sdim; ++i) it.emplace_back(st.nvox(i));
    u.write(pixform(st.sdim), it);
}

// The algorithm settings; `dfmt` is the real format of the report.
void algorithm_lines(RunState& st, TextOut& u, const char* dfmt) {
    if (st.algorithm == 1) {
        u.write("(a)", {"Algorithm type is set to Sakata-Sato"});
        u.write("(a)", {"The settings are:"});
        if (st.lambda == 0)
            u.write("(A)", {"    Lambda will be determined automatically."});
        else
            u.write(dfmt, {"    Lambda: ", st.lambda});
        u.write(dfmt, {"    Aim   : ", st.aim});
    } else if (st.algorithm == 2) {
        u.write("(a)", {"Algorithm type is set to MEMSys"});
        u.write("(a)", {"The settings are:"});
        u.write("(A,I1)", {"    Method: ", st.method[0]});
        u.write("(A,I2)", {"    NRand : ", st.nrand});
        u.write(dfmt, {"    Aim   : ", st.aim});
        u.write(dfmt, {"    Rate  : ", st.rate});
        u.write(dfmt, {"    Utol  : ", st.utol});
    } else if (st.algorithm == 3) {
        u.write("(a)", {"Algorithm type is set to DUAL (maximum entropy through its dual, L-BFGS)"});
        u.write("(a)", {"The settings are:"});
        u.write(dfmt, {"    Aim   : ", st.aim});
        if (!blank(st.modwgkey)) u.write("(a)", {"    The constraint weighting has no effect on DUAL."});
    }
}

void weighting_line(RunState& st, TextOut& u) {
    if (blank(st.modwgkey)) return;
    const int last = idel(st.modwgkey);
    u.write("(4A)", {"Constraint weighting set to ", st.modwgkey.substr(0, 1), ", power ",
                     st.modwgkey.substr(1, static_cast<std::size_t>(std::max(last - 1, 0)))});
}

void qvector_lines(RunState& st, TextOut& u, const char* none, const char* numfmt) {
    u.write("(A,I3)", {"q-vectors:", st.ddim});
    if (st.ddim < 1) {
        u.write("(A)", {none});
        return;
    }
    for (int i = 1; i <= st.ddim; ++i) {
        u.write(numfmt, {i, ": "}, false);
        FmtItems q;
        for (int k = 1; k <= st.rdim; ++k) q.emplace_back(st.qvec(k, i));
        u.write(qvecform(st.rdim), q);
    }
}

// One reflection line; the weight is left out for the first member of a G
// group (the format stops before its field).
void reflection_line(RunState& st, int j, bool with_weight) {
    const reftyp& r = st.refl(j);
    st.log.write("(I6,A)", {j, ": "}, false);
    FmtItems it;
    for (int k = 0; k < st.sdim; ++k) it.emplace_back(r.hklfg[static_cast<std::size_t>(k)]);
    for (double v : {r.a, r.b, r.f, r.sigma}) it.emplace_back(v);
    it.emplace_back(r.hklfg[8]);
    it.emplace_back(r.mult);
    it.emplace_back(r.sfloc);
    if (with_weight) it.emplace_back(r.weight);
    st.log.write(fhklform(st.sdim), it);
}

void g_member_line(RunState& st, int j) {
    const reftyp& r = st.refl(j);
    st.log.write("(I6,A)", {j, ": "}, false);
    FmtItems it;
    for (int k = 0; k < st.sdim; ++k) it.emplace_back(r.hklfg[static_cast<std::size_t>(k)]);
    it.emplace_back(r.hklfg[8]);
    it.emplace_back(r.mult);
    it.emplace_back(r.sfloc);
    st.log.write(ghklform(st.sdim), it);
}

// The head of one reflection section: the note `none` when the section is
// empty (false), otherwise its first and last entry and an empty line (true).
bool section_head(TextOut& log, bool present, const char* none, const char* first_label, int first,
                  const char* last_label, int last) {
    if (!present) {
        empty(log);
        log.write("(A)", {none});
        empty(log);
        return false;
    }
    log.write("(A,I10)", {first_label, first});
    log.write("(A,I10)", {last_label, last});
    empty(log);
    return true;
}

void reflection_report(RunState& st) {
    TextOut& log = st.log;
    log.write("(A)", {"Reflections"});
    empty(log);
    empty(log);

    if (section_head(log, st.totalf() >= 1, " No F-constraints found!", "Start F: ", st.sec.f.start,
                     "End F: ", st.sec.f.end)) {
        log.write("(A)", {kReflHeader});
        for (int j = st.sec.f.start; j <= st.sec.f.end; ++j) reflection_line(st, j, true);
    }
    empty(log);
    empty(log);

    if (section_head(log, st.ggroups >= 1, " No G-constraints found!", "Start G: ", st.sec.g.start, "End G: ",
                     st.sec.g.end)) {
        for (int j = st.sec.g.start; j <= st.sec.g.end; ++j) {
            if (j == st.sec.g.start || st.refl(j).hklfg[8] != st.refl(j - 1).hklfg[8]) {
                log.write("(I4,A)", {st.refl(j).hklfg[8], ". G-Constraint"});
                reflection_line(st, j, false);
            } else {
                g_member_line(st, j);
            }
        }
    }

    if (section_head(log, st.totalextra() >= 1, " No extra reflections to print found!", "Start Extra: ",
                     st.sec.extra.start, "End Extra: ", st.sec.extra.end)) {
        log.write("(A)", {kReflHeader});
        for (int j = st.sec.extra.start; j <= st.sec.extra.end; ++j) reflection_line(st, j, true);
    }
    empty(log);
}

// Every operator under its numbered title, one line per row: the rotation
// row, then the translation entry.
template <class Rot, class Tra>
void operator_rows(const RunState& st, TextOut& log, const char* title, const std::string& form, const Rot& rot,
                   const Tra& tra) {
    for (int p = 1; p <= st.nsym; ++p) {
        log.write("(A,I5)", {title, p});
        for (int i = 1; i <= st.sdim; ++i) {
            FmtItems row;
            for (int j = 1; j <= st.sdim; ++j) row.emplace_back(rot(i, j, p));
            row.emplace_back(tra(i, p));
            log.write(form, row);
        }
    }
}

void operator_report(RunState& st) {
    TextOut& log = st.log;
    log.write("(A,I5)", {"Symmetry operations: ", st.nsym});
    operator_rows(st, log, "Symmetry operation: ", symform(st.sdim), st.rmat, st.tvec);
    empty(log);
    operator_rows(st, log, "Discrete symmetry operation: ", dsymform(st.sdim), st.rmati, st.tveci);
    empty(log);
}

void log_report(RunState& st) {
    TextOut& log = st.log;
    log.write("(A)", {st.title});
    empty(log);
    log.write("(12A)", {" Date of start: ", st.day, ".", st.month, ".", st.year, " Time: ", st.hour, ":",
                        st.minutes, ".", st.seconds});
    empty(log);
    log.write("(A,A)", {"Input: ", st.inputfile});
    empty(log);
    log.write("(A,A)", {"Title: ", st.title});
    empty(log);
    log.write("(A,I3)", {"Dimension of superspace: ", st.sdim});
    empty(log);
    log.write("(A,I3)", {kRealLabel, st.rdim});
    empty(log);
    log.write("(A,A)", {"Spacegroup: ", st.spacegrp});
    empty(log);
    cell_lines(st, log);
    empty(log);
    pixel_line(st, log, "Pixel (a b c...): ");
    empty(log);
    log.write("(A,f10.4)", {"Electrons per unit cell: ", st.charge});
    empty(log);
    log.write("(A,A)", {"Type of initial density file: ", st.initrhotype});
    log.write("(A,A)", {"Initial density filename: ", st.initrhofile});
    log.write("(A,A)", {"Initial density correction type: ", st.ctype});
    empty(log);
    algorithm_lines(st, log, "(A,D12.5)");
    empty(log);
    weighting_line(st, log);
    log.write("(a,I3)", {"Constrained moment order:", st.actcon});
    empty(log);
    qvector_lines(st, log, "  None ", "(I2,A)");
    empty(log);
    log.write("(A)", {st.centro ? "Centrosymmetric structure: No Friedel-pairs are made in expanded reflections!"
                                : "Noncentrosymmetric structure: Friedel-pairs are calculated in expanded reflections!"});
    empty(log);
    operator_report(st);
    reflection_report(st);
    if (!log.close()) {
        errormsg(st, "Error, cannot close the .QLlog file.");
        throw RunStop();
    }
}

// The operators side by side, blocks.per_block in each block.
void operator_table(RunState& st, TextOut& out) {
    const OperatorBlocks blocks = operator_blocks(st.sdim, st.nsym);
    auto block = [&](int first, int last) {
        empty(out);
        out.write("(A,I5,A,I5)", {"Symmetry operations: ", first, " through", last});
        for (int i = 1; i <= st.sdim; ++i) {
            for (int p = first; p <= last; ++p) {
                FmtItems row;
                for (int j = 1; j <= st.sdim; ++j) row.emplace_back(st.rmat(i, j, p));
                row.emplace_back(st.tvec(i, p));
                row.emplace_back(" ");
                out.write(sfsymform(st.sdim), row, false);
            }
            out.write("(A)", {""});
        }
    };
    for (int b = 0; b < blocks.full; ++b) block(b * blocks.per_block + 1, (b + 1) * blocks.per_block);
    if (blocks.rest > 0) block(blocks.full * blocks.per_block + 1, st.nsym);
}

void listing_report(RunState& st) {
    TextOut out;
    if (!open_run_file(out, trim(st.memreflfile), TextOut::Mode::Append)) {
        errormsg(st, "Error, cannot open the .QLout file.");
        throw RunStop();
    }
    out.write("(A,A)", {"Title: ", st.title});
    // The whole name, blank-padded as far as the listing has always padded it.
    const int width = std::max(125 - st.filebase, idel(st.inputfile));
    out.write("(A,A)", {"Input: ", fixed(st.inputfile, static_cast<std::size_t>(std::max(width, 0)))});
    out.write("(A,I3)", {"Dimension of superspace: ", st.sdim});
    out.write("(A,I3)", {fixed(kRealLabel, 25), st.rdim});
    cell_lines(st, out);
    pixel_line(st, out, "Pixel (a b c...):                ");
    out.write("(A,f10.4)", {"Electrons per unit cell:         ", st.charge});
    out.write("(A,A)", {"Type of initial density file:    ", st.initrhotype});
    out.write("(A,A)", {"Initial density filename:        ", st.initrhofile});
    out.write("(A,A)", {"Initial density correction type: ", st.ctype});
    algorithm_lines(st, out, "(A,D10.5)");
    weighting_line(st, out);
    out.write("(a,I3)", {"Constrained moment order:", st.actcon});
    empty(out);
    empty(out);
    out.write("(A,A)", {"Spacegroup: ", st.spacegrp});
    out.write("(A)", {st.centro ? "Centrosymmetric structure: No Friedel-pairs are computed while expanding reflections!"
                                : "Noncentrosymmetric structure: Friedel-pairs are calculated in expanded reflections!"});
    empty(out);
    qvector_lines(st, out, "  None", "(I3,A)");
    out.write("(A,I5)", {"Symmetry operations: ", st.nsym});
    operator_table(st, out);
    if (!out.close()) {
        errormsg(st, "Error, cannot close the .QLout file.");
        throw RunStop();
    }
}

}  // namespace

OperatorBlocks operator_blocks(int sdim, int nsym) {
    OperatorBlocks b;
    b.per_block = static_cast<int>(kLineLen) / (5 * sdim + 18);
    b.full = nsym / b.per_block;
    b.rest = nsym - b.per_block * b.full;
    return b;
}

void writelogfiles(RunState& st) {
    for (int j = 1; j <= st.totalfge(); ++j) st.refl(j).sfloc = arraylocation(st, st.refl(j).hklfg, 2);
    expandsym(st);
    discretesym(st);

    open_log(st, TextOut::Mode::Append);
    log_report(st);
    listing_report(st);
}

}  // namespace quilmo
