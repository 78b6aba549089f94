// Loops over orbits and reflections that the compiler runs several values
// at a time.  With g++ on x86-64 such a loop carries QUILMO_SIMD (OpenMP's
// `omp simd`, enabled by -fopenmp-simd without any threading) and its
// function QUILMO_CLONES: one copy of the function per vector width, picked
// by the processor the program runs on.  The exponential then comes from
// glibc's vector maths library (libmvec, within 1 ulp like the scalar one);
// without -ffast-math glibc does not declare that variant, so it is declared
// here.  Other compilers run the same loops one value at a time.
#pragma once

#include <cmath>

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define QUILMO_PRAGMA(x) _Pragma(#x)
#define QUILMO_SIMD(...) QUILMO_PRAGMA(omp simd __VA_ARGS__)
#define QUILMO_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
extern "C" {
#pragma omp declare simd notinbranch
double exp(double) noexcept;
}
#else
#define QUILMO_SIMD(...)
#define QUILMO_CLONES
#endif
