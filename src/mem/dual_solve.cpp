// The minimisation of Psi by L-BFGS (liblbfgs, More-Thuente line search).
#include <lbfgs.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <exception>
#include <new>

#include "mem/dual.h"

namespace quilmo {

namespace {

struct Session {
    RunState& st;
    const DualProblem& p;
    double aim;
    DualHooks& hooks;
    DualResult r;  // the accepted (or converged) point
    std::vector<double> au, fc;
    DualValues cur;
    int nx = 0;
    bool finished = false;
    std::exception_ptr failure;  // thrown by a hook; carried past the C library
};

void keep(Session& s, const double* x) {
    s.r.x.assign(x, x + s.nx);
    s.r.au = s.au;
    s.r.fc = s.fc;
    s.r.v = s.cur;
    s.r.any = true;
}

// Once the minimisation has ended, every further call reports a flat point
// far below all others: the line search accepts it at once (or gives up),
// and the progress callback then cancels, so no transform is spent.
lbfgsfloatval_t finished_point(lbfgsfloatval_t* g, int n) {
    std::fill(g, g + n, 0.0);
    return -DBL_MAX;
}

// One evaluation at the variables x (gradient into g) with the caller's
// hooks and the tests that end the minimisation.  False when it has ended.
bool step(Session& s, const double* x, double* g) {
    const int nev = ++s.r.evaluations;
    s.cur = dual_evaluate(s.st, s.p, x, g, s.au.data(), s.fc.data());
    const bool finite = std::isfinite(s.cur.psi) && std::isfinite(s.cur.gnorm) && std::isfinite(s.cur.c) &&
                        std::isfinite(s.cur.s);
    bool go_on = true;
    try {
        go_on = s.hooks.evaluated(nev, s.cur, s.au.data());
    } catch (...) {
        s.failure = std::current_exception();
        s.finished = true;
        return false;
    }
    if (finite && s.cur.c < s.r.cbest) {
        s.r.cbest = s.cur.c;
        s.r.evbest = nev;
        s.r.xbest.assign(x, x + s.nx);
    }
    if (!finite) {
        s.finished = true;
        s.r.end = DualEnd::nonfinite;
    } else if (dual_converged(s.p, s.aim, s.cur)) {
        s.finished = true;
        s.r.end = DualEnd::converged;
        keep(s, x);
    } else {
        if (nev == 1) keep(s, x);  // the start is the first accepted point
        if (!go_on) {
            s.finished = true;
            s.r.end = DualEnd::stopped;
        }
    }
    return !s.finished;
}

lbfgsfloatval_t evaluate(void* instance, const lbfgsfloatval_t* x, lbfgsfloatval_t* g, const int n,
                         const lbfgsfloatval_t /*step*/) {
    Session& s = *static_cast<Session*>(instance);
    std::fill(g, g + n, 0.0);  // the padding never moves
    if (!s.finished && !s.hooks.may_evaluate(s.r.evaluations + 1)) {
        s.finished = true;
        s.r.end = DualEnd::limit;
    }
    if (s.finished || !step(s, x, g)) return finished_point(g, n);
    return s.cur.psi;
}

int progress(void* instance, const lbfgsfloatval_t* x, const lbfgsfloatval_t* /*g*/, const lbfgsfloatval_t fx,
             const lbfgsfloatval_t /*xnorm*/, const lbfgsfloatval_t /*gnorm*/, const lbfgsfloatval_t /*step*/,
             int /*n*/, int k, int /*ls*/) {
    Session& s = *static_cast<Session*>(instance);
    if (s.finished) return 1;
    // The line search ends on the point it evaluated last: cur, au, fc.
    ++s.r.iterations;
    keep(s, x);
    try {
        s.hooks.iteration(k, s.r.evaluations, fx, s.cur);
    } catch (...) {
        s.failure = std::current_exception();
        s.finished = true;
        return 1;
    }
    return 0;
}

}  // namespace

bool dual_converged(const DualProblem& p, double aim, const DualValues& v) {
    double fo = 0;
    for (int k = 0; k < p.nf; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        fo += 4 * (p.fa[kk] * p.fa[kk] + p.fb[kk] * p.fb[kk]);
    }
    return v.c <= aim && std::fabs(v.c - p.aim) <= 1e-4 * aim && v.gnorm <= 1e-4 * std::sqrt(fo);
}

DualResult dual_minimise(RunState& st, const DualProblem& p, double aim, const std::vector<double>& x0,
                         DualHooks& hooks) {
    Session s{st, p, aim, hooks, {}, {}, {}, {}, p.nx, false, nullptr};
    s.au.resize(p.m.size());
    s.fc.resize(2 * static_cast<std::size_t>(p.nf));

    // A library built for SSE wants a multiple of 16 variables in aligned
    // memory; the padding has no part in Psi.
    const int n = std::max(16, (s.nx + 15) / 16 * 16);
    lbfgsfloatval_t* x = lbfgs_malloc(n);
    if (!x) throw std::bad_alloc();
    std::fill(x, x + n, 0.0);
    std::copy(x0.begin(), x0.end(), x);

    lbfgs_parameter_t param;
    lbfgs_parameter_init(&param);
    param.m = kDualMemory;
    param.epsilon = 0;  // our own test ends the run, in the evaluation
    param.linesearch = LBFGS_LINESEARCH_MORETHUENTE;
    param.max_linesearch = 20;
    lbfgsfloatval_t fx = 0;
    s.r.code = lbfgs(n, x, &fx, evaluate, progress, &s, &param);
    lbfgs_free(x);
    if (s.failure) std::rethrow_exception(s.failure);
    if (!s.finished) s.r.end = DualEnd::linesearch;
    return s.r;
}

}  // namespace quilmo
