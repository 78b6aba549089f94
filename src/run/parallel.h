// Opt-in parallel passes over large arrays (keyword threads).  With one
// thread a pass runs exactly as a plain loop, so a run with threads 1 adds
// in the same order as ever; with more, each part adds its own partial sums
// and the parts are combined in order, so a given thread count always gives
// the same result.
#pragma once

#include <algorithm>
#include <thread>
#include <vector>

namespace quilmo {

// The most threads a run may ask for (keyword threads).
inline constexpr int kMaxThreads = 256;

// Parts shorter than this are not worth a thread of their own.
inline constexpr long kMinPart = 16384;

// How many parts a pass over n elements is cut into.
inline int part_count(int threads, long n) {
    return static_cast<int>(std::clamp<long>(n / kMinPart, 1L, std::clamp(threads, 1, kMaxThreads)));
}

// Calls part(k, begin, end) for the `parts` contiguous ranges of [0, n),
// range 0 on the calling thread.  `part` must not throw.
template <class Part>
void for_parts(int parts, long n, Part part) {
    if (parts <= 1) {
        part(0, 0L, n);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(parts - 1));
    for (int k = 1; k < parts; ++k) pool.emplace_back(part, k, n * k / parts, n * (k + 1) / parts);
    part(0, 0L, n / parts);
    for (std::thread& t : pool) t.join();
}

}  // namespace quilmo
