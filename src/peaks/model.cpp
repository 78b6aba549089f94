// Positions of the listed peaks chosen among their symmetry images, and the
// distances between them.
#include <algorithm>
#include <cmath>
#include <limits>

#include "peaks/table.h"

namespace quilmo {

void assemble(const Frame& f, std::vector<Peak>& peaks) {
    const std::size_t n = peaks.size();
    std::vector<int> fragment(n, -1);
    std::vector<Vec3> seed;  // first position of each fragment
    std::vector<double> best(n, std::numeric_limits<double>::infinity());
    std::vector<Vec3> at(n);
    const bool atoms = std::any_of(peaks.begin(), peaks.end(), [](const Peak& p) { return !p.element.empty(); });
    // Offers peak k the images nearest the peak just placed at `x`.  A
    // fragment stays within 1.5 cells of its first peak, so that a chain
    // through the crystal ends and no coordinate grows past what a SHELX
    // file reads as a coordinate.
    auto offer = [&](std::size_t k, const Vec3& x, const Vec3& origin) {
        for (const SymOp& op : f.ops) {
            const Vec3 d = wrapped(image(op, peaks[k].x), x);
            const Vec3 y = {x[0] + d[0], x[1] + d[1], x[2] + d[2]};
            bool inside = true;
            for (int i = 0; i < 3; ++i) inside = inside && std::fabs(y[i] - origin[i]) <= 1.5;
            const double r = length(f, d);
            if (inside && r < best[k]) best[k] = r, at[k] = y;
        }
    };
    for (std::size_t round = 0; round < n; ++round) {
        // The unplaced peak nearest the placed ones (the highest on a tie),
        // or the highest unplaced one when none is bonded.
        std::size_t next = n;
        for (std::size_t k = 0; k < n; ++k)
            if (fragment[k] < 0 && (next == n || best[k] < best[next])) next = k;
        if (best[next] <= kBondDistance) {
            peaks[next].x = at[next];
        } else {
            next = static_cast<std::size_t>(std::find(fragment.begin(), fragment.end(), -1) - fragment.begin());
            peaks[next].x = in_cell(peaks[next].x);
            seed.push_back(peaks[next].x);
        }
        fragment[next] = static_cast<int>(seed.size()) - 1;
        // Q-peaks beside atoms do not carry a fragment on: a ripple between
        // two molecules would join them.
        if (!peaks[next].element.empty() || !atoms)
            for (std::size_t k = 0; k < n; ++k)
                if (fragment[k] < 0) offer(k, peaks[next].x, seed.back());
    }
    // Each fragment moved by whole cells so that its centre lies in the cell.
    for (std::size_t g = 0; g < seed.size(); ++g) {
        Vec3 centre{};
        int count = 0;
        for (std::size_t k = 0; k < n; ++k)
            if (fragment[k] == static_cast<int>(g)) {
                for (int i = 0; i < 3; ++i) centre[i] += peaks[k].x[i];
                ++count;
            }
        for (std::size_t k = 0; k < n; ++k)
            if (fragment[k] == static_cast<int>(g))
                for (int i = 0; i < 3; ++i) peaks[k].x[i] -= std::floor(centre[i] / count);
    }
}

void findcontacts(const Frame& f, std::vector<Peak>& peaks) {
    // Lattice steps that can still bring an image within the distance: a
    // fractional component of a vector of length r is at most r |a*_i|, and
    // the wrapped difference starts within 1/2.
    int reach[3];
    for (int i = 0; i < 3; ++i) reach[i] = static_cast<int>(std::floor(kContactDistance * f.rlen[i] + 0.5));
    for (Peak& p : peaks) {
        p.contacts.clear();
        std::vector<Vec3> where;  // of each contact, from p
        for (std::size_t j = 0; j < peaks.size(); ++j)
            for (std::size_t o = 0; o < f.ops.size(); ++o) {
                const Vec3 y = image(f.ops[o], peaks[j].x);
                const Vec3 d0 = wrapped(y, p.x);
                for (int a = -reach[0]; a <= reach[0]; ++a)
                    for (int b = -reach[1]; b <= reach[1]; ++b)
                        for (int c = -reach[2]; c <= reach[2]; ++c) {
                            const Vec3 d = {d0[0] + a, d0[1] + b, d0[2] + c};
                            const double r = length(f, d);
                            if (r > kContactDistance || r < 1e-2) continue;
                            // On a special position several operators give
                            // one image: the first of them names it.
                            bool seen = false;
                            for (std::size_t e = 0; e < where.size() && !seen; ++e)
                                seen = p.contacts[e].peak == static_cast<int>(j) &&
                                       length(f, Vec3{d[0] - where[e][0], d[1] - where[e][1], d[2] - where[e][2]}) < 1e-3;
                            if (seen) continue;
                            Contact k;
                            k.peak = static_cast<int>(j);
                            k.op = static_cast<int>(o) + 1;
                            for (int i = 0; i < 3; ++i) k.cell[i] = static_cast<int>(std::lround(p.x[i] + d[i] - y[i]));
                            k.distance = r;
                            p.contacts.push_back(k);
                            where.push_back(d);
                        }
            }
        std::stable_sort(p.contacts.begin(), p.contacts.end(),
                         [](const Contact& a, const Contact& b) { return a.distance < b.distance; });
    }
}

}  // namespace quilmo
