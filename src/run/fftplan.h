// An owned transform plan.  The run state holds its two plans in this type,
// so they are released however the run ends: at its normal end, by a stop,
// or when a test drops its run state.
#pragma once

#include <fftw3.h>

#include <utility>

namespace quilmo {

class FftPlan {
public:
    FftPlan() = default;
    FftPlan(const FftPlan&) = delete;
    FftPlan& operator=(const FftPlan&) = delete;
    FftPlan(FftPlan&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    FftPlan& operator=(FftPlan&& o) noexcept {
        if (this != &o) reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ~FftPlan() { reset(); }

    // Takes ownership of `p` (which may be null) and destroys the plan held so far.
    void reset(fftw_plan p = nullptr) {
        if (p_) fftw_destroy_plan(p_);
        p_ = p;
    }
    fftw_plan get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    fftw_plan p_ = nullptr;
};

}  // namespace quilmo
