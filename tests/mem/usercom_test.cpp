#include "mem/usercom.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/e2e.h"
#include "textio/text.h"

using namespace quilmo;
using quilmo_test::TempDir;

namespace {

// A run state whose command file and log live in a scratch folder.
struct ComRun {
    TempDir dir;
    RunState st;
    std::string name;
    ComRun() {
        name = (dir / "run.QLcom").string();
        st.comfile = fixed(name, 264);
        st.log.open((dir / "run.QLlog").string(), TextOut::Mode::Append);
    }
    void command(const std::string& line) { dir.write("run.QLcom", line + "\n"); }
    bool present() const { return dir.exists("run.QLcom"); }
    std::string log() {
        st.log.flush();
        return dir.read("run.QLlog");
    }
};

}  // namespace

TEST(UserCom, NoFileIsNoCommandAndNoMessage) {
    ComRun r;
    EXPECT_FALSE(usercom(r.st, "STOP", "   "));
    EXPECT_EQ(r.log(), "");
}

TEST(UserCom, StopIsTakenAndTheFileDeleted) {
    ComRun r;
    r.command("STOP");
    EXPECT_TRUE(usercom(r.st, "STOP", "   "));
    EXPECT_FALSE(r.present());
    EXPECT_FALSE(usercom(r.st, "DENSITY", "CHR"));
    EXPECT_EQ(r.log(), "");
}

TEST(UserCom, DensityWaitsForItsOwnLookAndReadsTheName) {
    ComRun r;
    r.command("DENSITY mid.asc");
    EXPECT_FALSE(usercom(r.st, "STOP", "   "));
    EXPECT_TRUE(r.present());
    EXPECT_TRUE(usercom(r.st, "DENSITY", "CHR"));
    EXPECT_EQ(r.st.com.chr, fixed("mid.asc", 132));
    EXPECT_FALSE(r.present());
}

TEST(UserCom, QuotedNameKeepsItsBlank) {
    ComRun r;
    r.command("DENSITY 'my map.asc'");
    EXPECT_TRUE(usercom(r.st, "DENSITY", "CHR"));
    EXPECT_EQ(trim(r.st.com.chr), "my map.asc");
}

TEST(UserCom, MissingValueIsAReadingErrorAndTheFileGoes) {
    ComRun r;
    r.command("DENSITY");
    EXPECT_FALSE(usercom(r.st, "DENSITY", "CHR"));
    EXPECT_FALSE(r.present());
    EXPECT_EQ(r.log(), "Reading error or invalid key/value in the " + r.name +
                           ". Ignoring it and deleting.\r\n");
}

TEST(UserCom, EmptyFileIsAReadingError) {
    ComRun r;
    r.dir.write("run.QLcom", "");
    EXPECT_FALSE(usercom(r.st, "STOP", "   "));
    EXPECT_FALSE(r.present());
    EXPECT_NE(r.log().find("Reading error or invalid key/value in the "), std::string::npos);
}

TEST(UserCom, WordMustStandAtTheStartInItsOwnCase) {
    for (const char* line : {" STOP", "stop", "STO"}) {
        ComRun r;
        r.command(line);
        EXPECT_FALSE(usercom(r.st, "STOP", "   ")) << line;
        EXPECT_FALSE(usercom(r.st, "DENSITY", "CHR")) << line;
        EXPECT_FALSE(usercom(r.st, "STOP", "   ")) << line;
        EXPECT_TRUE(r.present()) << line;
        EXPECT_EQ(r.log(), "") << line;
    }
}

TEST(UserCom, NumbersAreReadAfterTheWord) {
    ComRun r;
    r.command("CYCLES 42");
    EXPECT_TRUE(usercom(r.st, "CYCLES", "INT"));
    EXPECT_EQ(r.st.com.int_, 42);
    r.command("LAMBDA 0.25e-1");
    EXPECT_TRUE(usercom(r.st, "LAMBDA", "DBL"));
    EXPECT_DOUBLE_EQ(r.st.com.dbl, 0.025);
    r.command("LAMBDA x");
    EXPECT_FALSE(usercom(r.st, "LAMBDA", "DBL"));
    EXPECT_FALSE(r.present());
}
