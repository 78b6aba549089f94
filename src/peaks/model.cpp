// Positions of the listed peaks chosen among their symmetry images, and the
// distances between them.
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "peaks/table.h"

namespace quilmo {

namespace {

// The images of the peaks under every operator, sorted into bins at least
// `radius` wide along each axis, so that the images near a point are found
// without looking at all of them.
class ImageBins {
public:
    struct Entry {
        std::size_t peak, op;
        Vec3 y;  // the image as the operator gives it
    };

    ImageBins(const Frame& f, const std::vector<Peak>& peaks, double radius) {
        for (int i = 0; i < 3; ++i)
            nb_[i] = std::max(1, static_cast<int>(std::floor(1 / (radius * f.rlen[i]))));
        bins_.resize(static_cast<std::size_t>(nb_[0] * nb_[1] * nb_[2]));
        for (std::size_t j = 0; j < peaks.size(); ++j)
            for (std::size_t o = 0; o < f.ops.size(); ++o) {
                const Vec3 y = image(f.ops[o], peaks[j].x);
                bins_[bin(in_cell(y))].push_back({j, o, y});
            }
    }

    // Calls visit(entry) once for every image in the bins around x: every
    // image within `radius` of x, and some more.
    template <class Visit>
    void near(const Vec3& x, Visit visit) const {
        const Vec3 c = in_cell(x);
        int lo[3], count[3];
        for (int i = 0; i < 3; ++i) {
            const int b = std::min(nb_[i] - 1, static_cast<int>(c[i] * nb_[i]));
            lo[i] = nb_[i] <= 3 ? 0 : b - 1 + nb_[i];
            count[i] = std::min(nb_[i], 3);
        }
        for (int a = 0; a < count[0]; ++a)
            for (int b = 0; b < count[1]; ++b)
                for (int d = 0; d < count[2]; ++d) {
                    const int at[3] = {(lo[0] + a) % nb_[0], (lo[1] + b) % nb_[1], (lo[2] + d) % nb_[2]};
                    for (const Entry& e :
                         bins_[static_cast<std::size_t>((at[2] * nb_[1] + at[1]) * nb_[0] + at[0])])
                        visit(e);
                }
    }

private:
    int nb_[3];
    std::vector<std::vector<Entry>> bins_;

    std::size_t bin(const Vec3& c) const {
        int at[3];
        for (int i = 0; i < 3; ++i) at[i] = std::min(nb_[i] - 1, static_cast<int>(c[i] * nb_[i]));
        return static_cast<std::size_t>((at[2] * nb_[1] + at[1]) * nb_[0] + at[0]);
    }
};

}  // namespace

void assemble(const Frame& f, std::vector<Peak>& peaks) {
    const std::size_t n = peaks.size();
    std::vector<int> fragment(n, -1);
    std::vector<Vec3> seed;  // first position of each fragment
    std::vector<double> best(n, std::numeric_limits<double>::infinity());
    std::vector<Vec3> at(n);
    const bool atoms =
        std::any_of(peaks.begin(), peaks.end(), [](const Peak& p) { return !p.element.empty(); });
    const ImageBins bins(f, peaks, kBondDistance);
    // Offers the unplaced peaks their images near the peak just placed at
    // `x`.  A fragment stays within 1.5 cells of its first peak, so that a
    // chain through the crystal ends and no coordinate grows past what a
    // SHELX file reads as a coordinate.
    auto offer = [&](const Vec3& x, const Vec3& origin) {
        bins.near(x, [&](const ImageBins::Entry& e) {
            const std::size_t k = e.peak;
            if (fragment[k] >= 0) return;
            const Vec3 d = wrapped(e.y, x);
            if (!within(f, d, kBondDistance)) return;
            const Vec3 y = {x[0] + d[0], x[1] + d[1], x[2] + d[2]};
            bool inside = true;
            for (int i = 0; i < 3; ++i) inside = inside && std::fabs(y[i] - origin[i]) <= 1.5;
            const double r = length(f, d);
            if (inside && r < best[k]) best[k] = r, at[k] = y;
        });
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
            next =
                static_cast<std::size_t>(std::find(fragment.begin(), fragment.end(), -1) - fragment.begin());
            peaks[next].x = in_cell(peaks[next].x);
            seed.push_back(peaks[next].x);
        }
        fragment[next] = static_cast<int>(seed.size()) - 1;
        // Q-peaks beside atoms do not carry a fragment on: a ripple between
        // two molecules would join them.
        if (!peaks[next].element.empty() || !atoms) offer(peaks[next].x, seed.back());
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
    const ImageBins bins(f, peaks, kContactDistance);
    for (Peak& p : peaks) {
        std::vector<std::pair<Contact, Vec3>> found;  // with the vector from p
        bins.near(p.x, [&](const ImageBins::Entry& e) {
            const Vec3 d0 = wrapped(e.y, p.x);
            for (int a = -reach[0]; a <= reach[0]; ++a)
                for (int b = -reach[1]; b <= reach[1]; ++b)
                    for (int c = -reach[2]; c <= reach[2]; ++c) {
                        const Vec3 d = {d0[0] + a, d0[1] + b, d0[2] + c};
                        if (!within(f, d, kContactDistance)) continue;
                        const double r = length(f, d);
                        if (r > kContactDistance || r < 1e-2) continue;
                        Contact k;
                        k.peak = static_cast<int>(e.peak);
                        k.op = static_cast<int>(e.op) + 1;
                        for (int i = 0; i < 3; ++i)
                            k.cell[i] = static_cast<int>(std::lround(p.x[i] + d[i] - e.y[i]));
                        k.distance = r;
                        found.emplace_back(k, d);
                    }
        });
        // On a special position several operators give one image: the
        // first of them names it.
        std::sort(found.begin(), found.end(), [](const auto& u, const auto& v) {
            return std::tie(u.first.peak, u.first.op, u.first.cell) <
                   std::tie(v.first.peak, v.first.op, v.first.cell);
        });
        p.contacts.clear();
        std::vector<Vec3> where;
        for (const auto& [k, d] : found) {
            bool seen = false;
            for (std::size_t w = 0; w < where.size() && !seen; ++w)
                seen = p.contacts[w].peak == k.peak &&
                       length(f, Vec3{d[0] - where[w][0], d[1] - where[w][1], d[2] - where[w][2]}) < 1e-3;
            if (seen) continue;
            p.contacts.push_back(k);
            where.push_back(d);
        }
        std::stable_sort(p.contacts.begin(), p.contacts.end(),
                         [](const Contact& a, const Contact& b) { return a.distance < b.distance; });
    }
}

}  // namespace quilmo
