#include "geometry/symmetry.h"

#include <cmath>
#include <vector>

#include "geometry/metric.h"
#include "geometry/translation.h"
#include "run/console.h"
#include "run/limits.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// Tolerances of the operator comparisons, kept at the single-precision
// values the group tables have always been checked with.
constexpr double kOpTol = 9.999999747378752e-06;      // 1e-5
constexpr double kLowLimit = -9.999999747378752e-06;  // -1e-5
constexpr double kHighLimit = 0.9999900000002526;     // 1 - 1e-5

// Formats a message line of at most 132 characters and writes it to the console.
void say(RunState& st, std::string_view fmt, const FmtItems& items) {
    errormsg(st, fixed(fformat(fmt, items, false), kLineLen));
}

bool off_grid(double x) { return std::fabs(x - std::round(x)) > kZeroTol; }

// Step 1: the zero centering vector (if any) becomes vector 1.
void zero_center_first(RunState& st) {
    for (int c = 1; c <= st.ncenter; ++c) {
        bool zero = true;
        for (int i = 1; i <= st.sdim; ++i) zero = zero && std::fabs(st.center(i, c)) <= kZeroTol;
        if (!zero) continue;
        if (c > 1)
            for (int i = 1; i <= st.sdim; ++i) std::swap(st.center(i, c), st.center(i, 1));
        return;
    }
}

// Step 3: the complete list, entry (c-1)*nsym + s = operator s shifted by
// center c.  Every translation is brought into [0, 1) also for a primitive
// group, so that -x3-1/2 and x3+1/2 describe the same operator and the
// closure test compares like with like.
void complete_list(RunState& st) {
    const int sdim = st.sdim, nsym = st.nsym, ncenter = st.ncenter;
    for (int p = nsym + 1; p <= nsym * ncenter; ++p) {
        const int s = (p - 1) % nsym + 1;
        for (int j = 1; j <= sdim; ++j)
            for (int i = 1; i <= sdim; ++i) st.rmat(i, j, p) = st.rmat(i, j, s);
    }
    for (int s = 1; s <= nsym; ++s)
        for (int c = 1; c <= ncenter; ++c) {
            const int p = (c - 1) * nsym + s;
            for (int i = 1; i <= sdim; ++i) {
                double t = st.tvec(i, s) + (ncenter > 1 ? st.center(i, c) : 0.0);
                reduce_unit(t);
                st.tvec(i, p) = t;
            }
        }
}

// Step 4: the identity becomes entry 1.
void identity_first(RunState& st, int nsymtot) {
    const int sdim = st.sdim;
    for (int p = 1; p <= nsymtot; ++p) {
        double trace = 0, tsum = 0;
        for (int i = 1; i <= sdim; ++i) {
            trace += st.rmat(i, i, p);
            tsum += std::fabs(st.tvec(i, p));
        }
        if (!(std::fabs(trace - sdim) < kZeroTol && tsum < kZeroTol)) continue;
        if (p > 1) {
            for (int j = 1; j <= sdim; ++j)
                for (int i = 1; i <= sdim; ++i) std::swap(st.rmat(i, j, p), st.rmat(i, j, 1));
            for (int i = 1; i <= sdim; ++i) std::swap(st.tvec(i, p), st.tvec(i, 1));
        }
        return;
    }
}

// Step 7: every rotation must be regular and keep the metric, R^T G = G R^-1.
void check_rotations(RunState& st, int& errcd) {
    const int sdim = st.sdim;
    const std::size_t nn = static_cast<std::size_t>(sdim * sdim);
    std::vector<double> rinv(nn), tmp(nn), m(nn);
    for (int s = 1; s <= st.nsym; ++s) {
        int rc = 0;
        invert(st.rmat.slice(s), rinv.data(), sdim, rc);
        if (rc != 0) {
            say(st, "(a,i3,a)",
                {"Error, the rotation part of the symmetry operator number", s, " is a singular matrix!"});
            errcd = kKeywordError;
            continue;
        }
        multm(st.gs.data(), rinv.data(), tmp.data(), sdim, sdim, sdim);
        multm(tmp.data(), st.gsi.data(), m.data(), sdim, sdim, sdim);
        bool bad = false;
        for (int i = 1; i <= sdim && !bad; ++i)
            for (int j = 1; j <= sdim; ++j)
                if (std::fabs(st.rmat(i, j, s) - m[static_cast<std::size_t>((j - 1) + sdim * (i - 1))]) > kZeroTol)
                    bad = true;
        if (bad) {
            say(st, "(a,i3,a)",
                {"Error, the rotation part of the symmetry operator number", s, " is not properly defined"});
            say(st, "(a)", {" or is incompatible with the cell parameters.(Error indicator: R^T*G/=G*R^-1)"});
            errcd = kKeywordError;
        }
    }
}

// Steps 8 and 9: operators and centering vectors must map grid points onto
// grid points.
void check_grid(RunState& st, int& errcd) {
    const int sdim = st.sdim;
    for (int s = 1; s <= st.nsym; ++s) {
        bool rot = false, trans = false;
        for (int i = 1; i <= sdim && !rot && !trans; ++i) {
            for (int j = 1; j <= sdim; ++j)
                if (off_grid(st.rmat(i, j, s) * st.nvox(i) / st.nvox(j))) {
                    rot = true;
                    break;
                }
            trans = off_grid(st.tvec(i, s) * st.nvox(i));
        }
        if (rot) {
            say(st, "(a,i3,a)",
                {"Error, the rotational part of the symmetry operator number", s,
                 " is not consistent with the voxel division."});
            errcd = kKeywordError;
        }
        if (trans) {
            say(st, "(a,i3,a)",
                {"Error, the translational part of the symmetry operator number", s,
                 " is not consistent with the voxel division."});
            errcd = kKeywordError;
        }
    }
    for (int c = 1; c <= st.ncenter; ++c) {
        bool bad = false;
        for (int i = 1; i <= sdim; ++i) bad = bad || off_grid(st.center(i, c) * st.nvox(i));
        if (bad) {
            say(st, "(a,i3,a)",
                {"Error, the centering vector number", c, " is not consistent with the voxel division."});
            errcd = kKeywordError;
        }
    }
}

}  // namespace

void prodop(const double* r1, const double* t1, const double* r2, const double* t2, double* rout,
            double* tout, int n) {
    multm(r2, r1, rout, n, n, n);
    multm(r2, t1, tout, n, n, 1);
    for (int i = 0; i < n; ++i) {
        tout[i] += t2[i];
        while (tout[i] < kLowLimit) tout[i] += 1;
        while (tout[i] > kHighLimit) tout[i] -= 1;
    }
}

bool equalop(const double* r1, const double* t1, const double* r2, const double* t2, int n) {
    for (int i = 0; i < n; ++i) {
        if (std::fabs(t1[i] - t2[i]) > kOpTol) return false;
        for (int j = 0; j < n; ++j)
            if (std::fabs(r1[i + n * j] - r2[i + n * j]) > kOpTol) return false;
    }
    return true;
}

namespace {

// Closure of a list of n elements under their product: for every ordered
// pair (a, b), `make(a, b)` forms the product and `equal(c)` compares it with
// element c.  A product that is none of the n elements is reported with
// `what` and sets errcd.
template <class Make, class Equal>
void check_closure(RunState& st, int n, Make make, Equal equal, const char* what, int& errcd) {
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b <= n; ++b) {
            make(a, b);
            bool found = false;
            for (int c = 1; c <= n && !found; ++c) found = equal(c);
            if (!found) {
                say(st, "(a,i3,a,i3,a)", {what, a, " and", b, " was not found in the list."});
                errcd = kKeywordError;
            }
        }
}

}  // namespace

void completesymmetry(RunState& st, int& errcd) {
    const int sdim = st.sdim, nsym = st.nsym, ncenter = st.ncenter;
    const int nsymtot = nsym * ncenter;

    zero_center_first(st);
    for (int c = 1; c <= ncenter; ++c)
        for (int i = 1; i <= sdim; ++i) reduce_unit(st.center(i, c));
    complete_list(st);
    identity_first(st, nsymtot);

    // Step 5: distinct centering vectors.
    for (int c1 = 1; c1 <= ncenter; ++c1)
        for (int c2 = c1 + 1; c2 <= ncenter; ++c2)
            if (equalop(st.rmat.slice(1), st.center.column(c1), st.rmat.slice(1), st.center.column(c2), sdim)) {
                say(st, "(a,i3,a,i3,a)", {"Error, the centering vectors", c1, " and", c2, " are equivalent."});
                errcd = kKeywordError;
                return;
            }

    // Step 6: distinct operators.
    for (int s1 = 1; s1 <= nsym; ++s1)
        for (int p2 = s1 + 1; p2 <= nsymtot; ++p2) {
            if (!equalop(st.rmat.slice(s1), st.tvec.column(s1), st.rmat.slice(p2), st.tvec.column(p2), sdim))
                continue;
            const int s2 = (p2 - 1) % nsym + 1;
            if (p2 > nsym) {
                say(st, "(a,i3,a,i3,a)",
                    {"Error, the symmetry operators", s1, " and", s2, " are translationally equivalent."});
                say(st, "(a,i3,a,i3,a,i3,a)", {"SymOp", s1, " = SymOp", s2, " + Center", (p2 - 1) / nsym + 1, "."});
            } else {
                say(st, "(a,i3,a,i3,a)", {"Error, the symmetry operators", s1, " and", p2, " are identical!"});
            }
            errcd = kKeywordError;
            return;
        }

    check_rotations(st, errcd);
    if (errcd != 0) return;
    check_grid(st, errcd);
    if (errcd != 0) return;

    const std::size_t nn = static_cast<std::size_t>(sdim * sdim);
    std::vector<double> rout(nn), tout(static_cast<std::size_t>(sdim));

    // Step 10: the centering vectors form a group under addition.
    check_closure(
        st, ncenter,
        [&](int c1, int c2) {
            prodop(st.rmat.slice(1), st.center.column(c1), st.rmat.slice(1), st.center.column(c2),
                   rout.data(), tout.data(), sdim);
        },
        [&](int c3) { return equalop(rout.data(), tout.data(), rout.data(), st.center.column(c3), sdim); },
        "Error, the list of centering vectors is incomplete! Sum of vectors", errcd);
    if (errcd != 0) return;

    // Step 11: the operators form a group.
    check_closure(
        st, nsymtot,
        [&](int p1, int p2) {
            prodop(st.rmat.slice(p1), st.tvec.column(p1), st.rmat.slice(p2), st.tvec.column(p2), rout.data(),
                   tout.data(), sdim);
        },
        [&](int p3) { return equalop(rout.data(), tout.data(), st.rmat.slice(p3), st.tvec.column(p3), sdim); },
        "Error, the list of operators is incomplete! Product of operators", errcd);
    if (errcd != 0) return;

    // Step 12: integer copies; the voxel-unit values follow in discretesym.
    const int nop = nsymtot + st.ntestsym;
    allocate_or_stop("Error allocating array RMatI! Too little memory?", [&] { st.rmati.allocate(sdim, sdim, nop); });
    allocate_or_stop("Error allocating array TVecI! Too little memory?", [&] { st.tveci.allocate(sdim, nop); });
    for (int p = 1; p <= nsymtot; ++p)
        for (int i = 1; i <= sdim; ++i) {
            st.tveci(i, p) = static_cast<int>(std::lround(st.tvec(i, p) * st.nvox(i)));
            for (int j = 1; j <= sdim; ++j) st.rmati(i, j, p) = static_cast<int>(std::lround(st.rmat(i, j, p)));
        }
}

}  // namespace quilmo
