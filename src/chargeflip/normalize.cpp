// Normalised amplitudes: epsilon factors, the mean-intensity curve and E.
#include "chargeflip/normalize.h"

#include <algorithm>
#include <cmath>

#include "reflections/orbits.h"
#include "reflections/weights.h"

namespace quilmo {

namespace {

double s2_of(const RunState& st, const std::array<int, 9>& h) {
    double v[8] = {};
    for (int i = 0; i < st.sdim && i < 8; ++i) v[i] = h[static_cast<std::size_t>(i)];
    const double s = vlen(st, v, true);
    return s * s;
}

struct Shell {
    double s2, mean;
};

// Shells of equal count in s², each at its mean s² with its mean intensity.
// A shell whose mean is not positive (all amplitudes zero) takes a
// millionth of the overall mean, so that its logarithm exists.
std::vector<Shell> shells(std::vector<std::pair<double, double>>& points) {
    std::sort(points.begin(), points.end());
    const long n = static_cast<long>(points.size());
    const long count = std::clamp(n / kShellCount, 1L, static_cast<long>(kMaxShells));
    double total = 0;
    for (const auto& p : points) total += p.second;
    const double floor = 1e-6 * std::max(total / static_cast<double>(std::max(n, 1L)), 1e-300);
    std::vector<Shell> out;
    for (long k = 0; k < count && n > 0; ++k) {
        const long a = n * k / count, b = n * (k + 1) / count;
        double s2 = 0, sum = 0;
        for (long i = a; i < b; ++i) {
            s2 += points[static_cast<std::size_t>(i)].first;
            sum += points[static_cast<std::size_t>(i)].second;
        }
        const double m = static_cast<double>(b - a);
        out.push_back({s2 / m, std::max(sum / m, floor)});
    }
    return out;
}

}  // namespace

int epsilon(const RunState& st, const std::array<int, 9>& h) {
    int eps = 0;
    for (int j = 1; j <= st.nsym; ++j)
        eps += std::equal(h.begin(), h.begin() + st.sdim, hklimage(st, h, j).begin()) ? 1 : 0;
    return std::max(eps, 1);
}

double IntensityCurve::operator()(double x) const {
    if (s2.empty()) return std::exp(lnk + slope * x);
    if (x <= s2.front()) return std::exp(lnmean.front());
    if (x >= s2.back()) return std::exp(lnmean.back());
    const std::size_t k = static_cast<std::size_t>(std::upper_bound(s2.begin(), s2.end(), x) - s2.begin());
    const double t = (x - s2[k - 1]) / (s2[k] - s2[k - 1]);
    return std::exp(lnmean[k - 1] + t * (lnmean[k] - lnmean[k - 1]));
}

IntensityCurve local_curve(std::vector<std::pair<double, double>> points) {
    const std::vector<Shell> sh = shells(points);
    IntensityCurve c;
    std::vector<double> ln;
    for (const Shell& s : sh) ln.push_back(std::log(s.mean));
    const std::size_t n = sh.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t a = k == 0 ? 0 : k - 1, b = std::min(k + 1, n - 1);
        double sum = 0;
        for (std::size_t i = a; i <= b; ++i) sum += ln[i];
        // Equal s² between shells would make the curve jump: keep the first.
        if (!c.s2.empty() && sh[k].s2 <= c.s2.back()) continue;
        c.s2.push_back(sh[k].s2);
        c.lnmean.push_back(sum / static_cast<double>(b - a + 1));
    }
    return c;
}

IntensityCurve wilson_curve(std::vector<std::pair<double, double>> points) {
    const std::vector<Shell> sh = shells(points);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Shell& s : sh) {
        const double y = std::log(s.mean);
        sx += s.s2;
        sy += y;
        sxx += s.s2 * s.s2;
        sxy += s.s2 * y;
    }
    const double n = static_cast<double>(sh.size());
    const double det = n * sxx - sx * sx;
    IntensityCurve c;
    c.slope = det > 0 ? (n * sxy - sx * sy) / det : 0;
    c.lnk = n > 0 ? (sy - c.slope * sx) / n : 0;
    return c;
}

void normalizeamplitudes(RunState& st) {
    std::vector<std::pair<double, double>> points;
    for (int i = st.sec.f.start + 1; i <= st.sec.f.end; ++i) {
        const reftyp& e = st.refl(i);
        points.emplace_back(s2_of(st, e.hklfg), e.f * e.f / epsilon(st, e.hklfg));
    }
    const std::size_t unique = points.size();
    const bool wilson = st.normalize == Normalize::wilson;
    const IntensityCurve curve = wilson ? wilson_curve(std::move(points)) : local_curve(std::move(points));
    st.memrefl(st.msec.f.start).f = 0;
    for (int i = st.msec.f.start + 1; i <= st.msec.f.end; ++i) {
        reftyp& e = st.memrefl(i);
        e.f /= std::sqrt(epsilon(st, e.hklfg) * curve(s2_of(st, e.hklfg)));
    }
    if (wilson) {
        st.log.write("(a,es12.5,a,f8.3,a)", {"Normalised amplitudes E from a Wilson fit: <F**2/eps> at s=0 ",
                                              std::exp(curve.lnk), ", B =", -2.0 * curve.slope, " A**2"});
    } else {
        st.log.write("(a,i3,a,i6,a)", {"Normalised amplitudes E from <F**2/eps> in", static_cast<int>(curve.s2.size()),
                                        " shells of the", static_cast<int>(unique), " reflections"});
    }
}

}  // namespace quilmo
