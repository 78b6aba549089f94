// The options a user tries first: help and version end at once, with
// status 0, and leave the folder as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/e2e.h"

using quilmo_test::run_quilmo;
using quilmo_test::TempDir;

namespace {

TEST(CommandLine, HelpAndVersionExitZeroAndCreateNoFile) {
    const struct {
        const char* option;
        const char* says;
    } cases[] = {{"--help", "Usage: quilmo [title [cycle limit]]\n"},
                 {"-h", "<title>.QLcom"},
                 {"--version", "quilmo 0."},
                 {"-V", "quilmo "}};
    for (const auto& c : cases) {
        TempDir dir;
        auto r = run_quilmo(dir, {c.option, "5"});
        EXPECT_EQ(r.status, 0) << c.option;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.option << r.out;
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << c.option;
    }
}

}  // namespace
