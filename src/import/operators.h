// Symmetry operators as the files of a refinement write them (SHELX SYMM
// lines and LATT, CIF operator loops, Hall and Hermann-Mauguin symbols),
// turned into point operators and centering vectors, and written back in the
// program's own x1 x2 x3 words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <gemmi/symmetry.hpp>

namespace quilmo {

// One operator triplet ("-X,Y+1/2,-Z", "0.5-x, y, z"); decimal translations
// are taken to the nearest 24th.  Anything else ends the import with a
// message naming file and line.
gemmi::Op parse_operator(std::string_view text, const std::string& file, int line);

// The group of a SHELX file: the identity and the SYMM operators, the
// inversion added for a positive LATT, the centering vectors of |LATT|.
gemmi::GroupOps shelx_group(int latt, const std::vector<gemmi::Op>& symm, const std::string& file, int line);

// The group of a complete operator list (a CIF loop): point operators and
// centering vectors.  The list must be the whole group, each operator
// once, up to whole-cell translations.
gemmi::GroupOps group_from_list(const std::vector<gemmi::Op>& ops, const std::string& file, int line);

// The group of a Hall symbol, or of a Hermann-Mauguin symbol or table
// number (alpha and gamma tell the rhombohedral from the hexagonal axes).
gemmi::GroupOps group_from_hall(const std::string& hall, const std::string& file, int line);
gemmi::GroupOps group_from_name(const std::string& name, double alpha, double gamma, const std::string& file,
                                int line);

// The table entry of the group (its symbol, Laue class and reciprocal
// asymmetric unit), or null for a setting the table does not hold.
const gemmi::SpaceGroup* table_entry(const gemmi::GroupOps& group);

// The operator in the words of the symmetry block, "-x1 x2+1/2 -x3", and a
// centering vector as in the centers block, "1/2 1/2 0".
std::string program_operator(const gemmi::Op& op);
std::string program_center(const gemmi::Op::Tran& t);

}  // namespace quilmo
