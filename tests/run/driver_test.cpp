#include <gtest/gtest.h>

#include <sstream>

#include "input/input.h"
#include "run/console.h"
#include "run/templates.h"
#include "support/e2e.h"
#include "textio/stop.h"

namespace quilmo {
namespace {

TEST(RunFileNames, ExtensionIsWrittenFromTheGivenPosition) {
    std::string title = fixed("abc", 264);
    std::string log = with_extension(title, 4, ".QLlog");
    EXPECT_EQ(log.size(), 264u);
    EXPECT_EQ(trim(log), "abc.QLlog");
    // A shorter name written over a longer one keeps the rest of the text.
    EXPECT_EQ(trim(with_extension(fixed("abc.QLsymtb", 264), 4, ".asc")), "abc.ascymtb");
}

TEST(RunState, DefaultStridesAndSwitches) {
    RunState st;
    for (int k = 0; k <= 8; ++k) EXPECT_EQ(st.n(k), 1);
    EXPECT_TRUE(st.performmem);
    EXPECT_FALSE(st.fourier);
    EXPECT_EQ(st.maxcycles, 11000);
    EXPECT_EQ(trim(st.spacegrp), "not given");
    EXPECT_EQ(st.initrhotype.size(), 264u);
    EXPECT_EQ(st.ctype, "none      ");
}

TEST(ReportTemplates, CountsAreWrittenIntoTheirBlanks) {
    EXPECT_EQ(fhklform(3), "(  3I4,4F14.7,2I4,I10,F14.7)");
    EXPECT_EQ(ghklform(8), "(  8I4,14X,14X,28X,2I4,I10)");
    EXPECT_EQ(cellform(6), "(A, 6F10.5,F10.2)");
    EXPECT_EQ(rcellform(10), "(A,10F10.5,ES13.6)");
    EXPECT_EQ(sfsymform(4), "( 4F5.1,F8.3,A)");
    EXPECT_EQ(pixform(3), "(A,  3I6)");
}

TEST(InitInput, NamesTheRunFilesAfterTheTitle) {
    quilmo_test::TempDir dir;
    RunState st;
    std::ostringstream out;
    st.con = &out;
    std::string title = (dir / "abc").string();
    dir.write("abc.Quilmo", "title x\n");
    st.args = {title, "500"};
    initinput(st);
    EXPECT_EQ(trim(st.logfile), title + ".QLlog");
    EXPECT_EQ(trim(st.memreflfile), title + ".QLout");
    EXPECT_EQ(trim(st.symfile), title + ".QLsymtb");
    EXPECT_EQ(trim(st.comfile), title + ".QLcom");
    EXPECT_EQ(trim(st.inputfile), title + ".Quilmo");
    EXPECT_EQ(st.filebase, static_cast<int>(title.size()) + 1);
    EXPECT_EQ(st.maxcycles, 500);
    EXPECT_EQ(getreclfac(), 4);
    EXPECT_EQ(st.date.substr(0, 4), st.year);
    EXPECT_EQ(st.time[6], '.');
    EXPECT_TRUE(st.log.is_open());
    EXPECT_TRUE(st.input.is_open());
}

// The writers after the log report need the log of this run: one that has
// gone is not silently started again, and an open log is kept as it is.
TEST(OpenLog, WritersNeedTheExistingLogAndKeepAnOpenOne) {
    quilmo_test::TempDir dir;
    RunState st;
    std::ostringstream out;
    st.con = &out;
    st.logfile = fixed((dir / "t.QLlog").string(), kNameLen);
    EXPECT_THROW(open_log(st), RunStop);
    EXPECT_EQ(out.str(), "Error opening log file. Check the access rights!\n");
    EXPECT_FALSE(dir.exists("t.QLlog"));

    open_log(st, TextOut::Mode::Append);  // the run set-up creates it
    st.log.write("(A)", {"first"}, false);
    open_log(st);  // still open: the record goes on
    st.log.write("(A)", {" line"});
    st.log.close();
    EXPECT_EQ(dir.read("t.QLlog"), "first line\r\n");
}

TEST(Fstatc, GivesTheSizeOrAStatus) {
    quilmo_test::TempDir dir;
    dir.write("f", "12345");
    std::string name = (dir / "f").string() + "   ";
    long size = -7;
    int status = -1;
    fstatc(name, static_cast<int>(name.size()) - 3, size, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(size, 5);
    size = -7;
    fstatc(name, static_cast<int>(name.size()), size, status);  // blanks are part of the name
    EXPECT_NE(status, 0);
    EXPECT_EQ(size, -7);
}

}  // namespace
}  // namespace quilmo
