#include "import/scale.h"

#include <cmath>

#include <gemmi/it92.hpp>

#include "import/amplitudes.h"
#include "import/elements.h"
#include "import/problem.h"

namespace quilmo {

namespace {

constexpr int kWilsonPerShell = 10;
constexpr double kWilsonStol2 = 1.0 / 64;  // d = 4 A

// sum_j f_j(s)^2 over the atoms of the cell.
double sum_f2(const Composition& c, double stol2) {
    double s = 0;
    for (const ElementCount& e : c.per_cell) {
        const gemmi::El el = element_of(e.symbol);
        const double f = gemmi::IT92<double>::get(el).calculate_sf(stol2);
        s += e.count * f * f;
    }
    return s;
}

}  // namespace

WilsonScale wilson_scale(const std::vector<MergedReflection>& refl, const Composition& contents, const std::string& file) {
    if (contents.per_cell.empty())
        bad_input(file, "a Wilson plot needs the atoms in the cell (SFAC/UNIT, or a formula and Z); "
                        "give them, or --no-wilson");
    for (const ElementCount& e : contents.per_cell)
        if (!gemmi::IT92<double>::has(element_of(e.symbol))) bad_input(file, "no form factor for element " + e.symbol);
    std::vector<Shell> all = shells(refl, kWilsonPerShell), use;
    for (const Shell& s : all)
        if (s.mean > 0 && s.stol2 > kWilsonStol2) use.push_back(s);
    if (use.size() < 3) {
        use.clear();
        for (const Shell& s : all)
            if (s.mean > 0) use.push_back(s);
    }
    if (use.empty()) bad_input(file, "no reflections with a positive mean intensity for a Wilson plot; use --no-wilson");
    WilsonScale w;
    w.shells = static_cast<int>(use.size());
    // y = ln K - 2 B x with x = s^2, least squares over the shells.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Shell& s : use) {
        const double y = std::log(s.mean / sum_f2(contents, s.stol2));
        sx += s.stol2;
        sy += y;
        sxx += s.stol2 * s.stol2;
        sxy += s.stol2 * y;
    }
    const double n = static_cast<double>(use.size()), det = n * sxx - sx * sx;
    if (use.size() < 2 || !(std::fabs(det) > 1e-12 * n * sxx)) {
        w.k = std::exp(sy / n);
        w.shells = 1;
        return w;
    }
    const double slope = (n * sxy - sx * sy) / det;
    w.k = std::exp((sy - slope * sx) / n);
    w.b = -slope / 2;
    return w;
}

ModelScale model_scale(const std::vector<double>& fo, const std::vector<double>& fc) {
    double sofc = 0, sfc2 = 0;
    for (std::size_t k = 0; k < fo.size(); ++k) {
        sofc += fo[k] * fc[k];
        sfc2 += fc[k] * fc[k];
    }
    ModelScale m;
    m.k = sfc2 > 0 && sofc > 0 ? sofc / sfc2 : 1;
    double num = 0, den = 0;
    for (std::size_t k = 0; k < fo.size(); ++k) {
        num += std::fabs(fo[k] / m.k - fc[k]);
        den += fo[k] / m.k;
    }
    m.r1 = den > 0 ? num / den : 0;
    return m;
}

}  // namespace quilmo
