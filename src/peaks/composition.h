// The composition of the crystal (keyword composition) and the element
// labels it gives the strongest peaks.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "peaks/table.h"

namespace quilmo {

struct Composition {
    std::vector<std::pair<int, double>> atoms;  // atomic number and count per formula unit, as given
    double z = 0;                               // formula units per cell when given, else 0
};

// Atomic number of an element symbol ("C", "Cl"), 1..98; 0 when unknown.
int atomic_number(std::string_view symbol);
const char* element_symbol(int z);

// Reads "C12 H22 O11" (blanks between the elements optional, a missing
// count meaning 1), optionally ended by "Z 2", the formula units per cell.
// False with `error` saying why when the text is no composition.
bool parse_composition(std::string_view text, Composition& c, std::string& error);

// Electrons of one formula unit.
double formula_electrons(const Composition& c);

// Formula units per cell: as given, else from the electrons per cell
// (rounded, at least 1), else one per general position.
double formula_units(const Composition& c, double electrons, int group_order);

// The highest peaks (the list is highest first) become atoms: each takes the
// heaviest element of which at least half an atom per cell is left and uses
// up its copies; hydrogen is left to refinement.  Labels run per element in
// the order of the list (C1, C2, ..., O1, ...); the other peaks stay Q-peaks,
// numbered Q1, Q2, ... in the same order.
void label_peaks(std::vector<Peak>& peaks, const Composition& c, double units);

}  // namespace quilmo
