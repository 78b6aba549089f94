#include "chargeflip/refine.h"

#include <algorithm>
#include <cmath>

#include "chargeflip/coincidence.h"
#include "geometry/metric.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

const double kStep = static_cast<double>(0.01f);  // derivative step in grid steps

}  // namespace

double deriv1(const ShiftMeasure& c, const FArray<int>& nvox, const double* x, int coord) {
    const double h = kStep / nvox(coord);
    double y[8];
    std::copy(x, x + 8, y);
    y[coord - 1] = x[coord - 1] + h;
    const double up = c(y);
    y[coord - 1] = x[coord - 1] - h;
    const double down = c(y);
    return (up - down) / (2 * h);
}

double deriv2(const ShiftMeasure& c, const FArray<int>& nvox, const double* x, int a, int b) {
    const double h1 = kStep / nvox(a), h2 = kStep / nvox(b);
    double d[2];
    for (int i = -1; i <= 1; i += 2) {
        double y[8];
        std::copy(x, x + 8, y);
        y[a - 1] += i * h1;
        y[b - 1] += h2;
        const double up = c(y);
        std::copy(x, x + 8, y);
        y[a - 1] += i * h1;
        y[b - 1] -= h2;
        const double down = c(y);
        d[(i + 1) / 2] = (up - down) / (2 * h2);
    }
    return (d[1] - d[0]) / (2 * h1);
}

double deriv1(const RunState& st, int s, const double* x, int coord) {
    CoincidenceTable t;
    t.symmetry(st, s);
    return deriv1([&](const double* y) { return t(y); }, st.nvox, x, coord);
}

double deriv2(const RunState& st, int s, const double* x, int a, int b) {
    CoincidenceTable t;
    t.symmetry(st, s);
    return deriv2([&](const double* y) { return t(y); }, st.nvox, x, a, b);
}

bool refinesympos(const ShiftMeasure& measure, const FArray<int>& nvox, int sdim,
                  const std::vector<int>& srchcoo, double* trialshift, TextOut& log,
                  const std::string& lineform) {
    const int n = static_cast<int>(srchcoo.size());
    const auto sz = static_cast<std::size_t>(n);
    std::vector<double> h, hinv, g, q, p0;
    allocate_or_stop("Error allocating in H, Hinv and Gr in CpRefine! Too little memory?", [&] {
        h.resize(sz * sz);
        hinv.resize(sz * sz);
        g.resize(sz);
        q.resize(sz);
        p0.resize(sz);
    });
    for (int k = 0; k < n; ++k) p0[k] = trialshift[srchcoo[k] - 1];
    double damping = 1.0, lprev = 0, lprevprev = 0;
    bool succ = true;
    for (int iter = 1;; ++iter) {
        succ = true;
        if (iter == 41) {
            succ = false;
            break;
        }
        for (int k = 0; k < n; ++k) g[k] = deriv1(measure, nvox, trialshift, srchcoo[k]);
        for (int k = 0; k < n; ++k)
            for (int m = 0; m < n; ++m)
                h[k + sz * m] = deriv2(measure, nvox, trialshift, srchcoo[k], srchcoo[m]);
        int rc = 0;
        invert(h.data(), hinv.data(), n, rc);
        if (rc != 0) {
            succ = false;
            break;
        }
        double l2 = 0;
        for (int k = 0; k < n; ++k) {
            q[k] = 0;
            for (int m = 0; m < n; ++m) q[k] += g[m] * hinv[m + sz * k];
            const double gs = q[k] * nvox(srchcoo[k]);
            l2 += gs * gs;
        }
        const double len = std::sqrt(l2);
        const double cut = static_cast<double>(0.2f);
        const double red = len > cut ? cut / len : 1.0;
        double largest = 0, dist2 = 0;
        for (int k = 0; k < n; ++k) {
            const int c = srchcoo[k];
            const double d = red * q[k] * damping;
            trialshift[c - 1] -= d;
            largest = std::max(largest, std::fabs(d * nvox(c)));
            const double off = (trialshift[c - 1] - p0[k]) * nvox(c);
            dist2 += off * off;
        }
        if (std::sqrt(dist2) > 2) succ = false;
        // A step that shrinks by more than the one before it overshoots the
        // valley: damp the following steps.
        if (iter > 2 && (lprev - len) > (lprevprev - lprev)) damping *= 0.5;
        FmtItems items;
        for (int i = 1; i <= sdim; ++i) items.emplace_back(trialshift[i - 1] * nvox(i));
        items.emplace_back(measure(trialshift));
        log.write(lineform, items);
        if (!succ) break;
        lprevprev = lprev;
        lprev = len;
        if (!(largest > static_cast<double>(0.0005f))) break;
    }
    return succ;
}

}  // namespace quilmo
