// Arrays with the index ranges the crystallographic formulas use: most start
// at 1, some at 0, and matrices are stored column by column.  Keeping the
// natural bounds lets a formula read like its description: rmat(i, j, p).
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <vector>

namespace quilmo {

// One-dimensional array with an arbitrary lower bound.
template <class T>
class FArray {
public:
    FArray() = default;
    FArray(long lo, long hi) { allocate(lo, hi); }

    // Makes room for lo..hi, value-initialised (0 for numbers).  An empty
    // range (hi < lo) is allowed.  Throws std::bad_alloc when memory is short.
    void allocate(long lo, long hi) {
        lo_ = lo;
        v_.assign(hi >= lo ? static_cast<std::size_t>(hi - lo + 1) : 0, T{});
        allocated_ = true;
    }
    void deallocate() {
        std::vector<T>().swap(v_);
        allocated_ = false;
    }
    bool allocated() const { return allocated_; }

    T& operator()(long i) {
        assert(i >= lo_ && i < lo_ + static_cast<long>(v_.size()));
        return v_[static_cast<std::size_t>(i - lo_)];
    }
    const T& operator()(long i) const {
        assert(i >= lo_ && i < lo_ + static_cast<long>(v_.size()));
        return v_[static_cast<std::size_t>(i - lo_)];
    }

    long lbound() const { return lo_; }
    long ubound() const { return lo_ + static_cast<long>(v_.size()) - 1; }
    long size() const { return static_cast<long>(v_.size()); }
    void fill(const T& x) { std::fill(v_.begin(), v_.end(), x); }

    // Raw storage, element lbound() first.
    T* data() { return v_.data(); }
    const T* data() const { return v_.data(); }
    std::vector<T>& vec() { return v_; }
    const std::vector<T>& vec() const { return v_; }

private:
    std::vector<T> v_;
    long lo_ = 1;
    bool allocated_ = false;
};

// Two-dimensional column-major array a(i, j), i in lo1..hi1, j in lo2..hi2.
template <class T>
class FArray2 {
public:
    FArray2() = default;
    FArray2(long n1, long n2) { allocate(n1, n2); }

    void allocate(long n1, long n2, long lo1 = 1, long lo2 = 1) {
        n1_ = std::max(n1, 0L);
        n2_ = std::max(n2, 0L);
        lo1_ = lo1;
        lo2_ = lo2;
        v_.assign(static_cast<std::size_t>(n1_ * n2_), T{});
        allocated_ = true;
    }
    void deallocate() {
        std::vector<T>().swap(v_);
        n1_ = n2_ = 0;
        allocated_ = false;
    }
    bool allocated() const { return allocated_; }

    T& operator()(long i, long j) {
        assert(i >= lo1_ && i < lo1_ + n1_ && j >= lo2_ && j < lo2_ + n2_);
        return v_[static_cast<std::size_t>((i - lo1_) + n1_ * (j - lo2_))];
    }
    const T& operator()(long i, long j) const {
        assert(i >= lo1_ && i < lo1_ + n1_ && j >= lo2_ && j < lo2_ + n2_);
        return v_[static_cast<std::size_t>((i - lo1_) + n1_ * (j - lo2_))];
    }

    long extent1() const { return n1_; }
    long extent2() const { return n2_; }
    long size() const { return static_cast<long>(v_.size()); }
    void fill(const T& x) { std::fill(v_.begin(), v_.end(), x); }
    // Column j as contiguous storage (column-major layout).
    T* column(long j) { return v_.data() + n1_ * (j - lo2_); }
    const T* column(long j) const { return v_.data() + n1_ * (j - lo2_); }
    T* data() { return v_.data(); }
    const T* data() const { return v_.data(); }

private:
    std::vector<T> v_;
    long n1_ = 0, n2_ = 0, lo1_ = 1, lo2_ = 1;
    bool allocated_ = false;
};

// Three-dimensional column-major array a(i, j, k), all bounds starting at 1.
template <class T>
class FArray3 {
public:
    FArray3() = default;
    FArray3(long n1, long n2, long n3) { allocate(n1, n2, n3); }

    void allocate(long n1, long n2, long n3) {
        n1_ = std::max(n1, 0L);
        n2_ = std::max(n2, 0L);
        n3_ = std::max(n3, 0L);
        v_.assign(static_cast<std::size_t>(n1_ * n2_ * n3_), T{});
        allocated_ = true;
    }
    void deallocate() {
        std::vector<T>().swap(v_);
        n1_ = n2_ = n3_ = 0;
        allocated_ = false;
    }
    bool allocated() const { return allocated_; }

    T& operator()(long i, long j, long k) {
        assert(i >= 1 && i <= n1_ && j >= 1 && j <= n2_ && k >= 1 && k <= n3_);
        return v_[static_cast<std::size_t>((i - 1) + n1_ * ((j - 1) + n2_ * (k - 1)))];
    }
    const T& operator()(long i, long j, long k) const {
        assert(i >= 1 && i <= n1_ && j >= 1 && j <= n2_ && k >= 1 && k <= n3_);
        return v_[static_cast<std::size_t>((i - 1) + n1_ * ((j - 1) + n2_ * (k - 1)))];
    }

    long extent1() const { return n1_; }
    long extent2() const { return n2_; }
    long extent3() const { return n3_; }
    long size() const { return static_cast<long>(v_.size()); }
    void fill(const T& x) { std::fill(v_.begin(), v_.end(), x); }
    // The n1 x n2 matrix number k as contiguous column-major storage.
    T* slice(long k) { return v_.data() + n1_ * n2_ * (k - 1); }
    const T* slice(long k) const { return v_.data() + n1_ * n2_ * (k - 1); }
    T* data() { return v_.data(); }
    const T* data() const { return v_.data(); }

private:
    std::vector<T> v_;
    long n1_ = 0, n2_ = 0, n3_ = 0;
    bool allocated_ = false;
};

}  // namespace quilmo
