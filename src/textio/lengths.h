// Lengths of the blank-padded texts of a run.
#pragma once

#include <cstddef>

namespace quilmo {

inline constexpr std::size_t kNameLen = 264;  // file names and titles, density types
inline constexpr std::size_t kLineLen = 132;  // lines of the input and the listings, labels, values

}  // namespace quilmo
