// An expansion case: grid, operators (the identity added first), run files,
// and for prior structure factors a symmetric density with its plans.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "fourier/fft.h"
#include "reflections/crystal.h"
#include "reflections/expand.h"
#include "textio/stop.h"

namespace quilmo_test {

using namespace quilmo;

inline const Op kScrew = diag_op({-1, 1, -1}, {0, 0.5, 0});
inline const Op kInversion = diag_op({-1, -1, -1}, {0, 0, 0});

struct Expansion {
    RunState st;
    RunFiles files{st};
    Expansion(const std::vector<int>& nv, std::vector<Op> ops, bool centro) {
        make_grid(st, nv);
        ops.insert(ops.begin(), identity_op(st.sdim));
        set_ops(st, ops, centro);
    }
    ~Expansion() { fftfree(st); }

    // A density with the symmetry of the operators (one random value per
    // orbit) and the transform plans, for the prior structure factors.
    void density(double pristhmin, double pristhmax) {
        build_rhotab(st);
        st.au.allocate(1, st.norb);
        std::mt19937 gen(3);
        std::uniform_real_distribution<double> u(0.1, 1.0);
        for (int j = 1; j <= st.norb; ++j) st.au(j) = u(gen);
        fftinit(st);
        st.addprisf = true;
        st.pristhmin = pristhmin;
        st.pristhmax = pristhmax;
    }

    // Entries first..last of memrefl.
    std::vector<reftyp> section(int first, int last) const {
        std::vector<reftyp> v;
        for (int i = first; i <= last; ++i) v.push_back(st.memrefl(i));
        return v;
    }
    const reftyp* find(int first, int last, std::array<int, 9> h) const {
        for (int i = first; i <= last; ++i)
            if (std::equal(h.begin(), h.begin() + st.sdim, st.memrefl(i).hklfg.begin())) return &st.memrefl(i);
        return nullptr;
    }
    bool stops() {
        try {
            expandrefl(st);
        } catch (const RunStop& s) {
            EXPECT_EQ(s.message(), "");
            return true;
        }
        return false;
    }
};

inline std::set<int> positions(const std::vector<reftyp>& v) {
    std::set<int> s;
    for (const reftyp& e : v) s.insert(e.sfloc);
    return s;
}

inline bool sorted_by_position(const std::vector<reftyp>& v) {
    for (std::size_t i = 1; i < v.size(); ++i)
        if (v[i - 1].sfloc >= v[i].sfloc) return false;
    return true;
}

// The line that follows `text` in the log.
inline std::string after(const std::vector<std::string>& log, const std::string& text) {
    auto it = std::find(log.begin(), log.end(), text);
    return it == log.end() || it + 1 == log.end() ? "<none>" : *(it + 1);
}


}  // namespace quilmo_test
