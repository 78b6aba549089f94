#include "peaks/composition.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>

namespace quilmo {

namespace {

// The elements a refinement program knows by symbol, hydrogen to californium.
constexpr const char* kSymbols[] = {
    "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si", "P",  "S",  "Cl",
    "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn", "Ga", "Ge", "As", "Se",
    "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh", "Pd", "Ag", "Cd", "In", "Sn", "Sb",
    "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd", "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er",
    "Tm", "Yb", "Lu", "Hf", "Ta", "W",  "Re", "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At",
    "Rn", "Fr", "Ra", "Ac", "Th", "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf"};
constexpr int kElements = static_cast<int>(sizeof kSymbols / sizeof kSymbols[0]);

// A count: digits with at most one point.  Returns its length, 0 if none.
std::size_t number_at(std::string_view s, std::size_t at, double& value) {
    std::size_t e = at;
    bool point = false;
    while (e < s.size() && (std::isdigit(static_cast<unsigned char>(s[e])) || (s[e] == '.' && !point)))
        point = point || s[e] == '.', ++e;
    if (e == at || (e == at + 1 && s[at] == '.')) return 0;
    value = std::strtod(std::string(s.substr(at, e - at)).c_str(), nullptr);
    return e - at;
}

bool is_space(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int atomic_number(std::string_view symbol) {
    for (int z = 1; z <= kElements; ++z)
        if (symbol == kSymbols[z - 1]) return z;
    return 0;
}

const char* element_symbol(int z) { return z >= 1 && z <= kElements ? kSymbols[z - 1] : "?"; }

bool parse_composition(std::string_view s, Composition& c, std::string& error) {
    c = Composition{};
    std::size_t i = 0;
    auto skip = [&] {
        while (i < s.size() && is_space(s[i])) ++i;
    };
    for (skip(); i < s.size(); skip()) {
        if (s[i] == 'Z' && (i + 1 == s.size() || is_space(s[i + 1]) || s[i + 1] == '=')) {
            ++i;
            skip();
            if (i < s.size() && s[i] == '=') ++i, skip();
            const std::size_t len = number_at(s, i, c.z);
            i += len;
            if (len == 0 || !(c.z > 0) || (i < s.size() && !is_space(s[i]))) {
                error = "Z must be followed by the number of formula units per cell";
                return false;
            }
            skip();
            if (i < s.size()) {
                error = "nothing may follow the number of formula units";
                return false;
            }
            break;
        }
        if (!std::isupper(static_cast<unsigned char>(s[i]))) {
            error.assign(1, '"').append(s.substr(i, 1)).append("\" does not start an element symbol");
            return false;
        }
        std::size_t e = i + 1;
        if (e < s.size() && std::islower(static_cast<unsigned char>(s[e]))) ++e;
        const std::string symbol(s.substr(i, e - i));
        const int z = atomic_number(symbol);
        if (z == 0) {
            error = "unknown element " + symbol;
            return false;
        }
        double count = 1;
        i = e + number_at(s, e, count);
        if (!(count > 0)) {
            error = "the count of " + symbol + " must be positive";
            return false;
        }
        c.atoms.emplace_back(z, count);
    }
    if (c.atoms.empty()) {
        error = "no element given";
        return false;
    }
    return true;
}

double formula_electrons(const Composition& c) {
    double e = 0;
    for (const auto& [z, count] : c.atoms) e += z * count;
    return e;
}

double formula_units(const Composition& c, double electrons, int group_order) {
    if (c.z > 0) return c.z;
    if (electrons > 0) return std::max(1.0, std::round(electrons / formula_electrons(c)));
    return group_order;
}

void label_peaks(std::vector<Peak>& peaks, const Composition& c, double units) {
    std::map<int, double, std::greater<int>> left;  // atoms per cell still to place, heaviest first
    for (const auto& [z, count] : c.atoms)
        if (z > 1) left[z] += count * units;
    std::map<int, int> used;
    int q = 0;
    for (Peak& p : peaks) {
        auto it = std::find_if(left.begin(), left.end(), [](const auto& e) { return e.second >= 0.5; });
        if (it == left.end()) {
            p.element.clear();
            p.label = std::string(1, 'Q').append(std::to_string(++q));
            continue;
        }
        p.element = element_symbol(it->first);
        p.label = p.element + std::to_string(++used[it->first]);
        it->second -= p.copies;
    }
}

}  // namespace quilmo
