// The keyword file the importer writes, and its safe writing.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <gemmi/unitcell.hpp>

namespace quilmo {

struct FLine {
    gemmi::Miller h{};
    double a = 0, b = 0, sigma = 0;  // electrons
};

struct KeywordFile {
    std::vector<std::string> header;   // comment lines, without the "# "
    std::string title;
    std::string perform;               // MEM, CF, fourier, CF+MEM
    std::array<double, 6> cell{};
    std::array<int, 3> voxel{};
    double electrons = 0;              // 0: not known, neither electrons nor F(000) written
    std::string composition;           // cell contents per formula unit, "C12 H22 O11"; empty when not known
    double z = 0;                      // formula units per cell, 0 when not known
    double wavelength = 0;             // A, 0 when not known
    std::string spacegroup;
    std::vector<std::string> operators;  // symmetry block, identity first
    std::vector<std::string> centers;    // centers block, the zero vector left out
    bool centro = false;
    std::string outputformat;
    std::string algorithm;             // the algorithm line's value; empty: none
    bool flipping = false;             // delta, normalize, cfrestart, searchsymmetry, randomseed
    bool absolute = false;             // amplitudes on the absolute scale: F(000) = electrons
    std::string seed;
    std::vector<FLine> f;              // without F(000)
};

std::string keyword_text(const KeywordFile& k);

// Writes `text` to `path` under a temporary name first, then renames it,
// so that a reader never sees half a file; an existing file is kept unless
// `force`.
void write_new_file(const std::string& path, const std::string& text, bool force);

}  // namespace quilmo
