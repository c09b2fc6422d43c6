// Every injected fault, as the host sees it.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/sim/ProjectorHost.h"

namespace corvane::sim {
namespace {

using namespace std::chrono_literals;
using testing::Block;
using testing::ConnectedProjector;
using testing::kAckText;
using testing::kEndBlock;
using testing::kNakText;
using usb::UsbResult;

ProjectorConfig With(FaultConfig faults) {
    ProjectorConfig config;
    config.faults = std::move(faults);
    return config;
}

TEST(Faults, RefusedNTimesThenAnsweredOrAlwaysNeverRunningOut) {
    ConnectedProjector device(With(FaultConfig().Refuse(Command::Identify, 2)));
    EXPECT_EQ(kNakText, device.host.Ask("I"));
    EXPECT_EQ(kNakText, device.host.Ask("I"));
    EXPECT_EQ(kAckText + "VELTA1\r", device.host.Ask("I"));
    EXPECT_EQ(kAckText + "VELTA1\r", device.host.Ask("I"));
    EXPECT_TRUE(device.projector.RemainingFaults().refusals.empty());

    ConnectedProjector always(With(FaultConfig().Refuse(Command::Sync, kAlways)));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(kNakText, always.host.Ask("Sync\r"));
    }
}

TEST(Faults, ARefusedCommandHasNoEffect) {
    ConnectedProjector device(With(FaultConfig()
                                       .Refuse(Command::ClearNvram)
                                       .Refuse(Command::Program)
                                       .Refuse(Command::ErasePartition)
                                       .Refuse(Command::SetPart)));
    EXPECT_EQ(kNakText, device.host.Ask("C"));
    EXPECT_EQ(0, device.projector.NvramClearCount());
    // "F" refused: the block that follows is outside programming mode.
    EXPECT_EQ(kNakText, device.host.Ask("F"));
    EXPECT_EQ(kNakText, device.host.Ask(Block(0, 0, std::string(4, '\0'))));
    EXPECT_NE(0, device.projector.ReadFlash(0, 1).at(0));
    EXPECT_EQ(kAckText, device.host.Ask("E"));
    EXPECT_EQ(kNakText, device.host.Ask("BE00000000\r"));
    EXPECT_NE(0xFF, device.projector.ReadFlash(0, 1).at(0));
    EXPECT_EQ(kAckText, device.host.Ask("S"));
    EXPECT_EQ(kNakText, device.host.Ask("PX\r"));
    EXPECT_EQ("1002-3456-01", device.projector.PartNumber());
}

TEST(Faults, RefusedBlockAndEndBlock) {
    ConnectedProjector device(With(FaultConfig().Refuse(Command::Block).Refuse(Command::EndBlock)));
    device.host.Ask("F");
    EXPECT_EQ(kNakText, device.host.Ask(Block(0, 0, std::string(1, '\0'))));
    device.host.Ask("F");
    EXPECT_EQ(kNakText, device.host.Ask(kEndBlock));
    EXPECT_EQ(LexMode::Command, device.projector.ProtocolMode());
}

TEST(Faults, ReplySplitAtAGivenByte) {
    ConnectedProjector device(With(FaultConfig().Split(Command::Platform, 7)));
    device.host.Ask("Sync\r");
    device.host.Write("P");
    const std::vector<std::string> packets = device.host.Packets();
    ASSERT_EQ(2u, packets.size());
    EXPECT_EQ(kAckText + "PJX200", packets[0]);
    EXPECT_EQ("0-A1\r", packets[1]);
    device.host.Ask("Sync\r");
    device.host.Write("P");
    EXPECT_EQ(1u, device.host.Packets().size());  // once only
}

TEST(Faults, ZeroLengthPacketAheadOfTheReply) {
    ConnectedProjector device(With(FaultConfig().ZeroLengthPacket(Command::Sync)));
    device.host.Write("Sync\r");
    UsbResult result;
    EXPECT_EQ("", device.host.Read(64, &result));
    EXPECT_EQ(UsbResult::Ok, result);
    EXPECT_EQ(kAckText, device.host.Read(64));
}

TEST(Faults, SilenceFromAGivenCommandUntilPluggedAgain) {
    ConnectedProjector device(With(FaultConfig().SilenceAt(Command::Partitions)));
    EXPECT_EQ(kAckText + "VELTA1\r", device.host.Ask("I"));
    EXPECT_EQ("", device.host.Ask("B"));
    EXPECT_TRUE(device.projector.IsSilenced());
    EXPECT_EQ("", device.host.Ask("I"));
    EXPECT_EQ("", device.host.Ask("C"));
    EXPECT_EQ(0, device.projector.NvramClearCount());     // a silent projector does nothing
    EXPECT_EQ("IBIC", device.projector.ReceivedBytes());  // still taken and logged
    device.projector.Unplug();
    device.projector.Plug();
    device.host.Configure();
    EXPECT_FALSE(device.projector.IsSilenced());
    EXPECT_EQ(kAckText + "4,100000,0,10000,80000,F0000\r", device.host.Ask("B"));
}

TEST(Faults, WrongChecksum) {
    ProjectorConfig config = With(FaultConfig().WrongChecksums(1));
    config.layout = PartitionLayout{9, {0}};
    ConnectedProjector device(config);
    device.host.Ask("E");
    device.host.Ask("BE00000000\r");
    device.host.Ask("F");
    device.host.Ask(Block(0, 0, "123456789"));
    device.host.Ask(kEndBlock);
    device.host.Ask("V");
    EXPECT_EQ("44C2\r", device.host.Ask("0000000000000000\r"));  // 0xBB3D ^ 0xFFFF
    device.host.Ask("V");
    EXPECT_EQ("BB3D\r", device.host.Ask("0000000000000000\r"));
}

TEST(Faults, MalformedPartitionDescriptors) {
    for (const char* text : {"4100000", "4,100000,0,10000", "x"}) {
        ConnectedProjector device(With(FaultConfig().PartitionReply(text)));
        EXPECT_EQ(kAckText + text + "\r", device.host.Ask("B"));
    }
}

TEST(Faults, DescriptorAnnouncingSixtyFivePartitions) {
    PartitionLayout layout{0x1000000, {}};
    for (uint32_t i = 0; i < 65; ++i) {
        layout.starts.push_back(i * 0x10000);
    }
    const std::string text = FormatPartitionDescriptor(layout);
    ConnectedProjector device(With(FaultConfig().PartitionReply(text)));
    device.host.Write("B");
    const std::vector<std::string> packets = device.host.Packets();
    std::string reply;
    for (const std::string& packet : packets) {
        EXPECT_LE(packet.size(), 64u);
        reply += packet;
    }
    EXPECT_EQ(kAckText + text + "\r", reply);
    EXPECT_EQ((reply.size() + 63) / 64, packets.size());
}

TEST(Faults, IdentificationLongerThanTenCharacters) {
    ProjectorConfig config;
    config.identification = "VELTA1-EXTENDED";
    ConnectedProjector device(config);
    EXPECT_EQ(kAckText + "VELTA1-EXTENDED\r", device.host.Ask("I"));
}

TEST(Faults, ReplyLongerThan1024Bytes) {
    ConnectedProjector device(With(FaultConfig().LongReply(Command::Partitions, 1100)));
    const std::string reply = device.host.Ask("B");
    ASSERT_EQ(1100u, reply.size());
    EXPECT_EQ(kAckText + "4,100000,0,10000,80000,F0000~~~", reply.substr(0, 32));
    EXPECT_EQ("~~\r", reply.substr(1097));
    EXPECT_EQ(kAckText + "4,100000,0,10000,80000,F0000\r", device.host.Ask("B"));

    ConnectedProjector ack(With(FaultConfig().LongReply(Command::Exit, 1025)));
    const std::string padded = ack.host.Ask("X");
    EXPECT_EQ(kAckText + std::string(1024, '~'), padded);
}

TEST(Faults, UnplugAfterNImageBlocks) {
    testing::PortDouble port;
    ConnectedProjector device(With(FaultConfig().UnplugAfterBlocks(3)));
    device.projector.SetPort(&port);
    device.host.Ask("E");
    device.host.Ask("BE00000000\r");
    device.host.Ask("F");
    EXPECT_EQ(kAckText, device.host.Ask(Block(0, 0, std::string(1, '\0'))));
    EXPECT_EQ(kAckText, device.host.Ask(Block(0, 1, std::string(1, '\0'))));
    EXPECT_TRUE(port.Events().empty());
    EXPECT_EQ(UsbResult::Ok, device.host.Write(Block(0, 2, std::string(1, '\0'))));
    EXPECT_FALSE(device.projector.IsAttached());
    ASSERT_TRUE(port.WaitForEvents(1, 2s));
    EXPECT_EQ(std::vector<std::string>{"detached"}, port.Events());
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0xFF}), device.projector.ReadFlash(0, 3));
    EXPECT_EQ(UsbResult::NoDevice, device.host.Write(kEndBlock));
    EXPECT_EQ(0u, device.projector.PendingPackets());

    // Plugged in again, the count starts afresh and the fault is used up.
    device.projector.Plug();
    device.host.Configure();
    device.host.Ask("F");
    for (uint32_t a = 0; a < 4; ++a) {
        EXPECT_EQ(kAckText, device.host.Ask(Block(0, a, std::string(1, '\0'))));
    }
    device.projector.SetPort(nullptr);
}

TEST(Faults, UnplugWhenACommandArrives) {
    ConnectedProjector device(With(FaultConfig().UnplugAt(Command::Erase)));
    EXPECT_EQ(kAckText, device.host.Ask("Sync\r"));
    EXPECT_EQ(UsbResult::Ok, device.host.Write("EBE00000000\r"));
    EXPECT_FALSE(device.projector.IsAttached());
    EXPECT_NE(0xFF, device.projector.ReadFlash(0, 1).at(0));
    EXPECT_EQ("Sync\rEBE00000000\r", device.projector.ReceivedBytes());
}

TEST(Faults, FullSpeedPacingCostsAFramePerTransfer) {
    ConnectedProjector device(With(FaultConfig().FullSpeedPacing()));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        device.host.Ask("X");  // one OUT and one IN transfer each
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST(Faults, SetAtRunTime) {
    ConnectedProjector device;
    EXPECT_EQ(kAckText, device.host.Ask("X"));
    device.projector.SetFaults(FaultConfig().Refuse(Command::Exit));
    EXPECT_EQ(kNakText, device.host.Ask("X"));
    EXPECT_EQ(kAckText, device.host.Ask("X"));
}

TEST(Faults, CommandNamesRoundTrip) {
    for (int i = 0; i <= static_cast<int>(Command::Unexpected); ++i) {
        const auto command = static_cast<Command>(i);
        EXPECT_EQ(command, CommandFromName(CommandName(command))) << i;
    }
    EXPECT_EQ(Command::ErasePartition, CommandFromName("BE"));
    EXPECT_FALSE(CommandFromName("Q").has_value());
}

}  // namespace
}  // namespace corvane::sim
