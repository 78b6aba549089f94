// The peak table of a density: the symmetry-unique maxima with refined
// positions and heights, their basins, site symmetries, labels and the
// distances between them.
#pragma once

#include <string>
#include <vector>

#include "peaks/frame.h"

namespace quilmo {

// A neighbour of a peak: peak `peak` of the table moved by operator `op`
// (1-based, the complete list) and the lattice translation `cell`.
struct Contact {
    int peak = 0;  // index into the table
    int op = 1;
    std::array<int, 3> cell{};
    double distance = 0;  // A
};

struct Peak {
    Vec3 x{};                       // fractional position, on its special position when near one
    double height = 0;              // e/A^3 at x
    double electrons = 0;           // one copy's basin with the weak basins it took in, electrons
    int copies = 1;                 // positions in the cell: group order / site
    int site = 1;                   // order of the site-symmetry group
    std::string label;              // Q1, Q2, ... or C1, O1, ...
    std::string element;            // empty for a Q-peak
    std::vector<Contact> contacts;  // within kContactDistance, nearest first
};

struct PeakTable {
    std::vector<Peak> peaks;            // the listed peaks, highest first
    int maxima = 0;                     // grid maxima in the cell
    int unique = 0;                     // symmetry-unique peaks among them
    double total = 0;                   // sum of the map over the cell, electrons
    double positive = 0, negative = 0;  // its positive and negative parts
    double unlisted = 0;                // electrons per cell in the basins of the unlisted peaks and
                                        // of weak maxima that reached no peak
    double highest = 0;                 // e/A^3, the highest peak
    double cut = 0;                     // e/A^3, the lowest height listed
    int limit = 0;                      // peaks in the cell (copies counted) the list stops at
};

inline constexpr double kContactDistance = 3.0;  // A, neighbours listed per peak
inline constexpr double kSpecialDistance = 0.2;  // A, a peak this near a special position is put on it
inline constexpr double kMergeDistance = 0.5;    // A, a symmetry image this near a maximum is that maximum
inline constexpr double kBondDistance = 2.3;     // A, peaks this near join one fragment of the model
// Peaks lower than this fraction of the highest are not listed, and their
// basins join those of the listed ones.  In the sucrose maps every atom
// stands above 55 % of the highest peak, the noise below 11 % (Fourier and
// charge flipping) and the strongest hydrogen peaks of the maximum-entropy
// map at 4.1 to 4.8 %; the interstitial maxima of NaCl lie below 3 %.  At
// 4 % the hydrogen peaks are kept, and a carbon atom beside an iodine one
// (some 10 % of its height) is not lost.
inline constexpr double kCutFraction = 0.04;

// The peaks of `rho` (the map's unit per voxel, nvox values first axis
// fastest): the unique peaks not lower than `cutfraction` of the highest,
// highest first, listed until their copies in the cell reach `limit`;
// the basins of the lower maxima joined to theirs (joinweak); labelled Q1,
// Q2, ....  Positions as found: assemble and findcontacts follow once the
// atoms are labelled.
PeakTable findpeaks(const Frame& f, const double* rho, int limit, double cutfraction = kCutFraction);

// Order of the site-symmetry group of x, after moving x onto the special
// position within kSpecialDistance of it, if there is one.
int sitesymmetry(const Frame& f, Vec3& x);

// Every peak moved to the symmetry image nearest the peaks placed before
// it (the atoms among them, when some are labelled), so that bonded peaks
// (kBondDistance) come out as connected fragments;
// a peak with no bond starts a new fragment inside the cell; each fragment
// is then moved by whole cells to have its centre in the cell.
void assemble(const Frame& f, std::vector<Peak>& peaks);

// Fills the contacts of every peak: every image of every peak within
// kContactDistance.
void findcontacts(const Frame& f, std::vector<Peak>& peaks);

}  // namespace quilmo
