#include "import/operators.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>
#include <set>
#include <stdexcept>

#include "import/problem.h"

namespace quilmo {

namespace {

constexpr int kDen = gemmi::Op::DEN;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The triplet with every decimal number written as a fraction of 24, so
// that gemmi's parser, which takes fractions only, reads it.  Long digit
// runs are refused before they could overflow the parser's integers.
std::string with_fractions(std::string_view text, const std::string& file, int line) {
    const std::string shown = quoted(text.substr(0, 60));
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (is_digit(c) || c == '.') {
            std::size_t j = i;
            while (j < text.size() && (is_digit(text[j]) || text[j] == '.')) ++j;
            const std::string_view num = text.substr(i, j - i);
            const std::size_t dots = static_cast<std::size_t>(std::count(num.begin(), num.end(), '.'));
            if (dots > 1 || num == "." || num.size() > 12)
                bad_input(file, line, shown + " is not a symmetry operator (number '" + std::string(num) + "')");
            if (dots == 1) {
                const double v = real_number(num, file, line, "translation of a symmetry operator");
                const double k = std::round(v * kDen);
                if (std::fabs(v * kDen - k) > 0.025)
                    bad_input(file, line, shown + ": the translation " + std::string(num) +
                                              " is no multiple of 1/24");
                out += std::to_string(static_cast<long>(k)) + "/24";
            } else {
                if (num.size() > 3)
                    bad_input(file, line, shown + " is not a symmetry operator (number '" + std::string(num) + "')");
                out += num;
            }
            i = j;
            continue;
        }
        const char l = static_cast<char>(c | 0x20);
        if (!(l == 'x' || l == 'y' || l == 'z' || c == '+' || c == '-' || c == '/' || c == '*' || c == ',' ||
              c == ' ' || c == '\t'))
            bad_input(file, line, shown + " is not a symmetry operator (character '" + std::string(1, c) + "')");
        out += c;
        ++i;
    }
    return out;
}

gemmi::Op::Tran lattice_vector(int a, int b, int c) { return {a * kDen / 6, b * kDen / 6, c * kDen / 6}; }

// Centering vectors of SHELX's lattice types 1 to 7, in sixths.
std::vector<gemmi::Op::Tran> lattice_centers(int type) {
    switch (type) {
        case 1: return {{0, 0, 0}};
        case 2: return {{0, 0, 0}, lattice_vector(3, 3, 3)};
        case 3: return {{0, 0, 0}, lattice_vector(4, 2, 2), lattice_vector(2, 4, 4)};
        case 4: return {{0, 0, 0}, lattice_vector(0, 3, 3), lattice_vector(3, 0, 3), lattice_vector(3, 3, 0)};
        case 5: return {{0, 0, 0}, lattice_vector(0, 3, 3)};
        case 6: return {{0, 0, 0}, lattice_vector(3, 0, 3)};
        case 7: return {{0, 0, 0}, lattice_vector(3, 3, 0)};
        default: return {};
    }
}

std::string fraction(int t) {
    t = ((t % kDen) + kDen) % kDen;
    if (t == 0) return "0";
    const int g = std::gcd(t, kDen);
    return std::to_string(t / g) + "/" + std::to_string(kDen / g);
}

}  // namespace

gemmi::Op parse_operator(std::string_view text, const std::string& file, int line) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    const std::string shown = quoted(text.substr(0, 60));
    const std::string fractions = with_fractions(text, file, line);
    gemmi::Op op;
    try {
        op = gemmi::parse_triplet(fractions);
    } catch (const std::exception& e) {
        bad_input(file, line, shown + " is not a symmetry operator (" + e.what() + ")");
    }
    for (const auto& row : op.rot)
        for (int v : row)
            if (v % kDen != 0) bad_input(file, line, shown + " is not a symmetry operator (fractional rotation)");
    if (std::abs(op.det_rot()) != kDen * kDen * kDen)
        bad_input(file, line, shown + " is not a symmetry operator (its determinant is not +1 or -1)");
    return op.wrap();
}

gemmi::GroupOps shelx_group(int latt, const std::vector<gemmi::Op>& symm, const std::string& file, int line) {
    gemmi::GroupOps g;
    g.cen_ops = lattice_centers(std::abs(latt));
    if (g.cen_ops.empty() || latt == 0)
        bad_input(file, line, "LATT " + std::to_string(latt) + " is no lattice type (1 to 7, negative without inversion)");
    g.sym_ops.push_back(gemmi::Op::identity());
    for (const gemmi::Op& op : symm) {
        // A pure translation among the SYMM lines is a centering vector.
        if (op.rot == gemmi::Op::identity().rot) {
            if (std::find(g.cen_ops.begin(), g.cen_ops.end(), op.tran) == g.cen_ops.end())
                g.cen_ops.push_back(op.tran);
        } else if (std::find(g.sym_ops.begin(), g.sym_ops.end(), op) == g.sym_ops.end()) {
            g.sym_ops.push_back(op);
        }
    }
    if (g.sym_ops.size() > 48 || g.cen_ops.size() > 4)
        bad_input(file, line, "more symmetry operators than any space group has");
    if (latt > 0 && !g.is_centrosymmetric()) {
        const std::size_t n = g.sym_ops.size();
        for (std::size_t i = 0; i < n; ++i) {
            gemmi::Op inv{g.sym_ops[i].negated_rot(), g.sym_ops[i].tran};
            for (int& t : inv.tran) t = -t;
            g.sym_ops.push_back(inv.wrap());
        }
    }
    return g;
}

gemmi::GroupOps group_from_list(const std::vector<gemmi::Op>& ops, const std::string& file, int line) {
    std::set<gemmi::Op> given;
    for (gemmi::Op op : ops) given.insert(op.wrap());
    if (given.count(gemmi::Op::identity()) == 0)
        bad_input(file, line, "the symmetry operators lack the identity x,y,z");
    gemmi::GroupOps g = gemmi::split_centering_vectors(std::vector<gemmi::Op>(given.begin(), given.end()));
    if (g.sym_ops.size() > 48 || g.cen_ops.size() > 4)
        bad_input(file, line, "more symmetry operators than any space group has");
    // Identity first, as the program expects it, and the zero vector first.
    auto zero = std::find(g.cen_ops.begin(), g.cen_ops.end(), gemmi::Op::Tran{0, 0, 0});
    std::iter_swap(g.cen_ops.begin(), zero);
    // The split keeps one operator per rotation: the list is a group only
    // if the split gives it back whole.
    std::set<gemmi::Op> made;
    for (gemmi::Op op : g) made.insert(op.wrap());
    for (const gemmi::Op& op : given)
        if (made.count(op) == 0)
            bad_input(file, line, "the symmetry operators do not form a group: '" + op.triplet() +
                                      "' repeats a rotation with a translation that is no centering vector");
    for (const gemmi::Op& op : made)
        if (given.count(op) == 0)
            bad_input(file, line, "the symmetry operators do not close into a group: '" + op.triplet() +
                                      "' is missing");
    return g;
}

gemmi::GroupOps group_from_hall(const std::string& hall, const std::string& file, int line) {
    // Only the settings of the table: gemmi's parser of Hall symbols takes
    // malformed symbols into undefined behaviour, and a setting outside the
    // table comes with its operators in any CIF worth reading.
    auto normal = [](const std::string& h) {
        std::string out;
        for (char c : h)
            if (c != ' ' && c != '\t') {
                out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            } else if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    };
    const std::string want = normal(hall);
    for (const gemmi::SpaceGroup& sg : gemmi::spacegroup_tables::main)
        if (normal(sg.hall) == want) return sg.operations();
    bad_input(file, line, quoted(hall.substr(0, 40)) + " is no Hall symbol of the tables; give the operators");
}

gemmi::GroupOps group_from_name(const std::string& name, double alpha, double gamma, const std::string& file,
                                int line) {
    const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(name, alpha, gamma);
    if (!sg) bad_input(file, line, "unknown space-group symbol '" + name.substr(0, 40) + "'");
    return sg->operations();
}

const gemmi::SpaceGroup* table_entry(const gemmi::GroupOps& group) { return gemmi::find_spacegroup_by_ops(group); }

std::string program_operator(const gemmi::Op& op) {
    std::string out;
    for (int i = 0; i < 3; ++i) {
        std::string word;
        for (int j = 0; j < 3; ++j) {
            const int c = op.rot[i][j] / kDen;
            if (c == 0) continue;
            if (c < 0)
                word += "-";
            else if (!word.empty())
                word += "+";
            if (std::abs(c) != 1) word += std::to_string(std::abs(c));
            word.append("x").append(std::to_string(j + 1));
        }
        const std::string t = fraction(op.tran[i]);
        if (t != "0") word += "+" + t;
        out += (i > 0 ? " " : "") + word;
    }
    return out;
}

std::string program_center(const gemmi::Op::Tran& t) {
    return fraction(t[0]) + " " + fraction(t[1]) + " " + fraction(t[2]);
}

}  // namespace quilmo
