#include "run/transform.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "run/parallel.h"

namespace quilmo {

template <class T>
void FftwBuffer<T>::allocate(long n) {
    T* p = static_cast<T*>(fftw_malloc(sizeof(T) * static_cast<std::size_t>(std::max(n, 1L))));
    if (!p) throw std::bad_alloc();
    std::fill(p, p + std::max(n, 1L), T{});
    fftw_free(p_);
    p_ = p;
    n_ = n;
}

template class FftwBuffer<double>;
template class FftwBuffer<cplx>;

void TransformArray::allocate(int sdim, const int* nvox) {
    sdim_ = sdim;
    n_.fill(1);
    nvoxtot_ = 1;
    for (int j = 0; j < sdim; ++j) {
        n_[static_cast<std::size_t>(j)] = nvox[j];
        nvoxtot_ *= nvox[j];
    }
    density_.allocate(nvoxtot_);
    half_.allocate(nvoxtot_ / n_[0] * (n_[0] / 2 + 1));
    sparse_ = Sparse{};
}

HalfPos TransformArray::position(long sfloc) const {
    long k = sfloc / 2;
    std::array<long, 8> x{}, mx{};
    for (int j = 0; j < sdim_; ++j) {
        const long nj = n_[static_cast<std::size_t>(j)];
        x[static_cast<std::size_t>(j)] = k % nj;
        mx[static_cast<std::size_t>(j)] = (nj - k % nj) % nj;
        k /= nj;
    }
    const long h1 = n_[0] / 2;
    // Slot of grid point g with g_1 <= nvox(1)/2.
    auto slot = [&](const std::array<long, 8>& g) {
        long rest = 0;
        for (int j = sdim_ - 1; j >= 1; --j) rest = rest * n_[static_cast<std::size_t>(j)] + g[static_cast<std::size_t>(j)];
        return g[0] + (h1 + 1) * rest;
    };
    HalfPos p;
    if (mx[0] <= h1) p.direct = slot(mx);
    if (x[0] <= h1) p.mirror = slot(x);
    return p;
}

void TransformArray::clear_half(int threads) {
    cplx* h = half_.data();
    for_parts(part_count(threads, half_.size()), half_.size(), [h](int, long begin, long end) {
        std::memset(static_cast<void*>(h + begin), 0, sizeof(cplx) * static_cast<std::size_t>(end - begin));
    });
}

int TransformArray::sparse_index(long sfloc) const {
    const auto it = std::lower_bound(sparse_.loc.begin(), sparse_.loc.end(), sfloc);
    if (it == sparse_.loc.end() || *it != sfloc) return -1;
    return static_cast<int>(it - sparse_.loc.begin());
}

cplx TransformArray::at(long sfloc) const {
    if (!sparse_.active) return read(position(sfloc));
    const int i = sparse_index(sfloc);
    return i < 0 ? cplx{} : sparse_.value[static_cast<std::size_t>(i)];
}

void TransformArray::fold_sparse(int threads) {
    clear_half(threads);
    const std::size_t n = sparse_.loc.size();
    for (std::size_t i = 0; i < n; ++i) add(sparse_.pos[i], sparse_.value[i]);
}

}  // namespace quilmo
