// What the importer learns about a crystal from a structure file (SHELX
// .ins/.res, a model CIF) or from the head of a reflection CIF: cell,
// symmetry, cell contents and atoms, each with the place it came from.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <gemmi/small.hpp>
#include <gemmi/symmetry.hpp>

namespace quilmo {

// Where an item was read: file, line (0: no single line) and how the file
// names it ("CELL", "_cell_length_a", ...).  An empty file: not given.
struct Source {
    std::string file;
    int line = 0;
    std::string item;
    bool given() const { return !file.empty(); }
};

// Atoms of one element in the unit cell.
struct ElementCount {
    std::string symbol;  // element symbol as the periodic table writes it
    double count = 0;    // atoms per cell
    double electrons = 0;  // electrons of one atom (the atomic number, or f(0) of a SHELX long-form SFAC)
};

// The contents of the unit cell.
struct Composition {
    std::vector<ElementCount> per_cell;  // empty when only the electron count is known
    double z = 0;                        // formula units per cell, 0 when unknown
    double electrons = 0;                // per cell, 0 when unknown
    Source source;                       // SFAC/UNIT, _chemical_formula_sum, _exptl_crystal_F_000, atoms
};

struct Crystal {
    std::string file;                 // the file read
    std::string title;                // TITL, or the name of the CIF data block
    std::array<double, 6> cell{};     // a, b, c (A), alpha, beta, gamma (degrees)
    Source cell_source;
    double wavelength = 0;            // A, 0 when not given
    gemmi::GroupOps group;            // point operators (identity first) and centering vectors
    Source group_source;              // empty when the file gives no symmetry
    std::string symbol;               // space-group symbol as the file gives it, may be empty
    Composition composition;
    gemmi::SmallStructure model;      // atoms, U in A^2
    bool chemical_occupancies = false;  // occupancies per chemical site (CIF), not per crystallographic one
    int hklf = 0;                     // HKLF code of a SHELX file (3 or 4), 0 when none
    double hklf_scale = 1;            // its scale of the measured values
    std::array<double, 9> hklf_matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};  // h' = M h, rows of M
};

}  // namespace quilmo
