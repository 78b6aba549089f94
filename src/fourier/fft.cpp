#include "fourier/fft.h"

#include <fftw3.h>

#include <array>
#include <cassert>

#include "textio/stop.h"

namespace quilmo {

namespace {

// A rank-sdim in-place plan on sf.  FFTW counts its extents row-major (last
// extent fastest) while our grid runs first axis fastest, so the extents go
// in last axis first.
fftw_plan make_plan(RunState& st, int sign) {
    std::array<int, 8> extents{};
    for (int j = 1; j <= st.sdim; ++j) extents[static_cast<std::size_t>(st.sdim - j)] = st.nvox(j);
    auto* data = reinterpret_cast<fftw_complex*>(st.sf.data());
    // A measured plan is picked by timing, so two runs may add in different
    // orders; charge flipping amplifies such last-bit differences into a
    // different run.  Its runs take the plan chosen without timing, which
    // is the same every time.
    const unsigned flags = st.flipcharge ? FFTW_ESTIMATE : FFTW_MEASURE;
    return fftw_plan_dft(st.sdim, extents.data(), data, data, sign, flags);
}

}  // namespace

void fftinit(RunState& st) {
    fftfree(st);
    st.norm = 1.0;
    for (int j = 1; j <= st.sdim; ++j) st.norm *= st.nvox(j);
    // FFTW's FORWARD is exp(-i...), its BACKWARD exp(+i...): plan1 is the
    // +1 transform from the density to the structure factors.
    st.plan1.reset(make_plan(st, FFTW_BACKWARD));
    st.plan2.reset(make_plan(st, FFTW_FORWARD));
    // A missing plan would crash the first transform; say so instead.
    if (!st.plan1 || !st.plan2) throw RunStop("Error creating the FFT plans!");
}

void fft(RunState& st, int ifdirec) {
    if (ifdirec != 1 && ifdirec != -1) return;
    assert(st.sf.size() == 2L * st.nvoxtot);
    // Executing on the current address of sf keeps the plans valid for the
    // array they were made on without holding a pointer of our own.
    auto* data = reinterpret_cast<fftw_complex*>(st.sf.data());
    if (ifdirec == 1) {
        fftw_execute_dft(st.plan1.get(), data, data);
        return;
    }
    fftw_execute_dft(st.plan2.get(), data, data);
    double* v = st.sf.data();
    const long len = st.sf.size();
    const double norm = st.norm;
    for (long i = 0; i < len; ++i) v[i] /= norm;
}

void fftfree(RunState& st) {
    st.plan1.reset();
    st.plan2.reset();
}

}  // namespace quilmo
