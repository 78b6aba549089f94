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

fftw_complex* as_fftw(cplx* p) { return reinterpret_cast<fftw_complex*>(p); }

bool make_plans(RunState& st, const std::array<int, 8>& extents, unsigned flags) {
    st.plan1.reset(fftw_plan_dft_r2c(st.sdim, extents.data(), st.sf.density(), as_fftw(st.sf.half()), flags));
    st.plan2.reset(fftw_plan_dft_c2r(st.sdim, extents.data(), as_fftw(st.sf.half()), st.sf.density(), flags));
    return st.plan1 && st.plan2;
}

// Remembered plans make a second run on a grid plan in milliseconds.  Only
// the cache's wisdom steers the plans, so that every run on a grid uses the
// plan the cache holds for it.
//
// A measured plan is picked by timing, so two plannings may add in
// different orders, and charge flipping amplifies such last-bit differences
// into a different run.  Its plans therefore come from the cache's wisdom
// alone: a grid the cache does not know yet is measured once, remembered at
// once and planned again from what was remembered.  Without a usable cache
// it takes the plan chosen without timing, which is the same every time.
void plan_transforms(RunState& st, const std::array<int, 8>& extents) {
    const std::string cache = wisdom_path(st.plancache);
    const WisdomLock lock(cache);
    fftw_forget_wisdom();
    load_wisdom(cache);
    if (!st.flipcharge) {
        const std::string before = wisdom_text();
        make_plans(st, extents, FFTW_MEASURE);
        if (lock.held() && wisdom_text() != before) save_wisdom(cache);
        return;
    }
    const unsigned remembered = FFTW_MEASURE | FFTW_WISDOM_ONLY;
    bool ok = !cache.empty() && make_plans(st, extents, remembered);
    if (!ok && lock.held()) {
        make_plans(st, extents, FFTW_MEASURE);
        ok = save_wisdom(cache) && make_plans(st, extents, remembered);
    }
    if (!ok) {
        fftw_forget_wisdom();
        make_plans(st, extents, FFTW_ESTIMATE);
    }
}

}  // namespace

void fftinit(RunState& st) {
    fftfree(st);
    st.norm = 1.0;
    for (int j = 1; j <= st.sdim; ++j) st.norm *= st.nvox(j);
    if (!st.sf.allocated()) throw RunStop("Error creating the FFT plans!");
    fft_threads(st.nthreads);
    plan_transforms(st, fftw_extents(st));
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
