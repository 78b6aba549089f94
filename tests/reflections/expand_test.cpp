#include "reflections/expand.h"

#include <gtest/gtest.h>

#include "reflections/expansion.h"

using namespace quilmo;
using namespace quilmo_test;

TEST(ExpandReflections, FriedelMatesWithoutSymmetry) {
    Expansion x({8, 8, 8}, {}, false);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 2, 3}, 5, 2, 0.5}});
    EXPECT_FALSE(x.stops());
    EXPECT_EQ(x.st.mtotalf(), 3);
    EXPECT_EQ(x.st.mtotalfpg(), 3);
    auto f = x.section(x.st.msec.f.start, x.st.msec.f.end);
    EXPECT_EQ(positions(f), (std::set<int>{0, 418, 750}));
    EXPECT_TRUE(sorted_by_position(f));
    const reftyp* mate = x.find(1, 3, {-1, -2, -3});
    ASSERT_TRUE(mate);
    EXPECT_EQ(mate->a, 5);
    EXPECT_EQ(mate->b, -2);
    for (const reftyp& e : f) EXPECT_EQ(e.mult, 1);

    // 000 is its own mate: listed, so no "None".
    auto log = x.files.log();
    EXPECT_EQ(after(log, "Doubled by Friedel expansion"),
              "     1:    0   0   0   100.0000000     0.0000000   100.0000000     1.0000000   0   1         0"
              "     1.0000000");
    EXPECT_FALSE(has_line(log, "     None"));
    EXPECT_EQ(std::string("     #     h   k   l...     A/Gobs             B             F         Sigma Group m    "
                          "Arraylocation weight")
                  .size(),
              108u);
    EXPECT_EQ(after(log, "Doubled reflections: F-Constraints").size(), 108u);
}

TEST(ExpandReflections, ScrewAxisShiftsPhaseByPi) {
    Expansion x({8, 8, 8}, {kScrew}, false);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 1, 0}, 3, 1, 1}, {{0, 1, 0}, 2, 0, 1}});
    EXPECT_FALSE(x.stops());
    const reftyp* img = x.find(1, x.st.msec.f.end, {-1, 1, 0});
    ASSERT_TRUE(img);
    EXPECT_NEAR(img->a, -3, 1e-12);
    EXPECT_NEAR(img->b, -1, 1e-12);
    EXPECT_EQ(img->mult, 2);
    EXPECT_EQ(x.find(1, x.st.msec.f.end, {1, 1, 0})->mult, 2);
    EXPECT_EQ(x.find(1, x.st.msec.f.end, {0, 1, 0})->mult, 1);
    EXPECT_EQ(x.st.refl(2).mult, 2);
    EXPECT_EQ(x.st.refl(3).mult, 1);
    // Friedel mate of the image: indices negated, b negated.
    const reftyp* mate = x.find(1, x.st.msec.f.end, {1, -1, 0});
    ASSERT_TRUE(mate);
    EXPECT_NEAR(mate->a, -3, 1e-12);
    EXPECT_NEAR(mate->b, 1, 1e-12);
    EXPECT_EQ(x.st.mtotalf(), 7);  // 000, 2 + 1 images, 3 mates
}

TEST(ExpandReflections, DuplicateUnderInversionStopsAfterTheListings) {
    Expansion x({8, 8, 8}, {kInversion}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 2, 3}, 5, 0, 1}, {{-1, -2, -3}, 5, 0, 1}});
    EXPECT_TRUE(x.stops());
    const std::string msg =
        "Error, the reflections in the input are not unique! Please, supply a unique list. Stopping.";
    EXPECT_EQ(x.files.con.str(), msg + "\n");
    auto log = x.files.log();
    ASSERT_GT(log.size(), 5u);
    EXPECT_EQ(log[2], "Doubled reflections: F-Constraints");
    EXPECT_EQ(log[4].substr(0, 8), "     3: ");
    EXPECT_TRUE(has_line(log, "     None"));  // centrosymmetric: always
    EXPECT_EQ(log.back(), msg);
    EXPECT_FALSE(x.files.dir.exists("t.QLout"));
}

TEST(ExpandReflections, MatesGivenInTheInputAreOnlyListed) {
    Expansion x({8, 8, 8}, {}, false);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 2, 3}, 5, 2, 1}, {{-1, -2, -3}, 4, 1, 1}});
    EXPECT_FALSE(x.stops());
    EXPECT_EQ(x.st.mtotalf(), 3);
    EXPECT_EQ(x.find(1, 3, {-1, -2, -3})->a, 4);
    EXPECT_EQ(x.find(1, 3, {-1, -2, -3})->b, 1);
    auto log = x.files.log();
    auto it = std::find(log.begin(), log.end(), "Doubled by Friedel expansion");
    ASSERT_TRUE(it + 3 < log.end());
    EXPECT_EQ(it[1].substr(0, 8), "     1: ");
    EXPECT_EQ(it[2].substr(0, 8), "     2: ");
    EXPECT_EQ(it[3].substr(0, 8), "     3: ");
}

TEST(ExpandReflections, GroupsMayRepeatFPositionsButNotTheirOwn) {
    Expansion x({8, 8, 8}, {kScrew}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 0, 0}, 3, 0, 1}},
             {{50, 2, {{1, 0, 0}, {0, 1, 1}}}, {20, 1, {{2, 0, 0}}}});
    EXPECT_FALSE(x.stops());
    EXPECT_EQ(x.st.mtotalg(), 6);
    EXPECT_EQ(x.st.mngroup(1), 4);
    EXPECT_EQ(x.st.mngroup(2), 2);
    auto log = x.files.log();
    EXPECT_EQ(after(log, "     #     h   k   l... Group m"), "     None");

    // The same member twice in a group is a duplicate.
    Expansion y({8, 8, 8}, {kScrew}, true);
    set_refl(y.st, {{{0, 0, 0}, 100, 0, 1}}, {{50, 2, {{1, 0, 0}, {-1, 0, 0}}}});
    EXPECT_TRUE(y.stops());
    EXPECT_EQ(after(y.files.log(), "     #     h   k   l... Group m"), "     3:   -1   0   0      1    0");
}

TEST(ExpandReflections, ListingsAndTotals) {
    Expansion x({8, 8, 8}, {kScrew}, true);
    x.st.expandedlog = true;
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{0, 2, 0}, 3, 0, 1}}, {{50, 2, {{1, 0, 0}, {0, 1, 1}}}});
    EXPECT_FALSE(x.stops());
    auto log = x.files.log();
    EXPECT_TRUE(has_line(log, " StartF:         1"));
    EXPECT_TRUE(has_line(log, " EndF:           2"));
    EXPECT_TRUE(has_line(log, " Start G:         3"));
    EXPECT_TRUE(has_line(log, " End G:           6"));
    // Group 1 in position order: (1,0,0) at 2, (-1,0,0) at 14, (0,1,1) at
    // 144, (0,1,-1) at 912; the group value stays in the first slots.
    EXPECT_EQ(after(log, "   1. G-Constraint"),
              "     3:    1   0   0    50.0000000     0.0000000    50.0000000     2.0000000   1   2         2");
    EXPECT_EQ(after(log, after(log, "   1. G-Constraint")),
              "     4:   -1   0   0" + std::string(56, ' ') + "   1   2        14");
    EXPECT_TRUE(has_line(log, "  F-Constraints:        2"));
    EXPECT_TRUE(has_line(log, "  P-Constraints:        0"));
    EXPECT_TRUE(has_line(log, "  G-Constraints:        4"));
    EXPECT_TRUE(has_line(log, "  Alltogether  :        6"));
    EXPECT_EQ(x.files.out(), (std::vector<std::string>{"", " F-Constraints input/expanded:        2       2",
                                                      " P-Constraints input/expanded:        0       0",
                                                      " G-Constraints input/expanded:        2       4", ""}));
    EXPECT_FALSE(has_line(log, " Listing of expanded reflections suppressed, summary follows:"));
}

TEST(ExpandReflections, NoGroupsListNone) {
    Expansion x({8, 8, 8}, {}, true);
    x.st.expandedlog = true;
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}});
    EXPECT_FALSE(x.stops());
    auto log = x.files.log();
    EXPECT_FALSE(has_line(log, "Doubled reflections: G-Constraints"));
    EXPECT_EQ(x.st.mtotalg(), 0);
    auto it = std::find(log.begin(), log.end(), "Expanded reflections: G-Constraints");
    ASSERT_TRUE(it + 2 < log.end());
    EXPECT_EQ(it[2], " None");
}

TEST(ExpandReflections, InputListTakesTheOrderFGExtra) {
    Expansion x({8, 8, 8}, {kScrew}, true);
    set_refl(x.st, {{{0, 0, 0}, 100, 0, 1}, {{1, 1, 0}, 3, 0, 1}}, {{50, 2, {{0, 1, 0}}}}, {{{2, 2, 2}, 9, 1, 1}},
             "EGF");
    EXPECT_FALSE(x.stops());
    EXPECT_EQ(x.st.sec.f.start, 1);
    EXPECT_EQ(x.st.sec.f.end, 2);
    EXPECT_EQ(x.st.refl(2).a, 3);
    EXPECT_EQ(x.st.refl(2).mult, 2);
    EXPECT_EQ(x.st.sec.prif.start, 3);
    EXPECT_EQ(x.st.sec.prif.end, 2);
    EXPECT_EQ(x.st.sec.g.start, 3);
    EXPECT_EQ(x.st.refl(3).a, 50);
    EXPECT_EQ(x.st.refl(3).mult, 1);
    EXPECT_EQ(x.st.sec.extra.start, 4);
    EXPECT_EQ(x.st.refl(4).a, 9);
    EXPECT_EQ(x.st.totalfpg(), 3);
}
