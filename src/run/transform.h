// The transform array.  Every density this program transforms is real, so
// the array keeps the density as nvoxtot reals and its spectrum as the
// non-redundant half that a real-to-complex transform produces: the first
// (fastest) axis runs over 0..nvox(1)/2 only, the other axes in full.  A
// structure factor F(h) of the full grid is found through `HalfPos`, which
// maps h and -h onto the stored half.
//
// Our structure factors are F(h) = sum rho(x) exp(+2 pi i h.x), the complex
// conjugate of what the real-to-complex transform yields; for a real density
// that is its value at -h.  So the slot of -h holds F(h) and the slot of h
// holds its conjugate.
//
// Writers of structure factors may set any values, also ones that are not
// the transform of a real density.  The density made from them is the real
// part of the full complex transform, which is the transform of the
// Hermitian part (X(h) + conj X(-h)) / 2; `add` builds exactly that.
#pragma once

#include <fftw3.h>

#include <array>
#include <complex>
#include <cstddef>
#include <utility>
#include <vector>

namespace quilmo {

using cplx = std::complex<double>;

// Where F(h) lives in the stored half: `direct` holds F(h) itself, `mirror`
// its conjugate; either is -1 when that slot is not stored.  Off the planes
// h1 = 0 and h1 = nvox(1)/2 exactly one of them is stored; on them both are,
// and they coincide when h and -h are the same grid point.
struct HalfPos {
    long direct = -1;
    long mirror = -1;
};

// One slot of the half where F(h) is read, for passes that read many: s >= 0
// holds F(h) itself, s < 0 holds its conjugate at ~s.
inline int half_slot(const HalfPos& p) { return static_cast<int>(p.direct >= 0 ? p.direct : ~p.mirror); }

// F(h) times `scale` at half_slot s of the half seen as pairs of doubles.
// The conjugate is taken by the sign of the factor, not by a branch, so
// that a vector loop can read it.
struct HalfValue {
    double re, im;
};
inline HalfValue half_value(const double* half, int s, double scale) {
    const long q = 2L * (s >= 0 ? s : ~s);
    return {half[q] * scale, half[q + 1] * (s >= 0 ? scale : -scale)};
}

// An array from fftw_malloc, aligned as FFTW's fastest code wants it.
template <class T>
class FftwBuffer {
public:
    FftwBuffer() = default;
    FftwBuffer(const FftwBuffer&) = delete;
    FftwBuffer& operator=(const FftwBuffer&) = delete;
    FftwBuffer(FftwBuffer&& o) noexcept : p_(std::exchange(o.p_, nullptr)), n_(std::exchange(o.n_, 0)) {}
    FftwBuffer& operator=(FftwBuffer&& o) noexcept {
        std::swap(p_, o.p_);
        std::swap(n_, o.n_);
        return *this;
    }
    ~FftwBuffer() { fftw_free(p_); }

    // Throws std::bad_alloc when the memory is not there; contents are zero.
    void allocate(long n);
    T* data() { return p_; }
    const T* data() const { return p_; }
    long size() const { return n_; }
    T& operator[](long i) { return p_[i]; }
    const T& operator[](long i) const { return p_[i]; }

private:
    T* p_ = nullptr;
    long n_ = 0;
};

class TransformArray {
public:
    // Sets the grid (extents nvox[0..sdim-1], first axis fastest) and
    // allocates both arrays, zeroed.
    void allocate(int sdim, const int* nvox);
    bool allocated() const { return density_.size() > 0; }

    int sdim() const { return sdim_; }
    int extent(int axis) const { return n_[static_cast<std::size_t>(axis)]; }  // axis 0..sdim-1
    long nvoxtot() const { return nvoxtot_; }
    long nhalf() const { return half_.size(); }

    // The density: voxel k at k, the numbering of rho.
    double* density() { return density_.data(); }
    const double* density() const { return density_.data(); }
    double& density(long k) { return density_[k]; }
    double density(long k) const { return density_[k]; }

    // The stored half of the spectrum.
    cplx* half() { return half_.data(); }
    const cplx* half() const { return half_.data(); }

    // Where F(h) is stored, for h at `sfloc` (twice the grid index, as the
    // reflection records keep it).
    HalfPos position(long sfloc) const;

    cplx read(const HalfPos& p) const { return p.direct >= 0 ? half_[p.direct] : std::conj(half_[p.mirror]); }
    // Adds X(h) = v to the Hermitian part held in the half.
    void add(const HalfPos& p, cplx v) {
        if (p.direct >= 0) half_[p.direct] += 0.5 * v;
        if (p.mirror >= 0) half_[p.mirror] += 0.5 * std::conj(v);
    }
    void clear_half(int threads = 1);  // on that many threads when the half is large

    // Structure factors set one by one at known positions (the reflection
    // lists').  Writers set them here, at most once each between clears; the
    // backward transform first folds them into the half, so a later write at
    // the same position replaces an earlier one, and a position read back
    // before any transform gives what was written there (zero if nothing).
    struct Sparse {
        std::vector<int> loc;        // sorted sflocs
        std::vector<HalfPos> pos;    // their places in the half
        std::vector<cplx> value;     // the structure factor written there
        std::vector<int> mem, refl;  // index of each memrefl / refl entry's position (0-based entries)
        bool active = false;         // written since the last forward transform
        unsigned long long key = 0;  // identifies the lists the positions came from
    };
    Sparse& sparse() { return sparse_; }
    const Sparse& sparse() const { return sparse_; }
    // Index of `sfloc` among the sparse positions, -1 if it is not one.
    int sparse_index(long sfloc) const;
    // F at any position: what was written there since the last forward
    // transform (0 where nothing was), else the transform's value.  The
    // sparse positions must be up to date (sparse_sf).
    cplx at(long sfloc) const;
    // The half = the Hermitian part of the sparse values (and nothing else).
    void fold_sparse(int threads = 1);

private:
    int sdim_ = 0;
    std::array<int, 8> n_{};
    long nvoxtot_ = 0;
    FftwBuffer<double> density_;
    FftwBuffer<cplx> half_;
    Sparse sparse_;
};

}  // namespace quilmo
