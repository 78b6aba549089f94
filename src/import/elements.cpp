#include "import/elements.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "import/problem.h"

namespace quilmo {

namespace {

bool alpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// The one or two letters of an element symbol at the start of `s`: a second
// letter counts only when it makes a known element ("CL" is chlorine, "C1"
// and "CX" are carbon).
std::string symbol_letters(std::string_view s) {
    if (s.empty() || !alpha(s[0])) return {};
    if (s.size() > 1 && alpha(s[1])) {
        std::string two = {static_cast<char>(std::toupper(static_cast<unsigned char>(s[0]))),
                           static_cast<char>(std::tolower(static_cast<unsigned char>(s[1])))};
        if (gemmi::find_element(two.c_str()) != gemmi::El::X) return two;
    }
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(s[0]))));
}

std::string count_text(double n) {
    if (std::fabs(n - 1) < 1e-9) return "";
    char buf[32];
    if (std::fabs(n - std::round(n)) < 1e-6)
        std::snprintf(buf, sizeof buf, "%.0f", n);
    else
        std::snprintf(buf, sizeof buf, "%.4g", n);
    return buf;
}

}  // namespace

gemmi::El element_of(std::string_view symbol) {
    const std::string letters = symbol_letters(symbol);
    return letters.empty() ? gemmi::El::X : gemmi::find_element(letters.c_str());
}

ElementCount element_count(std::string_view symbol, const std::string& file, int line) {
    const gemmi::El el = element_of(symbol);
    if (el == gemmi::El::X)
        bad_input(file, line, "unknown element '" + std::string(symbol.substr(0, 20)) + "'");
    const gemmi::Element e(el);
    return {e.name(), 0, static_cast<double>(e.atomic_number())};
}

std::vector<ElementCount> parse_formula(std::string_view formula, const std::string& file, int line) {
    std::vector<ElementCount> out;
    std::size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        if (!std::isupper(static_cast<unsigned char>(c)))
            bad_input(file, line, "the formula '" + std::string(formula.substr(0, 60)) + "' is not a list of elements");
        std::size_t j = i + 1;
        if (j < formula.size() && std::islower(static_cast<unsigned char>(formula[j]))) ++j;
        ElementCount e = element_count(formula.substr(i, j - i), file, line);
        std::size_t k = j;
        while (k < formula.size() && (std::isdigit(static_cast<unsigned char>(formula[k])) || formula[k] == '.')) ++k;
        e.count = k > j ? real_number(formula.substr(j, k - j), file, line, "count in the formula") : 1.0;
        i = k;
        bool merged = false;
        for (ElementCount& o : out)
            if (o.symbol == e.symbol) {
                o.count += e.count;
                merged = true;
            }
        if (!merged) out.push_back(e);
    }
    if (out.empty()) bad_input(file, line, "the formula is empty");
    return out;
}

std::string composition_text(const Composition& c, bool per_formula_unit) {
    const double div = per_formula_unit && c.z > 0 ? c.z : 1.0;
    std::string out;
    for (const ElementCount& e : c.per_cell) {
        if (e.count <= 0) continue;
        out += (out.empty() ? "" : " ") + e.symbol + count_text(e.count / div);
    }
    return out;
}

}  // namespace quilmo
