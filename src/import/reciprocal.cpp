#include "import/reciprocal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "import/operators.h"

namespace quilmo {

ReciprocalSymmetry::ReciprocalSymmetry(const gemmi::GroupOps& group) : group_(group), table_(table_entry(group)) {}

ReciprocalSymmetry::Representative ReciprocalSymmetry::representative(const gemmi::Miller& h) const {
    std::optional<gemmi::ReciprocalAsu> asu;
    if (table_) asu.emplace(table_);
    Representative best;
    bool have = false;
    for (const gemmi::Op& op : group_.sym_ops) {
        const gemmi::Miller hr = op.apply_to_hkl(h);
        // F(hR) = F(h) exp(-2 pi i h.t)
        const double shift = -360.0 * (h[0] * op.tran[0] + h[1] * op.tran[1] + h[2] * op.tran[2]) / gemmi::Op::DEN;
        for (int sign : {1, -1}) {
            const gemmi::Miller c{sign * hr[0], sign * hr[1], sign * hr[2]};
            if (asu) {
                if (asu->is_in(c)) return {c, shift, sign};
            } else if (!have || c > best.h) {
                best = {c, shift, sign};
                have = true;
            }
        }
    }
    return best;
}

std::array<int, 3> ReciprocalSymmetry::max_indices(const std::vector<gemmi::Miller>& hkl) const {
    std::array<int, 3> m{0, 0, 0};
    for (const gemmi::Miller& h : hkl)
        for (const gemmi::Op& op : group_.sym_ops) {
            const gemmi::Miller hr = op.apply_to_hkl(h);
            for (int i = 0; i < 3; ++i) m[static_cast<std::size_t>(i)] = std::max(m[static_cast<std::size_t>(i)], std::abs(hr[static_cast<std::size_t>(i)]));
        }
    return m;
}

int ReciprocalSymmetry::possible(const gemmi::UnitCell& cell, double dmin) const {
    const double limit = 1 / (dmin * dmin) * (1 + 1e-9);
    const int hmax = static_cast<int>(std::ceil(cell.a / dmin)), kmax = static_cast<int>(std::ceil(cell.b / dmin)),
              lmax = static_cast<int>(std::ceil(cell.c / dmin));
    int count = 0;
    for (int h = -hmax; h <= hmax; ++h)
        for (int k = -kmax; k <= kmax; ++k)
            for (int l = -lmax; l <= lmax; ++l) {
                const gemmi::Miller m{h, k, l};
                if (m == gemmi::Miller{0, 0, 0} || cell.calculate_1_d2(m) > limit || absent(m)) continue;
                if (representative(m).h == m) ++count;
            }
    return count;
}

}  // namespace quilmo
