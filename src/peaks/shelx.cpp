// The SHELX file of the peaks: a refinement program opens it as it is.
#include <cmath>
#include <cstdio>

#include "peaks/peakfiles.h"

namespace quilmo {

namespace {

constexpr double kTol = 1e-4;

bool same_translation(const Vec3& a, const Vec3& b) {
    for (int i = 0; i < 3; ++i) {
        const double d = a[i] - b[i];
        if (std::fabs(d - std::round(d)) > kTol) return false;
    }
    return true;
}

bool same_rotation(const SymOp& a, const SymOp& b, double sign = 1) {
    for (int i = 0; i < 9; ++i)
        if (std::fabs(a.r[i] - sign * b.r[i]) > kTol) return false;
    return true;
}

bool is_identity_rotation(const SymOp& op, double sign = 1) {
    SymOp one;
    one.r = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    return same_rotation(op, one, sign);
}

// The lattice type of a set of centering translations (the zero one
// included), 0 when SHELX has none for it.
int lattice_type(const std::vector<Vec3>& t) {
    const double h = 0.5, a = 1.0 / 3, b = 2.0 / 3;
    const std::vector<std::vector<Vec3>> types = {
        {},                                 // 1 P
        {{h, h, h}},                        // 2 I
        {{b, a, a}, {a, b, b}},             // 3 R, obverse
        {{0, h, h}, {h, 0, h}, {h, h, 0}},  // 4 F
        {{0, h, h}},                        // 5 A
        {{h, 0, h}},                        // 6 B
        {{h, h, 0}},                        // 7 C
    };
    for (std::size_t k = 0; k < types.size(); ++k) {
        if (types[k].size() + 1 != t.size()) continue;
        bool all = true;
        for (const Vec3& c : types[k]) {
            bool found = false;
            for (const Vec3& u : t) found = found || same_translation(c, u);
            all = all && found;
        }
        if (all) return static_cast<int>(k) + 1;
    }
    return 0;
}

// Lines of at most 80 characters: a longer one is cut between words and
// continued on the next line after " =".
void put(std::string& out, const std::string& line) {
    std::string rest = line;
    while (rest.size() > 80) {
        std::size_t cut = rest.rfind(' ', 77);
        if (cut == std::string::npos || cut < 4) cut = 77;
        out += rest.substr(0, cut) + " =\n";
        rest = "   " + rest.substr(cut + (rest[cut] == ' ' ? 1 : 0));
    }
    out += rest + "\n";
}

std::string number(double x) {
    char buf[32];
    if (std::fabs(x - std::round(x)) < 1e-6)
        std::snprintf(buf, sizeof buf, "%.0f", x);
    else
        std::snprintf(buf, sizeof buf, "%.2f", x);
    return buf;
}

}  // namespace

ShelxSymmetry shelx_symmetry(const Frame& f) {
    ShelxSymmetry s;
    std::vector<Vec3> centering;
    for (const SymOp& op : f.ops)
        if (is_identity_rotation(op)) centering.push_back(op.t);
    int type = lattice_type(centering);
    if (type == 0) {
        // Translations SHELX cannot name are listed as operators.
        type = 1;
        centering = {Vec3{}};
    }
    // One operator per coset of the centering translations, and per pair
    // with its inverse when the inversion through the origin is there.
    bool centric = false;
    for (const SymOp& op : f.ops)
        for (const Vec3& c : centering)
            centric = centric || (is_identity_rotation(op, -1) && same_translation(op.t, c));
    std::vector<int> reps;
    for (std::size_t p = 0; p < f.ops.size(); ++p) {
        const SymOp& op = f.ops[p];
        bool covered = false;
        for (int q : reps) {
            const SymOp& r = f.ops[static_cast<std::size_t>(q)];
            for (const Vec3& c : centering) {
                const Vec3 shifted = {r.t[0] + c[0], r.t[1] + c[1], r.t[2] + c[2]};
                const Vec3 inverted = {-r.t[0] + c[0], -r.t[1] + c[1], -r.t[2] + c[2]};
                covered = covered || (same_rotation(op, r) && same_translation(op.t, shifted)) ||
                          (centric && same_rotation(op, r, -1) && same_translation(op.t, inverted));
            }
        }
        if (!covered) reps.push_back(static_cast<int>(p));
    }
    s.latt = centric ? type : -type;
    for (int q : reps)
        if (!(is_identity_rotation(f.ops[static_cast<std::size_t>(q)]) &&
              same_translation(f.ops[static_cast<std::size_t>(q)].t, Vec3{})))
            s.symm.push_back(q);
    return s;
}

std::string shelx_text(const Frame& f, const PeakTable& t, const ModelInfo& m) {
    std::string out;
    char buf[160];
    out += ("TITL " + m.title).substr(0, 80) + "\n";
    std::snprintf(buf, sizeof buf, "CELL %7.5f %9.4f %9.4f %9.4f %8.3f %8.3f %8.3f", m.wavelength, m.cell[0],
                  m.cell[1], m.cell[2], m.cell[3], m.cell[4], m.cell[5]);
    put(out, buf);
    // The cell's uncertainties are not known here.
    std::snprintf(buf, sizeof buf, "ZERR %s %9.4f %9.4f %9.4f %8.3f %8.3f %8.3f", number(m.units).c_str(),
                  0.0, 0.0, 0.0, 0.0, 0.0, 0.0);
    put(out, buf);
    const ShelxSymmetry sym = shelx_symmetry(f);
    put(out, "LATT " + std::to_string(sym.latt));
    for (int q : sym.symm) put(out, "SYMM " + triplet(f.ops[static_cast<std::size_t>(q)], true));

    // SFAC in the order of the composition; without one, carbon for the
    // electrons of the cell.
    std::vector<std::pair<int, double>> units;
    for (const auto& [z, count] : m.composition.atoms) {
        bool merged = false;
        for (auto& u : units)
            if (u.first == z) u.second += count * m.units, merged = true;
        if (!merged) units.emplace_back(z, count * m.units);
    }
    if (units.empty()) units.emplace_back(6, std::max(1.0, std::round(m.electrons / 6)));
    std::string sfac = "SFAC", unit = "UNIT";
    for (const auto& [z, n] : units) {
        sfac.append(" ").append(element_symbol(z));
        unit.append(" ").append(number(n));
    }
    put(out, sfac);
    put(out, unit);

    auto sfac_number = [&](const std::string& element) {
        for (std::size_t k = 0; k < units.size(); ++k)
            if (element == element_symbol(units[k].first)) return static_cast<int>(k) + 1;
        return 1;
    };
    // Atoms, then the Q-peaks with their heights, as a refinement program
    // writes them.  The occupancy is fixed (10 +) at the share of the site:
    // 1 on a general position.
    for (const Peak& p : t.peaks) {
        if (p.element.empty()) continue;
        std::snprintf(buf, sizeof buf, "%-5s %2d %11.6f %11.6f %11.6f %11.5f %8.5f", p.label.c_str(),
                      sfac_number(p.element), p.x[0], p.x[1], p.x[2], 10.0 + 1.0 / p.site, 0.05);
        put(out, buf);
    }
    for (const Peak& p : t.peaks) {
        if (!p.element.empty()) continue;
        std::snprintf(buf, sizeof buf, "%-5s %2d %11.6f %11.6f %11.6f %11.5f %8.5f %8.2f", p.label.c_str(), 1,
                      p.x[0], p.x[1], p.x[2], 10.0 + 1.0 / p.site, 0.05, p.height);
        put(out, buf);
    }
    put(out, "HKLF 4");
    put(out, "END");
    return out;
}

std::string symmetry_code(const Contact& c) {
    for (int a : c.cell)
        if (a < -4 || a > 4)
            return std::to_string(c.op) + "_" + std::to_string(c.cell[0]) + "," + std::to_string(c.cell[1]) +
                   "," + std::to_string(c.cell[2]);
    return std::to_string(c.op) + "_" + std::to_string(5 + c.cell[0]) + std::to_string(5 + c.cell[1]) +
           std::to_string(5 + c.cell[2]);
}

}  // namespace quilmo
