#include "import/shelx.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include "import/elements.h"
#include "import/model.h"
#include "import/operators.h"
#include "import/problem.h"

namespace quilmo {

namespace {

// Instructions of SHELXL and SHELXS that are not atoms; those the importer
// needs are handled, the others read past.
const std::set<std::string> kInstructions = {
    "ABIN", "ACTA", "AFIX", "ANIS", "ANSC", "ANSR", "BASF", "BEDE", "BIND", "BLOC", "BOND", "BUMP", "CELL", "CGLS",
    "CHIV", "CONF", "CONN", "DAMP", "DANG", "DEFS", "DELU", "DFIX", "DISP", "EADP", "EGEN", "END",  "EQIV", "ESEL",
    "EXTI", "EXYZ", "FEND", "FLAT", "FMAP", "FRAG", "FREE", "FVAR", "GRID", "HFIX", "HKLF", "HOPE", "HTAB", "ISOR",
    "LATT", "LAUE", "LIST", "L.S.", "LONE", "MERG", "MORE", "MOVE", "MPLA", "NCSY", "NEUT", "OMIT", "PART", "PATT",
    "PHAN", "PLAN", "PRIG", "REM",  "RESI", "RIGU", "RTAB", "SADI", "SAME", "SFAC", "SHEL", "SIMU", "SIZE", "SPEC",
    "STIR", "SUMP", "SWAT", "SYMM", "TEMP", "TIME", "TITL", "TREF", "TWIN", "TWST", "UNIT", "WGHT", "WIGL", "WPDB",
    "XNPD", "ZERR", "BEST", "INIT", "NEXT", "FMOL", "SPIN", "MOLE", "DELS", "ABSC", "SWFC"};

// One instruction with its continuation lines joined.
struct Instruction {
    int line = 0;                    // first line
    std::vector<std::string> words;  // blank-separated words, comments cut
    std::string rest;                // text after the first word
};

std::vector<std::string> words_of(const std::string& s) {
    std::vector<std::string> w;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        std::size_t j = i;
        while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
        if (j > i) w.push_back(s.substr(i, j - i));
        i = j;
    }
    return w;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Instructions of the file in order; a line that ends in " =" goes on in the
// next line; "!" starts a comment (not in TITL and REM, which keep their text).
std::vector<Instruction> instructions(const std::string& text) {
    std::vector<Instruction> out;
    const std::vector<std::string> lines = split_lines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Instruction ins;
        ins.line = static_cast<int>(i) + 1;
        std::string joined = lines[i];
        const std::string head = upper(joined.substr(0, 4));
        const bool text_line = head == "TITL" || head.substr(0, 3) == "REM";
        auto cut = [&](std::string s) {
            if (!text_line) s = s.substr(0, s.find('!'));
            return s;
        };
        joined = cut(joined);
        while (!text_line) {
            std::string t = joined;
            while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
            if (t.empty() || t.back() != '=' || i + 1 >= lines.size()) break;
            t.pop_back();
            joined = t + " " + cut(lines[++i]);
        }
        for (char& c : joined)
            if (c == '\t') c = ' ';
        ins.words = words_of(joined);
        if (ins.words.empty()) continue;
        const std::size_t p = joined.find(ins.words[0]) + ins.words[0].size();
        ins.rest = joined.substr(p);
        out.push_back(std::move(ins));
    }
    return out;
}

// A number of a SHELX parameter in the free-variable convention: 10m + p
// with |p| < 5 fixes p for m = +-1, stands for p*fv(m) for m > 1 and for
// p*(fv(-m) - 1) for m < -1.
double shelx_value(double v, const std::vector<double>& fvar, const std::string& file, int line) {
    if (std::fabs(v) <= 5) return v;
    const double m = std::round(v / 10);
    const double p = v - 10 * m;
    if (std::fabs(m) == 1) return p;
    if (std::fabs(m) > static_cast<double>(fvar.size()))
        bad_input(file, line, "free variable " + std::to_string(static_cast<long long>(std::min(std::fabs(m), 1e15))) +
                                  " is not given in FVAR");
    const std::size_t k = static_cast<std::size_t>(std::fabs(m));
    const double fv = fvar[k - 1];
    return m > 0 ? p * fv : p * (fv - 1);
}

struct Reader {
    explicit Reader(const std::string& f) : file(f) {}
    const std::string& file;
    Crystal c;
    int latt = 1, latt_line = 0;
    std::vector<gemmi::Op> symm;
    std::vector<ElementCount> sfac;
    std::vector<double> unit;
    int unit_line = 0;
    std::vector<double> fvar;
    double last_ueq = 0;  // of the last atom that is no hydrogen, for riding hydrogens

    double number(const std::string& w, int line, const std::string& what) {
        return real_number(w, file, line, what);
    }

    void cell(const Instruction& ins) {
        if (ins.words.size() < 8) bad_input(file, ins.line, "CELL needs the wavelength and six cell parameters");
        c.wavelength = number(ins.words[1], ins.line, "wavelength");
        for (int k = 0; k < 6; ++k)
            c.cell[static_cast<std::size_t>(k)] = number(ins.words[static_cast<std::size_t>(k) + 2], ins.line, "cell");
        check_cell(c.cell, file, ins.line);
        c.cell_source = {file, ins.line, "CELL"};
    }

    void sfac_line(const Instruction& ins) {
        // Long form: a label followed by the coefficients a1 b1 .. a4 b4 c.
        if (ins.words.size() >= 3 && !is_integer(ins.words[2]) &&
            std::isdigit(static_cast<unsigned char>(ins.words[2].back()))) {
            if (ins.words.size() < 11) bad_input(file, ins.line, "SFAC in long form needs a1 b1 a2 b2 a3 b3 a4 b4 c");
            double f0 = 0;
            for (std::size_t k : {2, 4, 6, 8, 10}) f0 += number(ins.words[k], ins.line, "SFAC coefficient");
            ElementCount e = element_count(ins.words[1], file, ins.line);
            e.electrons = f0;
            sfac.push_back(e);
            return;
        }
        for (std::size_t k = 1; k < ins.words.size(); ++k) sfac.push_back(element_count(ins.words[k], file, ins.line));
    }

    void atom(const Instruction& ins) {
        const auto& w = ins.words;
        // Q-peaks of a .res file are no atoms.
        if (std::toupper(static_cast<unsigned char>(w[0][0])) == 'Q' && w[0].size() > 1 &&
            std::all_of(w[0].begin() + 1, w[0].end(), [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); }))
            return;
        const int s = whole_number(w[1], file, ins.line, "SFAC number of atom " + w[0]);
        if (s < 1 || s > static_cast<int>(sfac.size()))
            bad_input(file, ins.line, "atom " + w[0] + " names SFAC " + std::to_string(s) + ", but SFAC lists " +
                                          std::to_string(sfac.size()) + " elements");
        gemmi::SmallStructure::Site site;
        site.label = w[0];
        site.type_symbol = sfac[static_cast<std::size_t>(s - 1)].symbol;
        site.element = gemmi::Element(site.type_symbol);
        auto value = [&](std::size_t k, const char* what) {
            return shelx_value(number(w[k], ins.line, std::string(what) + " of atom " + w[0]), fvar, file, ins.line);
        };
        site.fract = {value(2, "x"), value(3, "y"), value(4, "z")};
        site.occ = w.size() > 5 ? value(5, "occupancy") : 1.0;
        if (w.size() >= 12) {
            // U11 U22 U33 U23 U13 U12
            site.aniso = {value(6, "U11"), value(7, "U22"), value(8, "U33"), value(11, "U12"), value(10, "U13"),
                          value(9, "U23")};
            site.u_iso = u_equivalent(site.aniso, c.cell);
        } else if (w.size() > 6) {
            const double u = number(w[6], ins.line, "U of atom " + w[0]);
            if (u < -0.5 && u >= -5) {
                // A riding atom: |U| times Ueq of the atom it rides on.
                if (last_ueq <= 0) bad_input(file, ins.line, "atom " + w[0] + " rides on no atom before it (U < 0)");
                site.u_iso = -u * last_ueq;
            } else {
                site.u_iso = shelx_value(u, fvar, file, ins.line);
            }
        } else {
            site.u_iso = 0.05;
        }
        if (!(site.u_iso >= 0)) bad_input(file, ins.line, "atom " + w[0] + " has a negative U");
        if (!site.element.is_hydrogen()) last_ueq = site.u_iso;
        c.model.sites.push_back(site);
    }

    void hklf(const Instruction& ins) {
        c.hklf = whole_number(ins.words.size() > 1 ? ins.words[1] : "", file, ins.line, "HKLF code");
        if (c.hklf != 3 && c.hklf != 4)
            bad_input(file, ins.line,
                      "HKLF " + std::to_string(c.hklf) + " is not read: only HKLF 4 (I) and HKLF 3 (F) data");
        if (ins.words.size() > 2) c.hklf_scale = number(ins.words[2], ins.line, "HKLF scale");
        if (ins.words.size() > 11)
            for (std::size_t k = 0; k < 9; ++k) c.hklf_matrix[k] = number(ins.words[k + 3], ins.line, "HKLF matrix");
    }
};

}  // namespace

Crystal read_shelx(const std::string& text, const std::string& file) {
    Reader r(file);
    r.c.file = file;
    for (const Instruction& ins : instructions(text)) {
        const std::string cmd = upper(ins.words[0].substr(0, 4));
        const int line = ins.line;
        if (cmd == "TITL") {
            r.c.title = ins.rest;
        } else if (cmd == "CELL") {
            r.cell(ins);
        } else if (cmd == "ZERR") {
            if (ins.words.size() > 1) r.c.composition.z = r.number(ins.words[1], line, "Z");
        } else if (cmd == "LATT") {
            r.latt = whole_number(ins.words.size() > 1 ? ins.words[1] : "", file, line, "LATT");
            r.latt_line = line;
        } else if (cmd == "SYMM") {
            r.symm.push_back(parse_operator(ins.rest, file, line));
            if (r.latt_line == 0) r.latt_line = line;
        } else if (cmd == "SFAC") {
            r.sfac_line(ins);
        } else if (cmd == "UNIT") {
            r.unit_line = line;
            for (std::size_t k = 1; k < ins.words.size(); ++k) r.unit.push_back(r.number(ins.words[k], line, "UNIT"));
        } else if (cmd == "FVAR") {
            for (std::size_t k = 1; k < ins.words.size(); ++k) r.fvar.push_back(r.number(ins.words[k], line, "FVAR"));
        } else if (cmd == "HKLF") {
            r.hklf(ins);
            break;
        } else if (cmd == "END") {
            break;
        } else if (kInstructions.count(cmd) == 0 && cmd.substr(0, 3) != "REM" && ins.words.size() >= 5 &&
                   is_integer(ins.words[1])) {
            if (!r.c.cell_source.given()) bad_input(file, line, "no CELL instruction before atom " + ins.words[0]);
            r.atom(ins);
        }
    }
    Crystal& c = r.c;
    if (!c.cell_source.given()) bad_input(file, "no CELL instruction");
    c.group = shelx_group(r.latt, r.symm, file, r.latt_line);
    c.group_source = {file, r.latt_line, "LATT/SYMM"};
    if (!r.unit.empty()) {
        if (r.unit.size() != r.sfac.size())
            bad_input(file, r.unit_line, "UNIT gives " + std::to_string(r.unit.size()) + " numbers for " +
                                             std::to_string(r.sfac.size()) + " SFAC elements");
        for (std::size_t k = 0; k < r.sfac.size(); ++k) {
            ElementCount e = r.sfac[k];
            e.count = r.unit[k];
            c.composition.per_cell.push_back(e);
            c.composition.electrons += e.count * e.electrons;
        }
        c.composition.source = {file, r.unit_line, "SFAC/UNIT"};
    }
    c.model.cell.set(c.cell[0], c.cell[1], c.cell[2], c.cell[3], c.cell[4], c.cell[5]);
    return c;
}

}  // namespace quilmo
