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

#include <vector>

#include "run/state.h"

namespace quilmo {

// Everything an evaluation needs, taken once from the run state.  The
// variables are x[2k] = Re t, x[2k+1] = Im t for constraint k.
struct DualProblem {
    int nf = 0;                  // F-constraints after F(000)
    std::vector<long> pos, neg;  // sf index (real part) of h and of -h
    std::vector<double> fa, fb;  // observed structure factor
    std::vector<double> w;       // D sigma^2
    std::vector<int> first;      // voxels of orbit i: vox[first[i] .. first[i+1])
    std::vector<int> vox;
    std::vector<double> m, rau;  // multiplicity and prior of each orbit
    double charge = 0;
    double aim = 1;              // the constraint value the solution takes
    double n = 0;                // grid points
};

// The problem of the run's F-constraints (refl, startf+1 .. endf), its orbit
// table and prior, solved for the constraint value `aim`.
DualProblem dual_problem(const RunState& st, double aim);

// What one evaluation finds besides Psi and its gradient.
struct DualValues {
    double psi = 0;
    double c = 0;        // constraint of the density au(t)
    double lambda = 0;   // sqrt(sum w |t|^2 / aim)
    double s = 0;        // entropy of au(t)
    double gnorm = 0;    // Euclidean norm of the gradient
};

// Psi at x (2 nf values); fills g (2 nf values), the density au (one value
// per orbit) and the calculated structure factors fc (2 nf values: Re, Im).
// Uses the transform array st.sf, which afterwards holds F(au).
DualValues dual_evaluate(RunState& st, const DualProblem& p, const double* x, double* g,
                         double* au, double* fc);

// The starting multipliers: t proportional to (F(rau) - Fo)/sigma^2 with
// sum |t| = 0.05.  `fc` holds F(rau).  False when F(rau) meets every Fo
// exactly (no direction to start in).
bool dual_start(const DualProblem& p, const double* fc, double* x);

// 1 - cos of the angle between the gradients of S and of C with respect to
// the orbit values au, both projected onto the densities of constant charge
// (0 exactly when au has the maximum-entropy form for some lambda).  `fc`
// holds F(au).  Uses st.sf.
double dual_angle_test(RunState& st, const DualProblem& p, const double* au, const double* fc);

}  // namespace quilmo
