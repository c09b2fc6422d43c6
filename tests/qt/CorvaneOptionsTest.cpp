// corvane's command line: the window's few options and the shared --sim-*.
#include "app/ui/qt/CorvaneOptions.h"

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

std::string Read(std::vector<std::string> arguments, cli::DeviceOptions& options) {
    return qt::ReadCorvaneOptions(arguments, options);
}

TEST(CorvaneOptions, SimulateTakesTheSharedProjectorOptions) {
    cli::DeviceOptions options;
    EXPECT_EQ(Read({"--simulate", "--sim-part-number", "777-1", "--sim-fault", "refuse=E",
                    "--settings", "/tmp/x.reg", "--sim-pace"},
                   options),
              "");
    EXPECT_TRUE(options.simulate);
    EXPECT_EQ(options.projector.partNumber, "777-1");
    EXPECT_EQ(options.settingsFile, "/tmp/x.reg");
}

TEST(CorvaneOptions, NothingIsAWindowWaitingForAProjector) {
    cli::DeviceOptions options;
    EXPECT_EQ(Read({}, options), "");
    EXPECT_FALSE(options.simulate);
}

TEST(CorvaneOptions, RefusesWhatTheWindowHasNoUseFor) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--json"},
                                               {"file.hex"},
                                               {"--simulate", "-v"},
                                               {"--sim-pace"},  // needs --simulate
                                               {"--simulate", "--sim-fault", "bogus=1"},
                                               {"--settings"}}) {
        cli::DeviceOptions options;
        EXPECT_NE(Read(arguments, options), "") << arguments[0];
    }
}

}  // namespace
}  // namespace corvane::test
