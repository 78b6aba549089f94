// Charge flipping: the iteration that phases the observed amplitudes, its
// thresholds and the small statistics it judges its R history with.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "run/state.h"

namespace quilmo {

// The uniform generator of the random start phases: std::mt19937 seeded with
// the 32-bit seed, two draws per number joined to 53 bits,
// (a·2^26 + b)/2^53 with a = first >> 5 and b = second >> 6, so every double
// in [0, 1) of that grid can come out.  The mapping is written out here
// rather than left to std::generate_canonical, whose use of the engine may
// differ between standard libraries: the same seed gives the same run on
// every machine.
class FlipRandom {
public:
    explicit FlipRandom(int seed) : gen_(static_cast<std::uint32_t>(seed)) {}
    double next() {
        const double a = static_cast<double>(gen_() >> 5);
        const double b = static_cast<double>(gen_() >> 6);
        return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
    }

private:
    std::mt19937 gen_;
};

// With normalised amplitudes and delta AUTO the threshold is this many
// standard deviations of the E map.
constexpr double kDeltaSigmas = 1.2;

// Phases the F reflections by charge flipping; leaves the density in rho
// (directly or through locatesymmetryrs) and, before a maximum-entropy run,
// its starting values.
void chargeflipping(RunState& st);

// The spread of each F entry's phase (memrefl, after F(000)) over the
// cycles it was given: the mean resultant length of its unit phasors, 1
// for a phase that never moved, near 0 for one that went all round; 1
// everywhere when no cycle was given.
class PhaseSpread {
public:
    void clear(const RunState& st);
    void add(const RunState& st);  // the phases of amem, bmem
    std::vector<double> resultant() const;  // index i - msec.f.start
    int cycles() const { return n_; }

private:
    std::vector<cplx> sum_;
    int n_ = 0;
};

constexpr int kSpreadCycles = 30;

// Starting values of the maximum-entropy run that follows: the F entries of
// both lists get their observed amplitude (memrefl: `observed`, index
// i - msec.f.start; refl: f as read) with the phase of the final density
// in amem, bmem, and sigma² + 2F²(1 - m), m the mean spread of the phase
// over the entry's orbit.  F(000) and the flat prior come from `charge`
// (the electrons of the input) with cff000 electrons, else from 0.8 × the
// F(000) of the final density.
void handover(RunState& st, const std::vector<double>& observed, const PhaseSpread& spread);

// Where the flipping keeps the structure factors of the F entries of memrefl
// (index i - msec.f.start): the sparse value slot of sf of each entry and of its
// Friedel mate (-1 when the mate is no reflection position), found once per
// run so that the cycle only looks them up.
struct FlipMates {
    std::vector<int> self, mate;
    int origin = -1;  // the slot of F(000)
};
FlipMates friedelmates(RunState& st);

// One cycle: the density, the flip below flipdelta (found first in the
// relative mode), the structure factors, the amplitude reset, the rebuild
// with the Friedel mates and the R value (st.rf).  Returns the flipped
// charge.  Allocates nothing.
double flipcycle(RunState& st, const FlipMates& mate);

// The reciprocal-space step of a cycle on the F entries after F(000):
// strong reflections get their observed amplitude back with the calculated
// phase, weak ones keep the calculated amplitude with the phase turned by
// -90 degrees.
void resetamplitudes(RunState& st);

// weakrefl(0..satmax): amplitude threshold per satellite order.  Stops
// (without message) when the F entries hold more than 15 satellite orders.
void getweakrefl(RunState& st);

// Sharpening factor exp(0.25·biso·|h*|²) of an index vector (hklfg layout).
double bfactor(const RunState& st, const std::array<int, 9>& hkl);

// Mean; largest value but at least 0; smallest value but at most 1.
double ave(const double* values, int n);
double mx(const double* values, int n);
double mn(const double* values, int n);

// The threshold below which the fraction `fraction` of the n values
// v[0], v[stride], ... lies, found by repeated ten-bin histograms.  At most
// kMaxNarrowing passes; a zero bin width ends the narrowing; a target below
// one value counts as one.
constexpr int kMaxNarrowing = 100;
double relativedelta(const double* v, long n, long stride, double fraction);

// The continuation test of a cycle: true when the iteration goes on.
struct FlipHistory {
    double rfcont[11];  // ring of the last eleven R values
    double rfinit;      // mean R of cycles 1..3 of the attempt
};
bool flipcontinues(const FlipHistory& h, int cyc, int limit, double rf, double maxrvalue);

// Whether an attempt has found a solution.  R of a solved attempt falls
// from the plateau it wandered on by far more than the plateau's own
// scatter (a tenth or more against under one per cent of the 11-cycle mean
// on the sucrose seed studies) and then stays there.  The plateau is the
// highest 11-cycle mean of cycles after the tenth, when the start has
// settled.  Dropped: the 11-cycle mean lies kDropFraction below the plateau;
// converged: besides, it moved by less than kFlatFraction of the plateau
// against the 11 cycles before.
constexpr double kDropFraction = 0.1;
constexpr double kFlatFraction = 0.01;
class AttemptHistory {
public:
    void add(double rf);
    bool dropped() const;
    bool converged() const;

private:
    double mean(int back) const;  // of the 11 R values ending `back` cycles ago
    double r_[22] = {};           // the last 22 R values, cycle c at c % 22
    int cycles_ = 0;
    double plateau_ = 0;
};

// The threshold judgement after the tenth cycle of an attempt, from the
// charge q of F(000) and the flipped charge: +1 raise δ, -1 halve it, 0 keep.
int deltajudgement(double q, double aucnt);

}  // namespace quilmo
