// The output dispatch: default names, spare names, the console menu.
#include <gtest/gtest.h>

#include <filesystem>

#include "density/density_state.h"
#include "density/files.h"
#include "textio/stop.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;

// Spare names live in the working directory: each test works inside its
// scratch folder.
class RhoWrite : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::filesystem::current_path();
        std::filesystem::current_path(run_->dir.path());
        run_->st.filetitle = fixed("abc", 264);
        run_->st.filebase = 4;
        run_->st.logfile = fixed("abc.QLlog", 264);
    }
    void TearDown() override { std::filesystem::current_path(saved_); }

    RunState& st() { return run_->st; }
    DensityRun& run() { return *run_; }

    std::unique_ptr<DensityRun> run_ = DensityRun::three(3, 2, 2);
    std::filesystem::path saved_;
};

TEST_F(RhoWrite, DefaultNamesFollowTheTitle) {
    const std::pair<const char*, const char*> cases[] = {
        {"QLascii", "abc.asc"}, {"QLbinary", "abc.raw"}, {"xplor", "abc.xplor"}, {"jana+1", "abc.m81"}};
    for (auto [type, name] : cases) {
        st().outrhotype = fixed(type, 264);
        st().outrhofile = std::string(264, ' ');
        rhowrite(st());
        EXPECT_TRUE(run().dir.exists(name)) << type;
        EXPECT_EQ(st().outrhofile, fixed(name, 264));
    }
    // jana+1 writes the borders: four points on the first axis of three.
    const std::string m81 = run().dir.read("abc.m81");
    EXPECT_EQ(m81[0], 4);
    EXPECT_EQ(run().out.str(), "");
}

TEST_F(RhoWrite, ExistingFileFallsBackToSpareNames) {
    st().outrhotype = fixed("QLascii", 264);
    run().dir.write("abc.asc", "keep");
    rhowrite(st());
    EXPECT_EQ(run().dir.read("abc.asc"), "keep");
    EXPECT_TRUE(run().dir.exists("qlmap00.asc"));
    EXPECT_EQ(st().outrhofile, fixed("qlmap00.asc", 264));
    const std::string log = run().dir.read("abc.QLlog");
    EXPECT_EQ(log, "\r\nRoutine WriteQL:\r\nError! Cannot open density file for writing!\r\n"
                   "Output file: abc.asc\r\nNothing has been saved! Returning...\r\n\r\n"
                   "Electron density written to file qlmap00.asc\r\n");

    st().outrhofile = std::string(264, ' ');
    rhowrite(st());
    EXPECT_TRUE(run().dir.exists("qlmap01.asc"));
    EXPECT_EQ(st().outrhofile, fixed("qlmap01.asc", 264));
}

TEST_F(RhoWrite, UnknownTypeAsksOnTheConsole) {
    st().outrhotype = fixed("Jana", 264);
    run().in.str("7\nx\n1\nchosen.asc\n");
    rhowrite(st());
    EXPECT_TRUE(run().dir.exists("chosen.asc"));
    EXPECT_EQ(st().outrhofile, std::string(264, ' '));
    EXPECT_EQ(run().out.str(),
              "\nWhat format shall your density file be?\n (1) Quilmo in ASCII (6 values per line)\n"
              " (2) Quilmo in binary\n (3) JANA 2000\n (4) JANA 2000 with redundant borders\n"
              " (5) XPlor ascii format\n"
              "Type the corresponding number: \n 7 is out of range! Please try again...\n\n"
              "Type the corresponding number: \n x is out of range! Please try again...\n\n"
              "Type the corresponding number: Name of the electron density file?\n\n");
}

TEST_F(RhoWrite, FailedConsoleNameShowsTheMenuAgain) {
    st().outrhotype = fixed("none", 264);
    run().dir.write("taken.raw", "keep");
    run().in.str("2\ntaken.raw\n3\nfree.m81\n");
    rhowrite(st());
    EXPECT_EQ(run().dir.read("taken.raw"), "keep");
    EXPECT_TRUE(run().dir.exists("free.m81"));
    const std::string out = run().out.str();
    EXPECT_NE(out.find("What format"), out.rfind("What format"));
}

TEST_F(RhoWrite, AllSpareNamesTakenLeadsToTheMenu) {
    st().outrhotype = fixed("QLbinary", 264);
    run().dir.write("abc.raw", "keep");
    for (int nn = 0; nn <= 98; ++nn)
        run().dir.write(fformat("(A,i2.2,A)", {"qlmap", nn, ".raw"}, false), "keep");
    run().in.str("1\nlast.asc\n");
    rhowrite(st());
    EXPECT_TRUE(run().dir.exists("last.asc"));
    EXPECT_EQ(st().outrhotype, fixed("none", 264));
}

TEST_F(RhoWrite, WriterThatLeavesNoFileDoesNotLoopOnOneSpareName) {
    // A four-dimensional density has no XPLOR form: every name fails
    // without making a file, and the user is asked in the end.
    DensityRun four({3, 2, 2, 2}, 3, {10, 12.5, 7.25, 90, 105.5, 90}, 874.0);
    four.st.outrhotype = fixed("xplor", 264);
    four.st.filetitle = fixed("abc", 264);
    four.st.filebase = 4;
    four.in.str("1\nfour.asc\n");
    rhowrite(four.st);
    EXPECT_TRUE(run().dir.exists("four.asc"));
    EXPECT_FALSE(run().dir.exists("qlmap00.xplor"));
    EXPECT_EQ(four.st.outrhotype, fixed("none", 264));
}

TEST_F(RhoWrite, ClosedConsoleStopsTheRun) {
    st().outrhotype = fixed("none", 264);
    run().in.str("9\n");
    EXPECT_THROW(rhowrite(st()), RunStop);
}

}  // namespace
}  // namespace quilmo
