#include <gtest/gtest.h>

#include "input/input.h"
#include "support/crystal.h"
#include "support/e2e.h"
#include "textio/stop.h"

using namespace quilmo;
using quilmo_test::Op;

namespace {

const Op kE = {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}};
const Op kInv = {{-1, 0, 0, 0, -1, 0, 0, 0, -1}, {0, 0, 0}};

// The run state as the second reading pass leaves it.
struct AfterRead {
    quilmo_test::TempDir dir;
    RunState st;
    std::ostringstream con;
    AfterRead(std::vector<double> cell, std::vector<int> nvox, std::vector<Op> ops) {
        quilmo_test::make_crystal(st, con, cell, nvox);
        quilmo_test::set_symmetry(st, ops);
        st.logfile = fixed((dir / "t.QLlog").string(), 264);
        st.memreflfile = fixed((dir / "t.QLout").string(), 264);
        st.initrhotype = fixed("flat", 264);
        st.charge = 98.304;
        st.algorithm = 1;
        st.refl.allocate(1, 1);
        st.log.open(quilmo::trim(st.logfile), TextOut::Mode::Append);
    }
};

}  // namespace

TEST(Afterpass2, GridSizesArraysAndFlatPrior) {
    AfterRead a({10, 10, 10, 90, 90, 90}, {32, 32, 48}, {kE, kInv});
    afterpass2(a.st);
    const RunState& st = a.st;
    EXPECT_EQ(st.nvoxtot, 49152);
    EXPECT_EQ(st.n(1), 32);
    EXPECT_EQ(st.n(2), 1024);
    EXPECT_EQ(st.n(3), 49152);
    EXPECT_EQ(st.lstrhoel, 49151);
    EXPECT_EQ(st.lstel, 98303);
    EXPECT_EQ(st.rho.size(), 49152);
    EXPECT_EQ(st.sf.nvoxtot(), 49152);
    EXPECT_NEAR(st.capvx, 1000.0 / 49152, 1e-15);
    EXPECT_NEAR(st.epv, 0.002, 1e-15);
    EXPECT_NEAR(st.rho(49151), 0.002, 1e-15);
    EXPECT_EQ(st.nsym, 2);
    EXPECT_EQ(st.rmati(1, 1, 2), -1);
    EXPECT_TRUE(a.con.str().empty()) << a.con.str();
    EXPECT_FALSE(st.log.is_open());
    EXPECT_TRUE(a.dir.exists("t.QLout"));
}

TEST(Afterpass2, ZeroVolumeCellStopsWithItsOwnMessageOnly) {
    AfterRead a({10, 10, 10, 90, 90, 0}, {8, 8, 8}, {kE});
    a.con.str("");
    EXPECT_THROW(afterpass2(a.st), RunStop);
    EXPECT_EQ(a.con.str(),
              "Error, the cell parameters define a cell with zero volume. Please correct the parameters.\n");
}

TEST(Afterpass2, IncompleteGroupStops) {
    AfterRead a({10, 10, 10, 90, 90, 90}, {8, 8, 8}, {kE, kInv, kInv});
    EXPECT_THROW(afterpass2(a.st), RunStop);
    EXPECT_EQ(a.con.str(), "Error, the symmetry operators  2 and  3 are identical!\n");
}

TEST(Afterpass2, ChargeFlippingReferenceDensity) {
    AfterRead flat({10, 10, 10, 90, 90, 90}, {8, 8, 8}, {kE});
    flat.st.flipcharge = true;
    flat.st.performmem = false;
    flat.st.refrhotype = fixed("flat", 264);
    EXPECT_THROW(afterpass2(flat.st), RunStop);
    EXPECT_EQ(flat.con.str(), "Error, reference density in charge flipping cannnot be flat!\n");

    AfterRead none({10, 10, 10, 90, 90, 90}, {8, 8, 8}, {kE});
    none.st.flipcharge = true;
    afterpass2(none.st);  // CF+MEM: zero reference, flat prior
    ASSERT_EQ(none.st.refrho.size(), 512);
    EXPECT_EQ(none.st.refrho(511), 0.0);
    EXPECT_GT(none.st.rho(511), 0.0);
}

TEST(Afterpass2, PriorTypeWithoutFileStops) {
    AfterRead a({10, 10, 10, 90, 90, 90}, {8, 8, 8}, {kE});
    a.st.initrhotype = fixed("jana", 264);
    EXPECT_THROW(afterpass2(a.st), RunStop);
    EXPECT_EQ(a.con.str(), "Error, no input density file specified!\n");
}
