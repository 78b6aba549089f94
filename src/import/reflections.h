// Measured reflections as a reflection file gives them, before merging.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <gemmi/unitcell.hpp>

namespace quilmo {

struct Observation {
    gemmi::Miller h{};   // indices as given (after an HKLF matrix)
    double value = 0;    // I or F, on the file's scale
    double sigma = 0;    // its standard uncertainty, > 0
    double phase = 0;    // calculated phase, degrees, when the file carries phases
    int line = 0;        // line of the file
};

struct ReflectionFile {
    std::string file;
    std::string kind;          // how the file gives the values: "HKLF 4", "_refln_F_squared_meas", ...
    bool intensities = true;   // I and sigma(I); false: F and sigma(F)
    bool phased = false;       // calculated phases given
    bool absolute = false;     // on the absolute scale of the model (a refinement's reflection CIF)
    std::vector<Observation> obs;
    int read = 0;              // reflections read (the end line not counted)
    int rejected = 0;          // left out: sigma <= 0, or a value not given

    // Keeps the observation, or counts it rejected when its sigma is not
    // positive, as refinement programs leave such lines out.
    void keep(const Observation& o) {
        if (o.sigma > 0)
            obs.push_back(o);
        else
            ++rejected;
    }
};

}  // namespace quilmo
