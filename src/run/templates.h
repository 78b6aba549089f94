// Line templates of the reports.  Each is a fixed format with the repeat
// count of its index (or cell) fields written in for the run's dimensions,
// so every writer gets the same line from the dimension alone.
#pragma once

#include <string>
#include <string_view>

namespace quilmo {

std::string fhklform(int sdim);   // F reflection line: indices, A, B, F, sigma, group, m, location, weight
std::string ghklform(int sdim);   // G member line: indices, group, m, location
std::string fchklform(int sdim);  // MEM listing of an F or extra reflection
std::string gchklform(int sdim);  // MEM listing of a G member
std::string dsymform(int sdim);   // voxel-unit operator row
std::string symform(int sdim);    // operator row of the log
std::string sfsymform(int sdim);  // operator row of the listing's side-by-side blocks
std::string pixform(int sdim);    // the grid line
std::string qvecform(int rdim);   // one q-vector
std::string cellform(int ncellpar);   // cell line
std::string rcellform(int ncellpar);  // reciprocal cell line

// MEM listing of a G group.
inline constexpr std::string_view ggrpform = "(2X,'group nr.',I3,6X,2F14.7,3X,3F14.7)";

// Line-end markers of the reflection listing: a difference of more than 6
// sigma, of more than 3 up to 6 sigma, and of up to 3 sigma.
inline constexpr std::string_view badsigmasgn = " !";
inline constexpr std::string_view sigma6sgn = " #";
inline constexpr std::string_view sigma3sgn = "  ";

// Writes `count` with `fmt` (for example "(I3)") into the characters
// first..last (1-based) of a report template.
void set_template_count(std::string& form, int count, const char* fmt, int first, int last);

}  // namespace quilmo
