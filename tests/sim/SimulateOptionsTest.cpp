// The virtual projector's options as text, for the command line.
#include <gtest/gtest.h>

#include "sim/SimulateOptions.h"

namespace corvane::sim {
namespace {

TEST(SimulateOptions, IdentityLayoutAndTiming) {
    ProjectorConfig config;
    ASSERT_TRUE(ApplySimulateOptions(
        "platform=PJX9;part=77-1;serial=S9;ident=VELTA2;partitions=2,80000,0,40000;"
        "mode=normal;restart-mode=normal;restart-delay=25;detached",
        config));
    EXPECT_EQ("PJX9", config.platformId);
    EXPECT_EQ("77-1", config.partNumber);
    EXPECT_EQ("S9", config.serialNumber);
    EXPECT_EQ("VELTA2", config.identification);
    EXPECT_EQ((PartitionLayout{0x80000, {0, 0x40000}}), config.layout);
    EXPECT_EQ(ProjectorMode::Normal, config.mode);
    EXPECT_EQ(ProjectorMode::Normal, config.modeAfterRestart);
    EXPECT_EQ(std::chrono::milliseconds(25), config.restartDelay);
    EXPECT_FALSE(config.startAttached);
}

TEST(SimulateOptions, EveryFault) {
    ProjectorConfig config;
    ASSERT_TRUE(ApplySimulateOptions(
        "refuse=F:6;refuse=I;refuse=Sync:always;zlp=B:2;split=P:7;long-reply=B:1100:3;"
        "silence=V;unplug-at=E;unplug-after-blocks=20;wrong-crc=2;descriptor=4,100000;pacing",
        config));
    const FaultConfig& f = config.faults;
    EXPECT_EQ(6, f.refusals.at(Command::Program));
    EXPECT_EQ(1, f.refusals.at(Command::Identify));
    EXPECT_EQ(kAlways, f.refusals.at(Command::Sync));
    EXPECT_EQ(2, f.zeroLengthPackets.at(Command::Partitions));
    EXPECT_EQ(7u, f.splits.at(Command::Platform).atByte);
    EXPECT_EQ(1, f.splits.at(Command::Platform).times);
    EXPECT_EQ(1100u, f.longReplies.at(Command::Partitions).length);
    EXPECT_EQ(3, f.longReplies.at(Command::Partitions).times);
    EXPECT_EQ(Command::Verify, f.silenceAt);
    EXPECT_EQ(Command::Erase, f.unplugAt);
    EXPECT_EQ(20, f.unplugAfterBlocks);
    EXPECT_EQ(2, f.wrongChecksums);
    EXPECT_EQ("4,100000", f.partitionReply);
    EXPECT_TRUE(f.fullSpeedPacing);
}

TEST(SimulateOptions, BadItemsChangeNothingAndSayWhy) {
    for (const char* bad :
         {"colour=red", "refuse=Q", "refuse=F:x", "refuse=F:1:2", "split=P", "split=P:0",
          "long-reply=B:-5", "silence=V:2", "partitions=4,100000", "mode=turbo",
          "restart-delay=soon", "wrong-crc", "pacing=1", "=", "unplug-after-blocks=-1"}) {
        ProjectorConfig config;
        std::string error;
        EXPECT_FALSE(ApplySimulateOption(bad, config, &error)) << bad;
        EXPECT_NE(std::string::npos, error.find(bad)) << bad;
        EXPECT_TRUE(config.faults.refusals.empty()) << bad;
        EXPECT_EQ(DefaultPartitionLayout(), config.layout) << bad;
    }
}

TEST(SimulateOptions, StopsAtTheFirstBadItem) {
    ProjectorConfig config;
    std::string error;
    EXPECT_FALSE(ApplySimulateOptions("part=1;bogus;serial=2", config, &error));
    EXPECT_EQ("1", config.partNumber);
    EXPECT_EQ("A10000012345", config.serialNumber);
    EXPECT_TRUE(ApplySimulateOptions(";;", config));
}

}  // namespace
}  // namespace corvane::sim
