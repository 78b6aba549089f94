// SHELX instruction files (.ins, .res): TITL, CELL, ZERR, LATT, SYMM, SFAC
// (short and long form), UNIT, FVAR, the atoms and HKLF; every other
// instruction, Q-peaks and everything after HKLF or END are read past.
#pragma once

#include <string>

#include "import/crystal.h"

namespace quilmo {

// `text` is the content of the file named `file` (for the messages).
Crystal read_shelx(const std::string& text, const std::string& file);

}  // namespace quilmo
