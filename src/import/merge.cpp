#include "import/merge.h"

#include <cmath>
#include <complex>
#include <map>

namespace quilmo {

namespace {

constexpr double kDegree = 0.017453292519943295;

struct Group {
    double sw = 0, swv = 0;
    std::complex<double> phase;  // sum of weighted unit phasors
    std::vector<double> values;
};

}  // namespace

MergeResult merge(const ReflectionFile& data, const ReciprocalSymmetry& sym, const gemmi::UnitCell& cell) {
    std::map<gemmi::Miller, Group> groups;
    for (const Observation& o : data.obs) {
        const auto rep = sym.representative(o.h);
        Group& g = groups[rep.h];
        const double w = 1 / (o.sigma * o.sigma);
        g.sw += w;
        g.swv += w * o.value;
        g.values.push_back(o.value);
        if (data.phased) g.phase += w * std::polar(1.0, rep.sign * (o.phase + rep.shift) * kDegree);
    }
    MergeResult r;
    double dev = 0, sum = 0;
    for (const auto& [h, g] : groups) {
        MergedReflection m;
        m.h = h;
        m.value = g.swv / g.sw;
        m.sigma = 1 / std::sqrt(g.sw);
        m.phase = data.phased ? std::arg(g.phase) / kDegree : 0;
        m.count = static_cast<int>(g.values.size());
        m.centric = sym.centric(h);
        m.epsilon = sym.epsilon(h);
        m.stol2 = cell.calculate_stol_sq(h);
        if (m.count > 1) {
            ++r.multiple;
            for (double v : g.values) {
                dev += std::fabs(v - m.value);
                sum += v;
            }
        }
        if (sym.absent(h)) {
            ++r.absences;
            if (m.value > 3 * m.sigma) r.strong_absences.push_back(m);
            continue;
        }
        r.unique.push_back(m);
    }
    r.rint = sum > 0 ? dev / sum : 0;
    return r;
}

}  // namespace quilmo
