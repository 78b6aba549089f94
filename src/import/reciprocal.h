// Reflections under the symmetry of the crystal: the representative of a
// reflection's orbit (with the phase shift that takes a phase there), the
// largest indices of the orbits, and the completeness of a data set.
#pragma once

#include <array>
#include <vector>

#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

namespace quilmo {

// The symmetry of reciprocal space: the group, and its table entry when it
// has one (the representative then lies in the table's asymmetric unit).
class ReciprocalSymmetry {
public:
    explicit ReciprocalSymmetry(const gemmi::GroupOps& group);
    const gemmi::GroupOps& group() const { return group_; }
    const gemmi::SpaceGroup* table() const { return table_; }

    // The representative of h in the Laue group (Friedel mates included):
    // phase(rep) = sign * (phase(h) + shift), shift in degrees.
    struct Representative {
        gemmi::Miller h{};
        double shift = 0;
        int sign = 1;
    };
    Representative representative(const gemmi::Miller& h) const;

    bool absent(const gemmi::Miller& h) const { return group_.is_systematically_absent(h); }
    bool centric(const gemmi::Miller& h) const { return group_.is_reflection_centric(h); }
    int epsilon(const gemmi::Miller& h) const { return group_.epsilon_factor(h); }

    // The largest |h_i| along each axis over the orbits of the reflections.
    std::array<int, 3> max_indices(const std::vector<gemmi::Miller>& hkl) const;

    // Unique reflections that are not absent with d >= dmin (000 excluded).
    int possible(const gemmi::UnitCell& cell, double dmin) const;

private:
    gemmi::GroupOps group_;
    const gemmi::SpaceGroup* table_ = nullptr;
};

}  // namespace quilmo
