#include "import/cif.h"

#include <cmath>
#include <map>

#include <gemmi/cif.hpp>
#include <gemmi/numb.hpp>

#include "import/elements.h"
#include "import/model.h"
#include "import/operators.h"
#include "import/problem.h"

namespace quilmo {

namespace {

namespace cif = gemmi::cif;

constexpr double kPi = 3.141592653589793;

struct CifText {
    std::string file;
    std::vector<std::string> lines;
    cif::Document doc;
};

CifText parse(const std::string& text, const std::string& file) {
    CifText c{file, split_lines(text), {}};
    try {
        c.doc = cif::read_memory(text.data(), text.size(), file.c_str());
    } catch (const tao::pegtl::parse_error& e) {
        const int line = e.positions().empty() ? 0 : static_cast<int>(e.positions().front().line);
        bad_input(file, line, "not a CIF: " + std::string(e.message()));
    } catch (const std::exception& e) {
        bad_input(file, std::string("not a CIF: ") + e.what());
    }
    return c;
}

// The line on which value `index` of the loop that starts at line `start`
// stands.  gemmi keeps the line of the loop only, so the values are counted
// again here with CIF's rules for words, quotes, text fields and comments.
int loop_value_line(const std::vector<std::string>& lines, int start, std::size_t index) {
    bool head = true;  // before the first value: "loop_" and the tags
    std::size_t count = 0;
    for (std::size_t n = static_cast<std::size_t>(std::max(start, 1)) - 1; n < lines.size(); ++n) {
        const std::string& l = lines[n];
        if (!l.empty() && l[0] == ';') {
            // A text field: one value up to the line that starts with ';'.
            if (count == index) return static_cast<int>(n) + 1;
            ++count;
            head = false;
            while (++n < lines.size() && (lines[n].empty() || lines[n][0] != ';')) {
            }
            continue;
        }
        std::size_t i = 0;
        while (i < l.size()) {
            if (l[i] == ' ' || l[i] == '\t') {
                ++i;
                continue;
            }
            if (l[i] == '#') break;
            const std::size_t s = i;
            if (l[i] == '\'' || l[i] == '"') {
                const char q = l[i++];
                while (i < l.size() && !(l[i] == q && (i + 1 == l.size() || l[i + 1] == ' ' || l[i + 1] == '\t'))) ++i;
                ++i;
            } else {
                while (i < l.size() && l[i] != ' ' && l[i] != '\t') ++i;
            }
            if (head && (l[s] == '_' || l.compare(s, 5, "loop_") == 0 || l.compare(s, 5, "LOOP_") == 0)) continue;
            head = false;
            if (count == index) return static_cast<int>(n) + 1;
            ++count;
        }
    }
    return start;
}

// A tag's values: the column of a loop, or a single pair.
struct Column {
    const CifText* text = nullptr;
    const cif::Item* item = nullptr;
    int col = -1;
    std::string tag;
    bool found() const { return item != nullptr; }
    std::size_t length() const { return !item ? 0 : col < 0 ? 1 : item->loop.length(); }
    const std::string& raw(std::size_t row) const {
        return col < 0 ? item->pair[1] : item->loop.val(row, static_cast<std::size_t>(col));
    }
    int line(std::size_t row) const {
        if (col < 0) return item->line_number;
        return loop_value_line(text->lines, item->line_number, row * item->loop.width() + static_cast<std::size_t>(col));
    }
    bool null(std::size_t row) const { return cif::is_null(raw(row)); }
    std::string str(std::size_t row) const { return cif::as_string(raw(row)); }
    // The line is found only for a message: counting the values of a long
    // loop again for every row would take a time quadratic in its length.
    int integer(std::size_t row) const {
        const std::string s = str(row);
        if (!is_integer(s) || std::abs(whole_number(s, text->file, 0, tag)) >= 10000)
            bad_input(text->file, line(row), "'" + s.substr(0, 40) + "' is not an index (" + tag + ")");
        return whole_number(s, text->file, 0, tag);
    }
    std::string element(std::size_t row) const {
        const std::string s = str(row);
        if (element_of(s) == gemmi::El::X) element_count(s, text->file, line(row));
        return element_count(s, text->file, 0).symbol;
    }
    double number(std::size_t row) const {
        if (null(row)) bad_input(text->file, line(row), "no value given for " + tag);
        const std::string s = str(row);
        const double v = cif::as_number(s);
        if (!std::isfinite(v))
            bad_input(text->file, line(row), "'" + s.substr(0, 40) + "' is not a number (" + tag + ")");
        return v;
    }
};

Column column(const CifText& t, const cif::Block& b, const std::string& tag) {
    Column c{&t, nullptr, -1, tag};
    if (const cif::Item* p = b.find_pair_item(tag)) {
        c.item = p;
    } else if (const cif::Item* l = b.find_loop_item(tag)) {
        c.item = l;
        c.col = l->loop.find_tag(tag);
    }
    return c;
}

// The first of the tags the block gives.
Column column(const CifText& t, const cif::Block& b, std::initializer_list<const char*> tags) {
    for (const char* tag : tags) {
        Column c = column(t, b, tag);
        if (c.found()) return c;
    }
    return {&t, nullptr, -1, *tags.begin()};
}

// A column of the same loop as `key`, or nothing.
Column sibling(const Column& key, const std::string& tag) {
    Column c{key.text, nullptr, -1, tag};
    if (key.col < 0) return c;
    const int col = key.item->loop.find_tag(tag);
    if (col >= 0) {
        c.item = key.item;
        c.col = col;
    }
    return c;
}

bool read_cell(const CifText& t, const cif::Block& b, Crystal& c) {
    static const char* tags[6] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                                  "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
    const Column a = column(t, b, tags[0]);
    if (!a.found()) return false;
    for (int k = 0; k < 6; ++k) {
        const Column v = column(t, b, tags[k]);
        if (!v.found()) bad_input(t.file, a.line(0), std::string("the cell lacks ") + tags[k]);
        c.cell[static_cast<std::size_t>(k)] = v.number(0);
    }
    check_cell(c.cell, t.file, a.line(0));
    c.cell_source = {t.file, a.line(0), "_cell_length_a"};
    return true;
}

void read_symmetry(const CifText& t, const cif::Block& b, Crystal& c) {
    const Column ops = column(t, b, {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"});
    const Column hm = column(t, b, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M"});
    if (hm.found() && !hm.null(0)) c.symbol = hm.str(0);
    if (ops.found()) {
        // No space group has more than 192 operators.
        if (ops.length() > 192) bad_input(t.file, ops.item->line_number, "more than 192 symmetry operators");
        std::vector<gemmi::Op> list;
        for (std::size_t r = 0; r < ops.length(); ++r) list.push_back(parse_operator(ops.str(r), t.file, ops.line(r)));
        c.group = group_from_list(list, t.file, ops.line(0));
        c.group_source = {t.file, ops.line(0), ops.tag};
        return;
    }
    const Column hall = column(t, b, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"});
    if (hall.found() && !hall.null(0)) {
        c.group = group_from_hall(hall.str(0), t.file, hall.line(0));
        c.group_source = {t.file, hall.line(0), hall.tag};
        return;
    }
    if (hm.found() && !hm.null(0)) {
        c.group = group_from_name(hm.str(0), c.cell[3], c.cell[5], t.file, hm.line(0));
        c.group_source = {t.file, hm.line(0), hm.tag};
        return;
    }
    const Column number = column(t, b, {"_space_group_IT_number", "_symmetry_Int_Tables_number"});
    if (number.found() && !number.null(0)) {
        c.group = group_from_name(number.str(0), c.cell[3], c.cell[5], t.file, number.line(0));
        c.group_source = {t.file, number.line(0), number.tag};
    }
}

void read_contents(const CifText& t, const cif::Block& b, Crystal& c) {
    Composition& comp = c.composition;
    const Column z = column(t, b, "_cell_formula_units_Z");
    if (z.found() && !z.null(0)) comp.z = z.number(0);
    const Column formula = column(t, b, "_chemical_formula_sum");
    if (formula.found() && !formula.null(0) && comp.z > 0) {
        comp.per_cell = parse_formula(formula.str(0), t.file, formula.line(0));
        for (ElementCount& e : comp.per_cell) {
            e.count *= comp.z;
            comp.electrons += e.count * e.electrons;
        }
        comp.source = {t.file, formula.line(0), formula.tag + " x _cell_formula_units_Z"};
        return;
    }
    const Column f000 = column(t, b, "_exptl_crystal_F_000");
    if (f000.found() && !f000.null(0)) {
        comp.electrons = f000.number(0);
        comp.source = {t.file, f000.line(0), f000.tag};
    }
}

void read_atoms(const CifText& t, const cif::Block& b, Crystal& c) {
    const Column label = column(t, b, "_atom_site_label");
    if (!label.found()) return;
    const Column type = sibling(label, "_atom_site_type_symbol");
    const Column xyz[3] = {sibling(label, "_atom_site_fract_x"), sibling(label, "_atom_site_fract_y"),
                           sibling(label, "_atom_site_fract_z")};
    const Column uiso = sibling(label, "_atom_site_U_iso_or_equiv");
    const Column biso = sibling(label, "_atom_site_B_iso_or_equiv");
    const Column occ = sibling(label, "_atom_site_occupancy");
    for (const Column& x : xyz)
        if (!x.found()) bad_input(t.file, label.line(0), "the atom list lacks " + x.tag);
    std::map<std::string, std::size_t> index;
    for (std::size_t r = 0; r < label.length(); ++r) {
        gemmi::SmallStructure::Site s;
        s.label = label.str(r);
        s.type_symbol = type.found() && !type.null(r) ? type.str(r) : s.label;
        s.element = gemmi::Element(type.found() && !type.null(r) ? type.element(r) : label.element(r));
        s.fract = {xyz[0].number(r), xyz[1].number(r), xyz[2].number(r)};
        s.occ = occ.found() && !occ.null(r) ? occ.number(r) : 1.0;
        if (uiso.found() && !uiso.null(r))
            s.u_iso = uiso.number(r);
        else if (biso.found() && !biso.null(r))
            s.u_iso = biso.number(r) / (8 * kPi * kPi);
        else
            s.u_iso = -1;  // anisotropic, or an error found below
        index[s.label] = c.model.sites.size();
        c.model.sites.push_back(s);
    }
    const Column alabel = column(t, b, "_atom_site_aniso_label");
    if (alabel.found()) {
        const bool b_given = !sibling(alabel, "_atom_site_aniso_U_11").found();
        const char* names[6] = {"11", "22", "33", "12", "13", "23"};
        Column u[6];
        for (int k = 0; k < 6; ++k) {
            u[k] = sibling(alabel, std::string(b_given ? "_atom_site_aniso_B_" : "_atom_site_aniso_U_") + names[k]);
            if (!u[k].found()) bad_input(t.file, alabel.line(0), "the anisotropic list lacks " + u[k].tag);
        }
        const double f = b_given ? 1 / (8 * kPi * kPi) : 1;
        for (std::size_t r = 0; r < alabel.length(); ++r) {
            const auto it = index.find(alabel.str(r));
            if (it == index.end())
                bad_input(t.file, alabel.line(r), "anisotropic displacements of an unknown atom '" + alabel.str(r) + "'");
            gemmi::SmallStructure::Site& s = c.model.sites[it->second];
            s.aniso = {f * u[0].number(r), f * u[1].number(r), f * u[2].number(r),
                       f * u[3].number(r), f * u[4].number(r), f * u[5].number(r)};
            if (s.u_iso < 0) s.u_iso = u_equivalent(s.aniso, c.cell);
        }
    }
    for (std::size_t r = 0; r < c.model.sites.size(); ++r)
        if (c.model.sites[r].u_iso < 0)
            bad_input(t.file, label.line(r), "atom " + c.model.sites[r].label + " has no (or a negative) displacement parameter");
    c.chemical_occupancies = true;
}

const cif::Block* block_with(const CifText& t, const std::string& tag) {
    for (const cif::Block& b : t.doc.blocks)
        if (b.find_pair_item(tag) || b.find_loop_item(tag)) return &b;
    return nullptr;
}

void read_head(const CifText& t, const cif::Block& b, Crystal& c) {
    c.file = t.file;
    c.title = b.name;
    if (read_cell(t, b, c)) c.model.cell.set(c.cell[0], c.cell[1], c.cell[2], c.cell[3], c.cell[4], c.cell[5]);
    read_symmetry(t, b, c);
    read_contents(t, b, c);
}

}  // namespace

Crystal read_cif_crystal(const std::string& text, const std::string& file) {
    const CifText t = parse(text, file);
    const cif::Block* b = block_with(t, "_cell_length_a");
    if (!b) bad_input(file, "no data block with a cell (_cell_length_a)");
    Crystal c;
    read_head(t, *b, c);
    read_atoms(t, *b, c);
    return c;
}

ReflectionFile read_cif_reflections(const std::string& text, const std::string& file, Crystal& head) {
    const CifText t = parse(text, file);
    const cif::Block* b = block_with(t, "_refln_index_h");
    if (!b) bad_input(file, "no data block with a reflection loop (_refln_index_h)");
    read_head(t, *b, head);

    const Column h = column(t, *b, "_refln_index_h");
    if (h.col < 0) bad_input(file, h.line(0), "_refln_index_h is not in a loop");
    const Column idx[3] = {h, sibling(h, "_refln_index_k"), sibling(h, "_refln_index_l")};
    if (!idx[1].found() || !idx[2].found()) bad_input(file, h.line(0), "the reflection loop lacks _refln_index_k or _l");
    ReflectionFile r;
    r.file = file;
    Column value = sibling(h, "_refln_F_squared_meas"), sigma = sibling(h, "_refln_F_squared_sigma");
    if (!value.found()) {
        value = sibling(h, "_refln_F_meas");
        sigma = sibling(h, "_refln_F_sigma");
        r.intensities = false;
    }
    if (!value.found()) bad_input(file, h.line(0), "the reflection loop has neither _refln_F_squared_meas nor _refln_F_meas");
    if (!sigma.found()) bad_input(file, h.line(0), "the reflection loop lacks the sigma of " + value.tag);
    r.kind = value.tag;
    const Column phase = sibling(h, "_refln_phase_calc");
    const Column a = sibling(h, "_refln_A_calc"), bcalc = sibling(h, "_refln_B_calc");
    r.phased = phase.found() || (a.found() && bcalc.found());
    r.absolute = r.phased || sibling(h, "_refln_F_calc").found() || sibling(h, "_refln_F_squared_calc").found();

    for (std::size_t row = 0; row < h.length(); ++row) {
        Observation o;
        for (int k = 0; k < 3; ++k) o.h[static_cast<std::size_t>(k)] = idx[k].integer(row);
        if (o.h == gemmi::Miller{0, 0, 0}) continue;
        ++r.read;
        if (value.null(row) || sigma.null(row) || (phase.found() && phase.null(row)) ||
            (!phase.found() && r.phased && (a.null(row) || bcalc.null(row)))) {
            ++r.rejected;
            continue;
        }
        o.value = value.number(row);
        o.sigma = sigma.number(row);
        if (phase.found())
            o.phase = phase.number(row);
        else if (r.phased)
            o.phase = std::atan2(bcalc.number(row), a.number(row)) * 180 / kPi;
        r.keep(o);
    }
    return r;
}

}  // namespace quilmo
