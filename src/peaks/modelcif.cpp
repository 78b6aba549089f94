// The model of the peaks as a CIF: cell, operators and the _atom_site loop.
#include <cctype>
#include <cstdio>

#include "peaks/peakfiles.h"
#include "run/version.h"

namespace quilmo {

namespace {

// A CIF value: quoted when it holds a blank, with the quote characters a
// single-quoted value cannot hold taken out.
std::string quoted(const std::string& s) {
    std::string v;
    for (char c : s)
        if (c != '\'' && c != '\n' && c != '\r') v += c;
    if (v.empty()) return "?";
    return "'" + v + "'";
}

std::string block_name(const std::string& s) {
    std::string v;
    for (char c : s)
        v += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.') ? c : '_';
    return v.empty() ? "model" : v;
}

std::string formula(const ModelInfo& m) {
    std::string s;
    char buf[32];
    for (const auto& [z, count] : m.composition.atoms) {
        // A count of 1 is not written.
        if (count == 1)
            std::snprintf(buf, sizeof buf, "%s%s", s.empty() ? "" : " ", element_symbol(z));
        else
            std::snprintf(buf, sizeof buf, "%s%s%g", s.empty() ? "" : " ", element_symbol(z), count);
        s += buf;
    }
    return s;
}

}  // namespace

std::string model_cif_text(const Frame& f, const PeakTable& t, const ModelInfo& m) {
    std::string out;
    char buf[200];
    if (!m.title.empty()) out += "# " + m.title + "\n";
    out += "data_" + block_name(m.name) + "\n\n";
    out +=
        "_audit_creation_method " + quoted(std::string("Quilmo ") + version() + ", peaks of " + m.map) + "\n";
    const char* names[] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                           "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
    for (int i = 0; i < 6; ++i) {
        std::snprintf(buf, sizeof buf, "%-32s %.4f\n", names[i], m.cell[static_cast<std::size_t>(i)]);
        out += buf;
    }
    std::snprintf(buf, sizeof buf, "%-32s %.3f\n", "_cell_volume", m.volume);
    out += buf;
    std::snprintf(buf, sizeof buf, "%-32s %.5f\n", "_diffrn_radiation_wavelength", m.wavelength);
    out += buf;
    if (!m.composition.atoms.empty()) {
        std::snprintf(buf, sizeof buf, "%-32s %s\n", "_chemical_formula_sum", quoted(formula(m)).c_str());
        out += buf;
        std::snprintf(buf, sizeof buf, "%-32s %g\n", "_cell_formula_units_Z", m.units);
        out += buf;
    }
    if (!m.spacegroup.empty()) {
        std::snprintf(buf, sizeof buf, "%-32s %s\n", "_space_group_name_H-M_alt",
                      quoted(m.spacegroup).c_str());
        out += buf;
    }
    out += "\nloop_\n_space_group_symop_id\n_space_group_symop_operation_xyz\n";
    for (std::size_t p = 0; p < f.ops.size(); ++p)
        out += std::to_string(p + 1) + " '" + triplet(f.ops[p], false) + "'\n";
    // Q-peaks are sites of no known element ('?'), kept so that a viewer
    // shows the whole solution.
    out +=
        "\nloop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
        "_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n_atom_site_adp_type\n_atom_site_occupancy\n"
        "_atom_site_site_symmetry_multiplicity\n_atom_site_site_symmetry_order\n";
    for (const Peak& p : t.peaks) {
        std::snprintf(buf, sizeof buf, "%-5s %-2s %10.6f %10.6f %10.6f 0.05 Uiso 1 %d %d\n", p.label.c_str(),
                      p.element.empty() ? "?" : p.element.c_str(), p.x[0], p.x[1], p.x[2], p.copies, p.site);
        out += buf;
    }
    return out;
}

}  // namespace quilmo
