// IN transfers: packets of at most 64 bytes, blocking until there is a reply,
// and failing at once when the projector leaves the bus.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/ReplyQueue.h"
#include "tests/sim/ProjectorHost.h"

namespace corvane::sim {
namespace {

using namespace std::chrono_literals;
using testing::ConnectedProjector;
using testing::kAckText;
using usb::UsbResult;

TEST(ReplyQueue, CutsRepliesIntoPackets) {
    ReplyQueue queue;
    queue.Push(std::string(130, 'a'));
    queue.Push("bc");
    queue.Push("");
    ASSERT_EQ(4u, queue.PacketCount());
    EXPECT_EQ(64u, queue.Take(64).size());
    EXPECT_EQ(64u, queue.Take(100).size());
    EXPECT_EQ(2u, queue.Take(64).size());
    EXPECT_EQ((std::vector<uint8_t>{'b'}), queue.Take(1));
    EXPECT_EQ((std::vector<uint8_t>{'c'}), queue.Take(64));
    EXPECT_TRUE(queue.Empty());
    queue.Push("0123456789", 3);
    queue.PushZeroLength();
    ASSERT_EQ(3u, queue.PacketCount());
    EXPECT_EQ(3u, queue.Take(64).size());
    EXPECT_EQ(7u, queue.Take(64).size());
    EXPECT_TRUE(queue.Take(64).empty());
    queue.Push("abc", 3);  // a split at the end is no split
    EXPECT_EQ(1u, queue.PacketCount());
}

ProjectorConfig WithDescriptorReply(size_t length) {
    ProjectorConfig config;
    config.faults.PartitionReply(std::string(length, '9'));
    return config;
}

TEST(Packets, LongRepliesComeInFullPacketsThenAShortOneOrNone) {
    ConnectedProjector device(WithDescriptorReply(148));  // reply: 150 bytes
    device.host.Write("B");
    const std::vector<std::string> packets = device.host.Packets();
    ASSERT_EQ(3u, packets.size());
    EXPECT_EQ(64u, packets[0].size());
    EXPECT_EQ(64u, packets[1].size());
    EXPECT_EQ(22u, packets[2].size());
    EXPECT_EQ('\x06', packets[0][0]);
    EXPECT_EQ('\r', packets[2].back());

    // A reply of exactly one full packet is followed by nothing.
    ConnectedProjector full(WithDescriptorReply(62));
    full.host.Write("B");
    EXPECT_EQ(64u, full.host.Read(64).size());
    EXPECT_EQ(0u, full.projector.PendingPackets());
}

TEST(Packets, ALargeInTransferCollectsUntilTheShortPacket) {
    ConnectedProjector device(WithDescriptorReply(148));
    device.host.Write("B");
    device.host.Write("I");
    EXPECT_EQ(150u, device.host.Read(2052).size());
    EXPECT_EQ(kAckText + "VELTA1\r", device.host.Read(2052));
}

TEST(Packets, ATransferForFewerBytesLeavesTheRest) {
    ConnectedProjector device;
    device.host.Write("Sync\r");
    device.host.Write("P");
    EXPECT_EQ(kAckText, device.host.Read(1));
    EXPECT_EQ("\x06PJX", device.host.Read(4));
    EXPECT_EQ("2000-A1\r", device.host.Read(64));
    UsbResult result;
    EXPECT_EQ("", device.host.Read(0, &result));  // nothing asked, nothing waited for
    EXPECT_EQ(UsbResult::Ok, result);
}

TEST(Packets, TransfersWithoutABufferStall) {
    ConnectedProjector device;
    uint32_t transferred = 7;
    EXPECT_EQ(UsbResult::Stall,
              device.projector.BulkTransfer(kEndpointIn, nullptr, 64, &transferred));
    EXPECT_EQ(UsbResult::Stall,
              device.projector.BulkTransfer(kEndpointOut, nullptr, 5, &transferred));
    EXPECT_EQ(0u, transferred);
    EXPECT_EQ(UsbResult::Ok, device.projector.BulkTransfer(kEndpointOut, nullptr, 0, nullptr));
    EXPECT_TRUE(device.projector.Received().at(0).empty());
}

TEST(Packets, EveryReplyStartsItsOwnPacket) {
    ConnectedProjector device;
    device.host.Write("XXX");
    EXPECT_EQ(3u, device.projector.PendingPackets());
    EXPECT_EQ(kAckText, device.host.Read(64));
}

TEST(Packets, InTransferBlocksUntilAReplyComes) {
    ConnectedProjector device;
    std::atomic<bool> done{false};
    std::string received;
    std::thread reader([&] {
        received = device.host.Read(64);
        done = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(done);
    device.host.Write("Sync\r");
    reader.join();
    EXPECT_EQ(kAckText, received);
}

TEST(Packets, UnplugFailsABlockedTransferAndEveryLaterOne) {
    testing::PortDouble port;
    ConnectedProjector device;
    device.projector.SetPort(&port);
    UsbResult result = UsbResult::Ok;
    std::thread reader([&] { device.host.Read(64, &result); });
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    device.projector.Unplug();
    reader.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(UsbResult::NoDevice, result);
    EXPECT_EQ(std::vector<std::string>{"detached"}, port.Events());
    EXPECT_EQ(UsbResult::NoDevice, device.host.Write("Sync\r"));
    device.host.Read(64, &result);
    EXPECT_EQ(UsbResult::NoDevice, result);
    EXPECT_EQ(UsbResult::NoDevice, device.host.Configure());
    device.projector.SetPort(nullptr);
}

TEST(Packets, DeconfiguringStallsABlockedTransfer) {
    ConnectedProjector device;
    UsbResult result = UsbResult::Ok;
    std::thread reader([&] { device.host.Read(64, &result); });
    std::this_thread::sleep_for(20ms);
    device.host.Configure(0);
    reader.join();
    EXPECT_EQ(UsbResult::Stall, result);
}

TEST(Packets, ReaderAndWriterThreadsRunTogether) {
    ConnectedProjector device;
    constexpr int kCommands = 200;
    std::string received;
    std::thread reader([&] {
        while (received.size() < kCommands * 8) {
            UsbResult result;
            const std::string packet = device.host.Read(64, &result);
            if (result != UsbResult::Ok) {
                return;
            }
            received += packet;
        }
    });
    for (int i = 0; i < kCommands; ++i) {
        device.host.Write("I");
        (void)device.projector.ReceivedBytes();
    }
    reader.join();
    std::string expected;
    for (int i = 0; i < kCommands; ++i) {
        expected += kAckText + "VELTA1\r";
    }
    EXPECT_EQ(expected, received);
}

}  // namespace
}  // namespace corvane::sim
