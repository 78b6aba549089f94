// Symmetry images of reflections, the position flags that keep each section
// of the expanded list free of duplicates, and the pieces of the expansion
// report shared by its passes.
#pragma once

#include <array>
#include <vector>

#include "run/state.h"

namespace quilmo {

// Indices of h under operator j: the row vector h times rmat, each partial
// sum cut to an integer; the entries beyond sdim stay as in h.
std::array<int, 9> hklimage(const RunState& st, const std::array<int, 9>& h, int j);

class ReflOrbits {
public:
    // One flag per grid point of the transform array, all clear.
    explicit ReflOrbits(RunState& st);

    bool taken(int sfloc) const { return flag_[static_cast<std::size_t>(sfloc / 2)] != 0; }
    void take(int sfloc) { flag_[static_cast<std::size_t>(sfloc / 2)] = 1; }
    void clear();

    // Indices of h under point operator j (hklimage).
    std::array<int, 9> image(const std::array<int, 9>& h, int j) const { return hklimage(st_, h, j); }

    // Appends src and its images on untaken positions to `out` (with phases
    // shifted by the operators' translations when `phase`), takes their
    // positions, and sets mult of all of them.  Returns mult.
    int orbit(const reftyp& src, std::vector<reftyp>& out, bool phase);

private:
    RunState& st_;
    std::vector<unsigned char> flag_;
};

// Header line of the reflection listings, with the last column's title.
std::string fhklheader(const char* weight);

// Items of a reflection line under fhklform: indices, a, b, f, sigma, group,
// mult, sfloc and (count 9) weight.
FmtItems fhklitems(const RunState& st, const reftyp& e, int count = 9);

// refl rebuilt as F, the primary P entries, G, extra, whatever the order of
// the blocks in the input file, so that every later step finds the sections
// in this order.
void rebuildrefl(RunState& st, const std::vector<reftyp>& primary);

// P-constraints from the structure factors of the starting density, and the
// rebuilt lists: `work` becomes F, P, G and refl becomes F, P, G, extra.
void addpriorsf(RunState& st, ReflOrbits& orbits, std::vector<reftyp>& work);

}  // namespace quilmo
