// Cell, metric tensors and the small dense-matrix library.  Matrices are
// flat column-major arrays indexed from 1 in the formulas.
#pragma once

#include <vector>

#include "run/state.h"

namespace quilmo {

// Metric tensors g, gi, gs, gsi, the cell volume and the reciprocal cell.
// errcd = 0 on success, non-zero for a singular metric.
void allfromcell(RunState& st, int& errcd);

// ainv = inverse of the n x n matrix a; rc = 0 on success, 1 when singular.
void invert(const double* a, double* ainv, int n, int& rc);

// In-place LU decomposition (Crout, scaled partial pivoting).
void ludcmp(double* a, int n, int* indx, int& d, int& code);
void lubksb(const double* a, int n, const int* indx, double* b);

// Determinant by Gauss elimination with full pivoting; 0 when singular.
double determinant(const double* a, int n, double eps);
void tsrgt(double eps, int n, const double* a, int& it, double* c, int* kp, int* lp);

// c = a * b with a n1 x n2, b n2 x n3, all column-major.
void multm(const double* a, const double* b, double* c, int n1, int n2, int n3);

// Scalar product of two reciprocal vectors in the reciprocal metric, the
// satellite components folded in through the q-vectors.
double multsc(const RunState& st, const double* ivec1, const double* ivec2, int dim, bool irec);

}  // namespace quilmo
