// SHELX reflection files: HKLF 4 (I, sigma(I)) and HKLF 3 (F, sigma(F)).
#pragma once

#include <array>
#include <string>

#include "import/reflections.h"

namespace quilmo {

// Fixed columns 3I4, 2F8.2 (a value without decimal point has two implied
// decimals, as Fortran reads it), an optional batch column and anything
// after it ignored.  The data end at a 0 0 0 line or at the end of the file;
// lines with sigma <= 0 are left out, as SHELX does.  `scale` multiplies
// values and sigmas; `matrix` (rows) transforms the indices, h' = M h.
ReflectionFile read_hkl(const std::string& text, const std::string& file, int hklf, double scale = 1,
                        const std::array<double, 9>& matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1});

}  // namespace quilmo
