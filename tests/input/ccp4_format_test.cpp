// The CCP4 output type is refused at input time where its header cannot
// describe the density.
#include <gtest/gtest.h>

#include "input/input_run.h"

namespace quilmo {
namespace {

using quilmo_test::base_input;
using quilmo_test::InputRun;

TEST(OutputFormat, CcpFourOnlyForThreeDimensionsAndThreeRealDimensions) {
    InputRun ok(base_input() + "outputformat ccp4\n");
    EXPECT_FALSE(ok.stopped) << ok.out();
    InputRun four("outputformat ccp4\ndimension 4\n" + base_input() + "qvectors\n0 0 0.5\nendqvectors\n");
    EXPECT_TRUE(
        four.said("The ccp4 format needs dimension 3 and realdimension 3!\n"
                  "Error reading keyword outputformat.\n"))
        << four.out();
}

}  // namespace
}  // namespace quilmo
