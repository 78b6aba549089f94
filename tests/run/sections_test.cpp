// Section bounds of the reflection lists and the totals derived from them.
#include <gtest/gtest.h>

#include "run/state.h"

using quilmo::RunState;
using quilmo::Section;

// Every empty form the run produces counts nothing: the defaults, the
// expanded list before expansion (0 .. 0), the expanded P section of a run
// without priors (0 .. end of F) and an empty G block of the input
// (n+1 .. -1).
TEST(Section, EmptyFormsCountNothing) {
    const struct {
        Section s;
        int count;
    } cases[] = {
        {{0, -1}, 0}, {{0, 0}, 0}, {{0, 7}, 0}, {{5, -1}, 0}, {{6, 5}, 0}, {{1, 1}, 1}, {{4, 9}, 6},
    };
    for (const auto& c : cases) EXPECT_EQ(c.s.count(), c.count) << c.s.start << ".." << c.s.end;
}

TEST(Section, TotalsFollowTheBounds) {
    RunState st;
    EXPECT_EQ(st.totalfge(), 0);
    EXPECT_EQ(st.mtotalfpg(), 0);
    st.sec.f = {1, 4};
    st.sec.prif = {5, 6};
    st.sec.g = {7, 9};
    st.sec.extra = {10, 10};
    EXPECT_EQ(st.totalfg(), 7);
    EXPECT_EQ(st.totalfpg(), 9);
    EXPECT_EQ(st.totalfge(), 8);  // the P section is not part of it
    st.msec.f = {1, 8};
    st.msec.prif.end = 8;  // no priors
    EXPECT_EQ(st.mtotalfp(), 8);
    st.msec.g = {9, 14};
    EXPECT_EQ(st.mtotalfpg(), 14);
}
