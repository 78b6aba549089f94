// CIF files of a refinement, read with gemmi: the small-molecule model
// (cell, symmetry, formula, atoms) and reflection loops (a SHELXL .fcf or
// any _refln_ loop with measured values).
#pragma once

#include <string>

#include "import/crystal.h"
#include "import/reflections.h"

namespace quilmo {

// The first data block with a cell: cell (uncertainties in parentheses
// allowed), operators from _space_group_symop_operation_xyz or
// _symmetry_equiv_pos_as_xyz, else from the Hall or Hermann-Mauguin symbol
// or the table number; contents from _chemical_formula_sum times
// _cell_formula_units_Z, else _exptl_crystal_F_000, else the atoms; atoms
// from _atom_site_ and _atom_site_aniso_.
Crystal read_cif_crystal(const std::string& text, const std::string& file);

// The first data block with a _refln_ loop: indices, _refln_F_squared_meas
// or _refln_F_meas with its sigma, phases from _refln_phase_calc or
// _refln_A_calc and _refln_B_calc.  `head` receives what the block says of
// the crystal (its cell and operators, where given: an .fcf carries them).
ReflectionFile read_cif_reflections(const std::string& text, const std::string& file, Crystal& head);

}  // namespace quilmo
