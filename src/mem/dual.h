// Maximum entropy through its dual problem (algorithm DUAL).
//
// The density of largest entropy S = -sum m au ln(au/rau) with the charge Q
// and the constraint C = (1/D) sum_h |F_h - Fo_h|^2 / sigma_h^2 = aim has the
// form au_i = Q rau_i exp(-phibar_i) / Z, where phibar_i is the mean over the
// voxels of orbit i of
//     phi(x) = 2 Re sum_h conj(t_h) exp(2 pi i h.x),
// one complex multiplier t_h per F-constraint h (F(000) excluded).  The t_h
// minimise the smooth convex function
//     Psi(t) = Q ln Z + 2 Re sum_h conj(t_h) Fo_h + 2 sqrt(aim sum_h w_h |t_h|^2),
// w_h = D sigma_h^2, whose gradient (d/dRe t_h + i d/dIm t_h) is
//     2 (Fo_h - F_h(au)) + 2 aim w_h t_h / sqrt(aim sum w |t|^2).
// One evaluation costs one transform pair: phi by a backward transform of the
// multipliers, F(au) by a forward transform of the density.  Min Psi - Q ln Q
// equals max S, and the multiplier of S - lambda C at the solution is
// lambda = sqrt(sum w |t|^2 / aim).
#pragma once

#include <cmath>
#include <vector>

#include "run/state.h"

namespace quilmo {

// Everything an evaluation needs, taken once from the run state.
//
// Symmetry may tie F_h of every symmetric density to a line through 0
// (a restricted phase: h and -h in one orbit, or a centric group) or to 0
// (a systematic absence).  A multiplier component across that line has no
// field at all: Psi depends on it only through the linear term and the
// root, where minimising it out leaves the same form with the aim lowered by
// cdead, the part of C that no symmetric density can change.  So only the
// free components are variables: two (Re t, Im t) for a general reflection,
// one (t = x dir) on a line, none for an absence.  Without them L-BFGS would
// spend its steps on directions of almost no curvature.
struct DualProblem {
    int nf = 0;                  // F-constraints after F(000)
    std::vector<HalfPos> pos;    // where F(h) is stored in sf (F(-h) at the other slot)
    std::vector<double> fa, fb;  // observed structure factor
    std::vector<double> w;       // D sigma^2
    std::vector<int> kind;       // free components of t: 2, 1 (along dir) or 0
    std::vector<double> dr, di;  // the line of F_h when kind is 1 (unit length)
    int nx = 0;                  // variables
    double cdead = 0;            // sum over the tied components of Fo of |.|^2 / w
    std::vector<double> m, rau;  // multiplicity and prior of each orbit of st.rhotab
    std::vector<int> at;         // half_slot of pos, for reading F(h)
    std::vector<int> of;         // orbit of every voxel (symmetry, a table that covers the grid)
    bool identity = false;       // every orbit is the voxel of its own index
    double osum = 0;             // sum |Fo| over the constraints
    double charge = 0;
    double aim = 1;  // the constraint value the solution takes
    double aimfree() const { return aim - cdead; }
};

// The problem of the run's F-constraints (refl, sec.f.start+1 .. sec.f.end), its orbit
// table and prior, solved for the constraint value `aim`.  The free
// components are found from the structure factors of two random symmetric
// densities (one forward transform; st.sf is overwritten).
DualProblem dual_problem(RunState& st, double aim);

// What one evaluation finds besides Psi and its gradient.
struct DualValues {
    double psi = 0;
    double c = 0;       // constraint of the density au(t)
    double lambda = 0;  // sqrt(sum w |t|^2 / (aim - cdead))
    double s = 0;       // entropy of au(t)
    double gnorm = 0;   // Euclidean norm of the gradient
    double r = 0;       // sum |Fo - F(au)| / sum |Fo| over the F-constraints
};

// The multipliers t (2 nf values: Re, Im) of the variables x (nx values).
void dual_multipliers(const DualProblem& p, const double* x, double* t);

// Psi at x (nx values); fills g (nx values), the density au (one value per
// orbit) and the calculated structure factors fc (2 nf values: Re, Im).
// Uses the transform array st.sf, which afterwards holds F(au).  Psi is
// taken with the aim lowered by cdead.
DualValues dual_evaluate(RunState& st, const DualProblem& p, const double* x, double* g, double* au,
                         double* fc);

// The starting variables: t proportional to (F(rau) - Fo)/sigma^2, its free
// components, with sum |t| = 0.05 (at t = 0 the root has no derivative).
// `fc` holds F(rau).  False when there is no direction to start in.
bool dual_start(const DualProblem& p, const double* fc, double* x);

// 1 - cos of the angle between the gradients of S and of C with respect to
// the orbit values au, both projected onto the densities of constant charge
// (0 exactly when au has the maximum-entropy form for some lambda).  `fc`
// holds F(au).  Uses st.sf.
double dual_angle_test(RunState& st, const DualProblem& p, const double* au, const double* fc);

// How a minimisation ended.
enum class DualEnd {
    converged,   // C <= aim, |C - aim| and the gradient small (dual_converged)
    limit,       // no evaluation allowed any more (the cycle limit)
    stopped,     // the caller asked to stop after an evaluation
    nonfinite,   // Psi or its gradient is not a finite number
    linesearch,  // the line search (or L-BFGS) failed before convergence
};

// The caller's view of a running minimisation.
struct DualHooks {
    virtual ~DualHooks() = default;
    // Before evaluation number `next`: false ends the minimisation (limit).
    virtual bool may_evaluate(int next) { return next >= 0; }
    // After every evaluation `nev`; au is its density.  False ends the
    // minimisation (stopped) unless it ends there anyway.
    virtual bool evaluated(int nev, const DualValues& v, const double* au) {
        (void)nev, (void)v, (void)au;
        return true;
    }
    // After each L-BFGS iteration (an accepted step).
    virtual void iteration(int k, int nev, double psi, const DualValues& v) {
        (void)k, (void)nev, (void)psi, (void)v;
    }
};

struct DualResult {
    DualEnd end = DualEnd::converged;
    int code = 0;            // the L-BFGS status
    int evaluations = 0;     // transform pairs
    int iterations = 0;      // accepted L-BFGS steps
    bool any = false;        // at least one point evaluated (x, au, fc, v valid)
    std::vector<double> x;   // the final variables
    std::vector<double> au;  // their density
    std::vector<double> fc;  // its structure factors at the constraints
    DualValues v;            // its values
    double cbest = HUGE_VAL;    // the lowest constraint of all evaluations
    int evbest = 0;             // its evaluation
    std::vector<double> xbest;  // its variables
};

// The first evaluation meeting the aim: C <= aim, |C - target| <= 1e-4 aim
// and |grad Psi| <= 1e-4 |2 Fo|, target = aim (1 - 1e-4) being what the
// problem is solved for.
bool dual_converged(const DualProblem& p, double aim, const DualValues& v);

// Minimises Psi with L-BFGS from x0; `aim` is the run's aim, p.aim the
// target a little below it.  The result holds the converged point, or after
// any other end the last accepted one.
DualResult dual_minimise(RunState& st, const DualProblem& p, double aim, const std::vector<double>& x0,
                         DualHooks& hooks);

// The maximum-entropy reconstruction of au by the dual (algorithm 3), with
// the start, reports and listings of the Sakata-Sato run.
void memdual(RunState& st);

// L-BFGS memory: the number of corrections kept.  On the sucrose sample 20
// saves a tenth of the evaluations against 10; it costs 40 vectors of the
// size of the reflection list, nothing beside the grid.
constexpr int kDualMemory = 20;

}  // namespace quilmo
