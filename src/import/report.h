// The console report at the end of an import.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace quilmo {

struct ImportReport {
    std::vector<std::string> files;    // "sucrose.hkl (HKLF 4)", ...
    std::string cell;                  // "7.7830 8.7364 ... (sucrose.ins)"
    std::string group;                 // "P 1 21 1, order 2, acentric"
    int read = 0, rejected = 0, merged = 0, unique = 0, absences = 0, strong_absences = 0;
    std::vector<std::string> strong_list;  // the strongest absences, "h k l  I/sigma"
    std::string laue;                  // Laue class of the merge
    bool anomalous_merged = false;     // Friedel mates of an acentric structure merged
    double dmin = 0, completeness = 0, i_over_sigma = 0, rint = 0;
    int multiple = 0;
    bool intensities = true;
    std::string amplitudes;            // the rule used
    std::string scale;                 // how the absolute scale was reached
    std::string phases;                // where the phases came from, empty for amplitudes only
    std::string electrons;             // "364 per cell (C24 H44 O22, from sucrose.ins SFAC/UNIT)"
    std::array<int, 3> grid{};
    std::array<double, 3> edge{};      // voxel edge along each axis, A
    std::vector<std::string> warnings;
    std::string written;
};

void print_report(std::ostream& out, const ImportReport& r);

}  // namespace quilmo
