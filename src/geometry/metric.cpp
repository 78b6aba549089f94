#include "geometry/metric.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

constexpr double kDegree = 0.017453292519943295;  // radians per degree
// Pivots and row maxima below this make a matrix singular for ludcmp; the
// value is the single-precision 1.5e-5 the metric code has always used.
constexpr double kTiny = 1.4999999621068127e-05;

// Matrix element (i, j), 1-based, of a flat column-major n x n matrix.
inline double& at(double* a, int n, int i, int j) { return a[(i - 1) + n * (j - 1)]; }
inline double at(const double* a, int n, int i, int j) { return a[(i - 1) + n * (j - 1)]; }

// The guard of the angle counters: it cannot fire while ncellpar =
// rdim*(rdim+1)/2, but a wrong count must not read past the cell.
[[noreturn]] void angle_overflow(RunState& st, const char* what, int counter, int i, int j) {
    TextOut con(*st.con);
    con.list({what});
    con.list({st.rdim, counter, i, j});
    con.list({"Internal inconsistency of the program. Please send this message to the author."});
    throw RunStop();
}

}  // namespace

void multm(const double* a, const double* b, double* c, int n1, int n2, int n3) {
    for (int k = 0; k < n3; ++k)
        for (int i = 0; i < n1; ++i) {
            double s = 0;
            for (int j = 0; j < n2; ++j) s += a[i + n1 * j] * b[j + n2 * k];
            c[i + n1 * k] = s;
        }
}

void ludcmp(double* a, int n, int* indx, int& d, int& code) {
    std::vector<double> vv(static_cast<std::size_t>(n) + 1);
    d = 1;
    code = 0;
    for (int i = 1; i <= n; ++i) {
        double big = 0;
        for (int j = 1; j <= n; ++j) big = std::max(big, std::fabs(at(a, n, i, j)));
        if (big < kTiny) {
            code = 1;
            return;
        }
        vv[i] = 1.0 / big;
    }
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i < j; ++i) {
            double sum = at(a, n, i, j);
            for (int k = 1; k < i; ++k) sum -= at(a, n, i, k) * at(a, n, k, j);
            at(a, n, i, j) = sum;
        }
        double big = 0;
        int imax = j;
        for (int i = j; i <= n; ++i) {
            double sum = at(a, n, i, j);
            for (int k = 1; k < j; ++k) sum -= at(a, n, i, k) * at(a, n, k, j);
            at(a, n, i, j) = sum;
            double dum = vv[i] * std::fabs(sum);
            if (dum >= big) {  // a later row wins a tie
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            for (int k = 1; k <= n; ++k) std::swap(at(a, n, imax, k), at(a, n, j, k));
            d = -d;
            vv[imax] = vv[j];
        }
        indx[j - 1] = imax;
        if (std::fabs(at(a, n, j, j)) < kTiny) {
            code = 1;
            return;
        }
        if (j != n) {
            double dum = 1.0 / at(a, n, j, j);
            for (int i = j + 1; i <= n; ++i) at(a, n, i, j) *= dum;
        }
    }
}

void lubksb(const double* a, int n, const int* indx, double* b) {
    int ii = 0;
    for (int i = 1; i <= n; ++i) {
        int ip = indx[i - 1];
        double sum = b[ip - 1];
        b[ip - 1] = b[i - 1];
        if (ii != 0)
            for (int j = ii; j < i; ++j) sum -= at(a, n, i, j) * b[j - 1];
        else if (sum != 0.0)
            ii = i;
        b[i - 1] = sum;
    }
    for (int i = n; i >= 1; --i) {
        double sum = b[i - 1];
        for (int j = i + 1; j <= n; ++j) sum -= at(a, n, i, j) * b[j - 1];
        b[i - 1] = sum / at(a, n, i, i);
    }
}

void invert(const double* a, double* ainv, int n, int& rc) {
    const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    std::vector<double> work(a, a + nn);
    std::vector<int> indx(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < nn; ++k) ainv[k] = 0;
    for (int i = 1; i <= n; ++i) at(ainv, n, i, i) = 1;
    int d = 0;
    ludcmp(work.data(), n, indx.data(), d, rc);
    if (rc != 0) return;
    for (int j = 1; j <= n; ++j) lubksb(work.data(), n, indx.data(), ainv + n * (j - 1));
}

void tsrgt(double eps, int n, const double* a, int& it, double* c, int* kp, int* lp) {
    for (int k = 0; k < n * n; ++k) c[k] = a[k];
    it = 1;
    int k = 1;
    while (it == 1 && k < n) {
        double cmax = at(c, n, k, k);
        int prow = k, pcol = k;
        for (int i = k; i <= n; ++i)
            for (int j = k; j <= n; ++j)
                if (std::fabs(at(c, n, i, j)) > std::fabs(cmax)) {
                    cmax = at(c, n, i, j);
                    prow = i;
                    pcol = j;
                }
        lp[k - 1] = prow;
        kp[k - 1] = pcol;
        if (std::fabs(cmax) < eps) {
            it = 0;
            break;
        }
        if (prow != k)
            for (int j = k; j <= n; ++j) std::swap(at(c, n, prow, j), at(c, n, k, j));
        if (pcol != k)
            for (int i = 1; i <= n; ++i) std::swap(at(c, n, i, pcol), at(c, n, i, k));
        for (int i = k + 1; i <= n; ++i) {
            at(c, n, i, k) /= cmax;
            for (int j = k + 1; j <= n; ++j) at(c, n, i, j) -= at(c, n, i, k) * at(c, n, k, j);
        }
        ++k;
    }
    if (it == 1 && std::fabs(at(c, n, n, n)) < eps) it = 0;
}

double determinant(const double* a, int n, double eps) {
    const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    std::vector<double> c(nn);
    std::vector<int> kp(static_cast<std::size_t>(n)), lp(static_cast<std::size_t>(n));
    int it = 0;
    tsrgt(eps, n, a, it, c.data(), kp.data(), lp.data());
    if (it == 0) return 0;
    double det = 1;
    int swaps = 0;
    for (int k = 1; k <= n; ++k) det *= at(c.data(), n, k, k);
    for (int k = 1; k < n; ++k) {
        if (lp[static_cast<std::size_t>(k - 1)] != k) ++swaps;
        if (kp[static_cast<std::size_t>(k - 1)] != k) ++swaps;
    }
    return swaps % 2 == 1 ? -det : det;
}

double multsc(const RunState& st, const double* ivec1, const double* ivec2, int dim, bool irec) {
    // Satellite components are folded into physical space through the
    // q-vectors; the work vectors hold at most 8 components.
    double v1[8] = {}, v2[8] = {};
    for (int i = 0; i < st.rdim; ++i) {
        v1[i] = ivec1[i];
        v2[i] = ivec2[i];
    }
    for (int k = 1; k <= dim - st.rdim; ++k)
        for (int i = 1; i <= st.rdim; ++i) {
            v1[i - 1] += ivec1[st.rdim + k - 1] * st.qvec(i, k);
            v2[i - 1] += ivec2[st.rdim + k - 1] * st.qvec(i, k);
        }
    const FArray2<double>& m = irec ? st.gi : st.g;
    double s = 0;
    for (int i = 1; i <= st.rdim; ++i)
        for (int j = 1; j <= st.rdim; ++j) s += v1[i - 1] * m(i, j) * v2[j - 1];
    return s;
}

namespace {

// Direct metric from the cell lengths and angles, the angles taken in the
// order (2,3), (1,3), (1,2), ...
void direct_metric(RunState& st) {
    const int rdim = st.rdim, ncellpar = st.ncellpar;
    int counter = 0;
    for (int i = rdim; i >= 1; --i)
        for (int j = rdim; j >= i; --j) {
            double factor = 1;
            if (i != j) {
                ++counter;
                if (rdim + counter > ncellpar)
                    angle_overflow(st, "Zle maticko, zle je, chci vic uhlu nez mam.", counter, i, j);
                factor = std::cos(st.cell(rdim + counter) * kDegree);
            }
            st.g(j, i) = st.cell(i) * st.cell(j) * factor;
        }
    for (int i = 1; i <= rdim; ++i)
        for (int j = i + 1; j <= rdim; ++j) st.g(i, j) = st.g(j, i);
}

// Superspace metrics: the reciprocal one from the lattice matrix of the
// reciprocal axes and the q-vectors, the direct one its inverse.  Without
// modulation they are the metrics of the cell.
void superspace_metric(RunState& st, FArray2<double>& latmat, int& errcd) {
    const int rdim = st.rdim, sdim = st.sdim;
    if (sdim > rdim) {
        latmat.fill(0);
        for (int i = 1; i <= rdim; ++i) latmat(i, i) = 1;
        for (int j = 1; j <= sdim - rdim; ++j)
            for (int i = 1; i <= rdim; ++i) latmat(i, rdim + j) = st.qvec(i, j);
        for (int k = 1; k <= sdim; ++k)
            for (int l = 1; l <= k; ++l) {
                st.gsi(k, l) = multsc(st, latmat.column(k), latmat.column(l), rdim, true);
                st.gsi(l, k) = st.gsi(k, l);
            }
        for (int k = rdim + 1; k <= sdim; ++k) st.gsi(k, k) += 1;
        invert(st.gsi.data(), st.gs.data(), sdim, errcd);
        if (errcd != 0)
            errormsg(st, "Error, the q-vectors define a superspace cell with zero volume. Please check the input file.");
    } else {
        st.gs = st.g;
        st.gsi = st.gi;
    }
}

// Volume and reciprocal cell: lengths, then the angles in the order (3,4),
// (2,4), (1,4), (2,3), ...; `det` is the determinant of the direct metric.
void reciprocal_cell(RunState& st, double det) {
    const int rdim = st.rdim, ncellpar = st.ncellpar;
    st.cell(ncellpar + 1) = std::sqrt(det);
    st.rcell(ncellpar + 1) = 1 / st.cell(ncellpar + 1);
    for (int i = 1; i <= rdim; ++i) st.rcell(i) = std::sqrt(st.gi(i, i));
    int counter = 0;
    for (int j = rdim; j >= 1; --j)
        for (int i = j - 1; i >= 1; --i) {
            ++counter;
            if (rdim + counter > ncellpar)
                angle_overflow(st, "Zle maticko, zle je, chci vic prvku Gi nez mam.", counter, i, j);
            st.rcell(rdim + counter) = std::acos(st.gi(i, j) / (st.rcell(j) * st.rcell(i))) / kDegree;
        }
}

}  // namespace

void allfromcell(RunState& st, int& errcd) {
    const int rdim = st.rdim, sdim = st.sdim, ncellpar = st.ncellpar;
    FArray2<double> latmat;
    allocate_or_stop("Error allocating metric tensor G! Too little memory?", [&] { st.g.allocate(rdim, rdim); });
    allocate_or_stop("Error allocating superspace metric tensor GS! Too little memory?",
                     [&] { st.gs.allocate(sdim, sdim); });
    allocate_or_stop("Error allocating array for reciprocal cell RCell! Too little memory?",
                     [&] { st.rcell.allocate(1, ncellpar + 1); });
    allocate_or_stop("Error allocating reciprocal metric tensor Gi! Too little memory?",
                     [&] { st.gi.allocate(rdim, rdim); });
    allocate_or_stop("Error allocating reciprocal metric tensor GSi! Too little memory?",
                     [&] { st.gsi.allocate(sdim, sdim); });
    allocate_or_stop("Error allocating lattice matrix LatMat! Too little memory?",
                     [&] { latmat.allocate(rdim, sdim); });
    errcd = 0;

    direct_metric(st);
    invert(st.g.data(), st.gi.data(), rdim, errcd);
    if (errcd != 0) {
        errormsg(st, "Error, the cell parameters define a cell with zero volume. Please correct the parameters.");
        return;
    }
    // Angles that no real cell can have (three angles of 170 degrees, say)
    // give a regular metric with a negative determinant: its volume would be
    // the square root of a negative number.
    const double det = determinant(st.g.data(), rdim, 1.0e-6);
    if (!(det > 0)) {
        errormsg(st, "Error, the cell angles do not describe a real cell (the metric tensor has no "
                     "positive determinant). Please correct the parameters.");
        errcd = 2;
        return;
    }

    superspace_metric(st, latmat, errcd);
    if (errcd != 0) return;

    reciprocal_cell(st, det);
}

}  // namespace quilmo
