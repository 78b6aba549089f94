// Reading a prior density from a file of each readable type.
#include <gtest/gtest.h>

#include "density/density_state.h"
#include "density/files.h"
#include "density/prior.h"
#include "textio/stop.h"

namespace quilmo {
namespace {

using quilmo_test::DensityRun;

TEST(ReadDensity, EachFileTypeFillsRhoAndIsScaledToTheCharge) {
    const std::pair<const char*, FileResult (*)(RunState&, const std::string&)> cases[] = {
        {"QLascii", writeql}, {"QLbinary", writerawql}};
    for (auto [type, writer] : cases) {
        auto run = DensityRun::three(3, 3, 2);
        ASSERT_EQ(writer(run->st, run->path("prior")), FileResult::Ok);
        const double first = run->st.rho(0), second = run->st.rho(1);
        run->st.rho.fill(0);
        run->st.charge = 10;
        run->st.ctype = fixed("normalize", 10);
        readdensity(run->st, fixed(type, 264), fixed(run->path("prior"), 264));
        double sum = 0;
        for (double v : run->st.rho.vec()) sum += v;
        EXPECT_NEAR(sum, 10, 1e-12) << type;
        EXPECT_NEAR(run->st.rho(0) / run->st.rho(1), first / second, 1e-12) << type;
    }
    auto run = DensityRun::three(3, 3, 2);
    ASSERT_EQ(writejana(run->st, run->path("prior"), false), FileResult::Ok);
    const double first = run->st.rho(0);
    readdensity(run->st, fixed("jana", 264), fixed(run->path("prior"), 264));
    EXPECT_NEAR(run->st.rho(0), first, 1e-6 * std::fabs(first));
}

TEST(ReadDensity, UnreadableFileStopsWithTheTypesMessage) {
    const std::pair<const char*, const char*> cases[] = {
        {"jana", "Error reading prior density file (jana2000 format)!\n"},
        {"QLascii", "Error reading prior density file (Quilmo-ASCII format)!\n"},
        {"QLbinary", "Error reading prior density file (Quilmo-binary format)!\n"}};
    for (auto [type, message] : cases) {
        auto run = DensityRun::three(2, 2, 2);
        EXPECT_THROW(readdensity(run->st, fixed(type, 264), fixed(run->path("none"), 264)), RunStop);
        const std::string out = run->out.str();
        EXPECT_EQ(out.substr(out.size() - std::string(message).size()), message) << type;
        EXPECT_NE(out.find("Error! Cannot open density file for reading!"), std::string::npos);
    }
}

}  // namespace
}  // namespace quilmo
