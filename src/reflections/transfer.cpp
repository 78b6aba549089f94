#include "reflections/transfer.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "textio/stop.h"

namespace quilmo {

void indexx(int n, const FArray<int>& arr, FArray<int>& indx) {
    std::vector<int> order(static_cast<std::size_t>(std::max(n, 0)));
    std::iota(order.begin(), order.end(), 1);
    // Equal keys keep their input order, so the result is fully determined.
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return arr(x) < arr(y); });
    for (int i = 1; i <= n; ++i) indx(i) = order[static_cast<std::size_t>(i - 1)];
}

namespace {

// Permutation that sorts the entries first..first+count-1 of `work` by sfloc.
FArray<int> sfloc_order(const std::vector<reftyp>& work, int first, int count) {
    FArray<int> keys, perm;
    allocate_or_stop("Error allocating SFOrder! Memory to small?", [&] { keys.allocate(1, count); });
    allocate_or_stop("Error allocating SFIndex! Memory to small?", [&] { perm.allocate(1, count); });
    for (int i = 1; i <= count; ++i) keys(i) = work[static_cast<std::size_t>(first + i - 2)].sfloc;
    indexx(count, keys, perm);
    return perm;
}

}  // namespace

void indexarray(RunState& st) {
    std::vector<reftyp> work;
    allocate_or_stop("Error allocating DMEMRefl! Memory to small?", [&] {
        work.assign(st.memrefl.data(), st.memrefl.data() + st.mtotalfpg());
    });
    auto at = [&](int i) -> const reftyp& { return work[static_cast<std::size_t>(i - 1)]; };

    // F and P sections move whole records.
    for (auto [first, count] : {std::pair{st.msec.f.start, st.mtotalf()}, std::pair{st.msec.prif.start, st.mtotalprif()}}) {
        if (count <= 0) continue;
        FArray<int> perm = sfloc_order(work, first, count);
        for (int i = 1; i <= count; ++i) st.memrefl(first + i - 1) = at(first + perm(i) - 1);
    }

    // In a G group only the positions move: the group's observed value stays
    // in the group's first slots.
    int first = st.msec.g.start;
    for (int g = 1; g <= st.ggroups; ++g) {
        int count = st.mngroup(g);
        if (count > 0) {
            FArray<int> perm = sfloc_order(work, first, count);
            for (int i = 1; i <= count; ++i) {
                const reftyp& src = at(first + perm(i) - 1);
                reftyp& dst = st.memrefl(first + i - 1);
                dst.hklfg = src.hklfg;
                dst.mult = src.mult;
                dst.sfloc = src.sfloc;
            }
        }
        first += count;
    }
}

namespace {

void transfer(const double* sf, reftyp* e, long count) {
    for (long i = 0; i < count; ++i) {
        const double re = sf[e[i].sfloc], im = sf[e[i].sfloc + 1], rf = e[i].rf;
        e[i].amem = re * rf;
        e[i].bmem = im * rf;
        e[i].fmem = std::sqrt(re * re + im * im) * rf;
    }
}

}  // namespace

void sf2refl(RunState& st) {
    // Section by section: extra reflections are never transferred, wherever
    // the input placed their block.
    auto section = [&](int lo, int hi) {
        if (hi >= lo) transfer(st.sf.data(), &st.refl(lo), hi - lo + 1);
    };
    section(st.sec.f.start, st.sec.f.end);
    section(st.sec.prif.start, st.sec.prif.end);
    section(st.sec.g.start, st.sec.g.end);
}

void sf2memrefl(RunState& st) {
    if (st.mtotalfpg() > 0) transfer(st.sf.data(), st.memrefl.data(), st.mtotalfpg());
}

}  // namespace quilmo
