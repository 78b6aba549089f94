#include "import/importer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>

#include "import/amplitudes.h"
#include "import/cif.h"
#include "import/elements.h"
#include "import/grid.h"
#include "import/hkl.h"
#include "import/keyword_file.h"
#include "import/merge.h"
#include "import/model.h"
#include "import/operators.h"
#include "import/problem.h"
#include "import/program_check.h"
#include "import/report.h"
#include "import/scale.h"
#include "import/shelx.h"
#include "run/version.h"

namespace quilmo {

namespace {

constexpr double kDegree = 0.017453292519943295;

std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::string where(const Source& s) {
    return place(s.file, s.line) + (s.item.empty() ? "" : ": " + s.item);
}

bool shelx_file(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".ins" || ext == ".res";
}

// Cells of two files that differ by more than 0.1 % in a length or an angle.
std::string cell_difference(const Crystal& a, const Crystal& b) {
    for (std::size_t i = 0; i < 6; ++i)
        if (std::fabs(a.cell[i] - b.cell[i]) > 1e-3 * std::fabs(a.cell[i]))
            return "the cells of " + a.file + " and " + b.file + " differ by more than 0.1 % (" +
                   fmt("%.4f", a.cell[i]) + " and " + fmt("%.4f", b.cell[i]) + "); the cell of " + a.file +
                   " is used";
    return {};
}

std::string cell_text(const std::array<double, 6>& c) {
    return fmt("%.4f", c[0]) + " " + fmt("%.4f", c[1]) + " " + fmt("%.4f", c[2]) + " " + fmt("%.3f", c[3]) + " " +
           fmt("%.3f", c[4]) + " " + fmt("%.3f", c[5]);
}

// Everything the reflection file and the structure file say, put together.
struct Inputs {
    Crystal structure;     // from --model or --cell-from (file empty when not given)
    Crystal head;          // what a reflection CIF says of the crystal
    ReflectionFile refl;
    const Crystal* cell = nullptr;   // the crystal whose cell is used
    const Crystal* group = nullptr;  // the crystal whose symmetry is used
};

Inputs read_inputs(const ImportOptions& o, ImportReport& rep) {
    Inputs in;
    if (!o.structure.empty()) {
        const std::string text = read_text(o.structure);
        in.structure = shelx_file(o.structure) ? read_shelx(text, o.structure) : read_cif_crystal(text, o.structure);
    }
    if (!o.hkl.empty()) {
        const bool shelx = in.structure.hklf != 0;
        const int hklf = o.hklf != 0 ? o.hklf : shelx ? in.structure.hklf : 4;
        in.refl = read_hkl(read_text(o.hkl), o.hkl, hklf, shelx ? in.structure.hklf_scale : 1,
                           in.structure.hklf_matrix);
    } else {
        in.refl = read_cif_reflections(read_text(o.fcf), o.fcf, in.head);
    }
    rep.files.push_back(in.refl.file + " (" + in.refl.kind + ")");
    if (!in.structure.file.empty()) rep.files.push_back(in.structure.file + (o.use_atoms ? " (model)" : " (cell)"));

    const bool scell = in.structure.cell_source.given(), hcell = in.head.cell_source.given();
    if (!scell && !hcell) bad_input(in.refl.file, "no cell: give --model or --cell-from");
    in.cell = scell ? &in.structure : &in.head;
    if (scell && hcell) {
        const std::string d = cell_difference(in.structure, in.head);
        if (!d.empty()) rep.warnings.push_back(d);
    }
    const bool sgroup = in.structure.group_source.given(), hgroup = in.head.group_source.given();
    if (!sgroup && !hgroup) bad_input(in.cell->file, "no symmetry: neither operators nor a space-group symbol");
    in.group = sgroup ? &in.structure : &in.head;
    if (sgroup && hgroup && !in.structure.group.is_same_as(in.head.group))
        rep.warnings.push_back("the symmetry of " + in.head.file + " differs from that of " + in.structure.file +
                               "; that of " + in.structure.file + " is used");
    return in;
}

// The symmetry lines of the keyword file, checked by the program's own
// reader and group check on a grid that the operators allow.
struct SymmetryLines {
    std::vector<std::string> operators, centers;
};

SymmetryLines symmetry_lines(const Crystal& c, const gemmi::GroupOps& g, const std::array<double, 6>& cell) {
    SymmetryLines s;
    for (const gemmi::Op& op : g.sym_ops) s.operators.push_back(program_operator(op));
    for (const gemmi::Op::Tran& t : g.cen_ops)
        if (t != gemmi::Op::Tran{0, 0, 0}) s.centers.push_back(program_center(t));
    const std::string complaint = program_symmetry_check(cell, s.operators, s.centers, grid_rule(g).divisor);
    if (!complaint.empty()) {
        std::string ops;
        for (const gemmi::Op& op : g.sym_ops) ops += (ops.empty() ? "" : "; ") + op.triplet();
        for (const gemmi::Op::Tran& t : g.cen_ops)
            if (t != gemmi::Op::Tran{0, 0, 0}) ops += "; centering " + program_center(t);
        // The first complaint with the lines that continue it.
        std::string text;
        for (const std::string& l : split_lines(complaint)) {
            if (!text.empty() && l.rfind("Error", 0) == 0) break;
            if (!text.empty()) text += ' ';
            text += l.substr(std::min(l.size(), l.find_first_not_of(' ')));
        }
        bad_input(c.group_source.file, c.group_source.line,
                  "the symmetry operators do not form a group for this cell: " + text + " [operators: " + ops + "]");
    }
    return s;
}

// Electrons per cell, and where the number came from.
double electrons(const ImportOptions& o, const Inputs& in, std::string& text) {
    if (o.electrons > 0) {
        text = fmt("%.6g", o.electrons) + " per cell (--electrons)";
        return o.electrons;
    }
    for (const Crystal* c : {&in.structure, &in.head}) {
        const Composition& comp = c->composition;
        if (comp.electrons > 0) {
            const std::string formula = composition_text(comp, false);
            text = fmt("%.6g", comp.electrons) + " per cell (" + (formula.empty() ? "" : formula + ", ") + "from " +
                   where(comp.source) + ")";
            return comp.electrons;
        }
    }
    if (!in.structure.model.sites.empty()) {
        const double e = model_electrons(in.structure);
        text = fmt("%.6g", e) + " per cell (from the atoms of " + in.structure.file + ")";
        return e;
    }
    text = "not known";
    return 0;
}

const Composition& contents(const Inputs& in) {
    return in.structure.composition.per_cell.empty() ? in.head.composition : in.structure.composition;
}

}  // namespace

void run_import(const ImportOptions& o, std::ostream& out) {
    ImportReport rep;
    Inputs in = read_inputs(o, rep);
    const Crystal& base = *in.cell;
    const gemmi::GroupOps& group = in.group->group;
    const bool needs_phases = o.run == ImportRun::mem || o.run == ImportRun::fourier;
    const bool mem_keywords = o.run != ImportRun::cf;
    const bool model_phases = needs_phases && !in.refl.phased;
    if (model_phases && (!o.use_atoms || in.structure.model.sites.empty()))
        bad_input(in.refl.file, std::string("a ") + (o.run == ImportRun::mem ? "MEM" : "Fourier") +
                                    " run needs phases: the file has none, and no model with atoms (--model) is given");

    const SymmetryLines lines = symmetry_lines(*in.group, group, base.cell);
    // A model file without symmetry of its own takes that of the reflections.
    if (!in.structure.group_source.given()) in.structure.group = group;
    make_occupancies_crystallographic(in.structure);

    const ReciprocalSymmetry sym(group);
    const gemmi::UnitCell cell(base.cell);
    const MergeResult merged = merge(in.refl, sym, cell);
    if (merged.unique.empty()) bad_input(in.refl.file, "no reflections (besides systematic absences)");

    std::string etext;
    const double nel = electrons(o, in, etext);
    if (mem_keywords && !(nel > 0))
        bad_input(in.refl.file, "the electrons per cell are not known: give a structure file with SFAC/UNIT, a "
                                "formula and Z, atoms, or --electrons");

    // Amplitudes on the measured scale.
    const std::vector<MergedReflection>& u = merged.unique;
    std::vector<Amplitude> amp;
    if (in.refl.intensities) {
        amp = amplitudes_from_intensities(u);
        rep.amplitudes = "French-Wilson posterior estimates from the merged intensities";
    } else {
        for (const MergedReflection& m : u) amp.push_back({std::max(m.value, 0.0), m.sigma});
        rep.amplitudes = "as measured (" + in.refl.kind + ")";
    }

    // Phases and the absolute scale.
    std::vector<double> phase(u.size(), 0.0);
    double scale = 1;
    bool absolute = true;
    if (model_phases) {
        std::vector<gemmi::Miller> hkl;
        for (const MergedReflection& m : u) hkl.push_back(m.h);
        const auto fc = model_structure_factors(in.structure, hkl);
        std::vector<double> fo, fcabs;
        for (std::size_t k = 0; k < u.size(); ++k) {
            phase[k] = std::arg(fc[k]) / kDegree;
            fo.push_back(amp[k].f);
            fcabs.push_back(std::abs(fc[k]));
        }
        const ModelScale ms = model_scale(fo, fcabs);
        scale = 1 / ms.k;
        rep.scale = "fitted to the model's |Fc|: Fo = " + fmt("%.5g", ms.k) + " |Fc|, R1 = " + fmt("%.4f", ms.r1);
        rep.phases = "calculated from the atoms of " + in.structure.file + " (IT92 form factors)";
    } else if (needs_phases) {
        for (std::size_t k = 0; k < u.size(); ++k) phase[k] = u[k].phase;
        rep.scale = "absolute scale of " + in.refl.file;
        rep.phases = "from " + in.refl.file;
    } else if (in.refl.absolute) {
        rep.scale = "absolute scale of " + in.refl.file;
    } else if (o.wilson) {
        std::vector<MergedReflection> inten = u;
        if (!in.refl.intensities)
            for (MergedReflection& m : inten) m.value = m.value * std::fabs(m.value);
        const Composition& comp = contents(in);
        const WilsonScale w = wilson_scale(inten, comp, comp.source.given() ? comp.source.file : in.refl.file);
        scale = 1 / std::sqrt(w.k);
        rep.scale = "Wilson plot from " + composition_text(comp, false) + ": K = " + fmt("%.5g", w.k) +
                    (w.shells > 1 ? ", B = " + fmt("%.2f", w.b) + " A^2" : ", B not fitted") + " (" +
                    std::to_string(w.shells) + " shells); F divided by sqrt(K)";
    } else {
        rep.scale = "measured scale kept (--no-wilson)";
        absolute = false;
    }

    // The grid.
    std::vector<gemmi::Miller> hkl;
    for (const MergedReflection& m : u) hkl.push_back(m.h);
    const std::array<int, 3> grid = choose_grid(base.cell, o.step, sym.max_indices(hkl), grid_rule(group));

    // The keyword file.
    KeywordFile k;
    k.title = !base.title.empty() ? base.title : std::filesystem::path(o.title).filename().string();
    k.perform = o.run == ImportRun::mem ? "MEM" : o.run == ImportRun::cf ? "CF" : o.run == ImportRun::fourier ? "fourier" : "CF+MEM";
    k.cell = base.cell;
    k.voxel = grid;
    k.electrons = nel;
    k.composition = composition_text(contents(in), true);
    k.z = contents(in).z;
    k.wavelength = base.wavelength;
    const gemmi::SpaceGroup* table = sym.table();
    k.spacegroup = table ? table->xhm() : in.group->symbol;
    k.operators = lines.operators;
    k.centers = lines.centers;
    k.centro = group.is_centrosymmetric();
    k.outputformat = o.format;
    if (mem_keywords) k.algorithm = o.algorithm == "DUAL" ? "DUAL 1.0" : "S-S AUTO 1.0";
    k.flipping = o.run == ImportRun::cf || o.run == ImportRun::cfmem;
    k.absolute = absolute;
    k.seed = o.seed;
    for (std::size_t i = 0; i < u.size(); ++i) {
        const double f = amp[i].f * scale, s = amp[i].sigma * scale;
        // A part that is zero but for the rounding of the phase is written
        // as zero (centrosymmetric structures have real F).
        auto part = [&](double x) { return std::fabs(x) < 1e-9 * std::max(f, 1.0) ? 0.0 : x; };
        if (needs_phases)
            k.f.push_back({u[i].h, part(f * std::cos(phase[i] * kDegree)), part(f * std::sin(phase[i] * kDegree)), s});
        else
            k.f.push_back({u[i].h, f, 0, s});
    }

    // The report, and the header that says where each item came from.
    double dmin = 1e9, ios = 0;
    for (const MergedReflection& m : u) {
        dmin = std::min(dmin, 1 / std::sqrt(4 * m.stol2));
        ios += m.value / m.sigma;
    }
    rep.cell = cell_text(base.cell) + " (" + where(base.cell_source) + ")";
    const std::string gname = k.spacegroup.empty() ? "a group not in the tables" : k.spacegroup;
    const std::size_t ncen = group.cen_ops.size();
    rep.group = gname + ", order " + std::to_string(group.order()) + " (" + std::to_string(group.sym_ops.size()) +
                " point operators" +
                (ncen > 1 ? " x " + std::to_string(ncen) + " lattice points" : std::string(", primitive")) + "), " +
                (k.centro ? "centrosymmetric" : "acentric");
    rep.read = in.refl.read;
    rep.rejected = in.refl.rejected;
    rep.merged = static_cast<int>(in.refl.obs.size());
    rep.unique = static_cast<int>(u.size());
    rep.absences = merged.absences;
    rep.strong_absences = static_cast<int>(merged.strong_absences.size());
    std::vector<MergedReflection> strong = merged.strong_absences;
    std::sort(strong.begin(), strong.end(),
              [](const auto& a, const auto& b) { return a.value / a.sigma > b.value / b.sigma; });
    for (std::size_t i = 0; i < strong.size() && i < 10; ++i) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "%4d%4d%4d  %s/sigma = %.1f", strong[i].h[0], strong[i].h[1], strong[i].h[2],
                      in.refl.intensities ? "I" : "F", strong[i].value / strong[i].sigma);
        rep.strong_list.push_back(buf);
    }
    rep.laue = table ? table->laue_str() : "of " + std::to_string(2 * group.sym_ops.size() / (k.centro ? 2 : 1)) + " operations";
    rep.anomalous_merged = !k.centro;
    rep.dmin = dmin;
    const int possible = sym.possible(cell, dmin);
    rep.completeness = possible > 0 ? static_cast<double>(u.size()) / possible : 0;
    rep.i_over_sigma = ios / static_cast<double>(u.size());
    rep.rint = merged.rint;
    rep.multiple = merged.multiple;
    rep.intensities = in.refl.intensities;
    rep.electrons = etext;
    rep.grid = grid;
    for (std::size_t i = 0; i < 3; ++i) rep.edge[i] = base.cell[i] / grid[i];
    rep.written = o.title + ".Quilmo";

    k.header.push_back("Written by quilmo-import " + std::string(version()) + ": " + o.run_word + " from " +
                       [&] {
                           std::string f;
                           for (const std::string& s : rep.files) f += (f.empty() ? "" : ", ") + s;
                           return f;
                       }());
    k.header.push_back("cell: " + where(base.cell_source));
    k.header.push_back("symmetry: " + where(in.group->group_source) + ", " + rep.group);
    k.header.push_back("electrons: " + etext);
    k.header.push_back("reflections: " + std::to_string(rep.read) + " read, " + std::to_string(rep.rejected) +
                       " rejected (sigma <= 0), merged in Laue class " + rep.laue + " to " + std::to_string(rep.unique) +
                       " unique, " + std::to_string(rep.absences) + " systematic absences left out");
    k.header.push_back("resolution: d_min " + fmt("%.4f", dmin) + " A, completeness " + fmt("%.1f %%", 100 * rep.completeness));
    k.header.push_back("amplitudes: " + rep.amplitudes);
    k.header.push_back("scale: " + rep.scale);
    if (!rep.phases.empty()) k.header.push_back("phases: " + rep.phases);
    k.header.push_back("grid: " + std::to_string(grid[0]) + " " + std::to_string(grid[1]) + " " +
                       std::to_string(grid[2]) + " for a voxel edge of at most " + fmt("%.3g", o.step) + " A");
    for (const std::string& w : rep.warnings) k.header.push_back("warning: " + w);

    write_new_file(rep.written, keyword_text(k), o.force);
    print_report(out, rep);
}

}  // namespace quilmo
