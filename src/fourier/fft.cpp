#include "fourier/fft.h"

#include <fftw3.h>

#include <algorithm>
#include <array>
#include <string>

#include "fourier/wisdom.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// FFTW counts its extents row-major (last extent fastest) while our grid
// runs first axis fastest, so the extents go in last axis first; FFTW then
// halves our first axis.
std::array<int, 8> fftw_extents(const RunState& st) {
    std::array<int, 8> extents{};
    for (int j = 1; j <= st.sdim; ++j) extents[static_cast<std::size_t>(st.sdim - j)] = st.nvox(j);
    return extents;
}

// A measured plan is picked by timing, so two runs may add in different
// orders; charge flipping amplifies such last-bit differences into a
// different run.  Its runs take the plan chosen without timing, which is the
// same every time.
unsigned plan_flags(const RunState& st) { return st.flipcharge ? FFTW_ESTIMATE : FFTW_MEASURE; }

fftw_complex* as_fftw(cplx* p) { return reinterpret_cast<fftw_complex*>(p); }

}  // namespace

void fftinit(RunState& st) {
    fftfree(st);
    st.norm = 1.0;
    for (int j = 1; j <= st.sdim; ++j) st.norm *= st.nvox(j);
    if (!st.sf.allocated()) throw RunStop("Error creating the FFT plans!");
    const std::array<int, 8> extents = fftw_extents(st);
    const unsigned flags = plan_flags(st);
    fft_threads(st.nthreads);
    // Remembered plans make a second run on a grid plan in milliseconds.
    // Charge flipping stays off the cache: its plans are chosen without
    // timing, and wisdom from timing would change them.
    const std::string cache = wisdom_path(st.plancache && !st.flipcharge);
    load_wisdom(cache);
    st.plan1.reset(fftw_plan_dft_r2c(st.sdim, extents.data(), st.sf.density(), as_fftw(st.sf.half()), flags));
    st.plan2.reset(fftw_plan_dft_c2r(st.sdim, extents.data(), as_fftw(st.sf.half()), st.sf.density(), flags));
    save_wisdom(cache);
    // A missing plan would crash the first transform; say so instead.
    if (!st.plan1 || !st.plan2) throw RunStop("Error creating the FFT plans!");
    // Planning by measurement scribbles over both arrays.
    std::fill(st.sf.density(), st.sf.density() + st.sf.nvoxtot(), 0.0);
    st.sf.clear_half();
}

void fft_backward_unscaled(RunState& st) {
    if (st.sf.sparse().active) st.sf.fold_sparse(st.nthreads);
    fftw_execute_dft_c2r(st.plan2.get(), as_fftw(st.sf.half()), st.sf.density());
}

void fft(RunState& st, int ifdirec) {
    if (ifdirec == 1) {
        fftw_execute_dft_r2c(st.plan1.get(), st.sf.density(), as_fftw(st.sf.half()));
        st.sf.sparse().active = false;
        return;
    }
    if (ifdirec != -1) return;
    fft_backward_unscaled(st);
    double* v = st.sf.density();
    const long len = st.sf.nvoxtot();
    const double norm = st.norm;
    for (long i = 0; i < len; ++i) v[i] /= norm;
}

void fftfree(RunState& st) {
    st.plan1.reset();
    st.plan2.reset();
}

}  // namespace quilmo
