// The texts of the three files the peak search writes: the peak table
// (<title>.QLpeaks), the SHELX file a refinement starts from (<title>.res)
// and the model as a CIF (<title>_model.cif).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "peaks/composition.h"
#include "peaks/table.h"

namespace quilmo {

// What the files say besides the peaks.
struct ModelInfo {
    std::string title;             // the run title, else the file title
    std::string name;              // the file stem, the CIF's data block
    std::string map;               // the density file the peaks were taken from
    std::array<double, 6> cell{};  // a, b, c (A), alpha, beta, gamma (degrees)
    double volume = 0;             // A^3
    double wavelength = 0.71073;   // A
    std::string spacegroup;        // the spacegroup keyword, empty when not given
    Composition composition;       // no atoms when none was given
    double units = 1;              // formula units per cell
    double electrons = 0;          // per cell, for a model without a composition
};

std::string peak_table_text(const Frame& f, const PeakTable& t, const ModelInfo& m);
std::string shelx_text(const Frame& f, const PeakTable& t, const ModelInfo& m);
std::string model_cif_text(const Frame& f, const PeakTable& t, const ModelInfo& m);

// The SHELX lattice instruction of the operator list: the lattice type
// from the pure translations (1 P, 2 I, 3 R obverse, 4 F, 5 A, 6 B, 7 C),
// positive when the inversion through the origin belongs to the group; and
// the operators a SYMM line must name (the identity, the centering copies
// and, for a positive LATT, the inverted copies left out).
struct ShelxSymmetry {
    int latt = -1;
    std::vector<int> symm;  // indices into the frame's operators
};
ShelxSymmetry shelx_symmetry(const Frame& f);

// The symmetry code of a contact: "2_565" (operator, then 5 + the lattice
// translation along each axis).
std::string symmetry_code(const Contact& c);

}  // namespace quilmo
