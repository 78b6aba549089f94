// Elements and cell contents: element symbols as the files write them
// ("C", "CL", "Na+", "O2-"), chemical formulas, and the cell contents as
// text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <gemmi/elem.hpp>

#include "import/crystal.h"

namespace quilmo {

// The element a symbol names, with its electrons (the atomic number); an
// unknown element ends the import with a message naming file and line.
ElementCount element_count(std::string_view symbol, const std::string& file, int line);

// The element of a symbol or an atom label ("C12" -> C), El::X when none.
gemmi::El element_of(std::string_view symbol);

// A formula such as "C12 H22 O11" (per formula unit), elements in order.
std::vector<ElementCount> parse_formula(std::string_view formula, const std::string& file, int line);

// The cell contents as a formula, "C12 H22 O11": per formula unit when
// `per_formula_unit` and Z is known, else per cell.  Empty when only the
// electron count is known.
std::string composition_text(const Composition& c, bool per_formula_unit);

}  // namespace quilmo
