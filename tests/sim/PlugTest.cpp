// Plugging, unplugging and the restart on "R", as the bus port hears of them.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/sim/ProjectorHost.h"

namespace corvane::sim {
namespace {

using namespace std::chrono_literals;
using testing::ConnectedProjector;
using testing::kAckText;
using testing::kNakText;
using testing::PortDouble;
using usb::UsbResult;
using Events = std::vector<std::string>;

ProjectorConfig QuickRestart(std::chrono::milliseconds delay = 5ms) {
    ProjectorConfig config;
    config.restartDelay = delay;
    return config;
}

TEST(Plug, ReportsEachChangeOnce) {
    PortDouble port;
    VirtualProjector projector;
    projector.SetPort(&port);
    EXPECT_TRUE(projector.IsAttached());
    EXPECT_TRUE(port.Events().empty());  // giving the port reports nothing
    projector.Unplug();
    projector.Unplug();
    EXPECT_FALSE(projector.IsAttached());
    projector.Plug();
    projector.Plug();
    EXPECT_EQ((Events{"detached", "attached"}), port.Events());
    projector.SetPort(nullptr);
    projector.Unplug();
    EXPECT_EQ(2u, port.Events().size());
}

TEST(Plug, TheObserverHearsOfEveryChangeUntilItIsCleared) {
    ConnectedProjector device;
    int changes = 0;
    device.projector.SetChangeObserver([&changes] { ++changes; });
    device.host.Write("Sync\r");  // a transfer
    EXPECT_EQ(1, changes);
    device.projector.Unplug();
    device.projector.Plug();
    EXPECT_EQ(3, changes);
    device.host.Configure();  // a control transfer
    EXPECT_EQ(4, changes);
    device.projector.SetChangeObserver(nullptr);
    device.host.Write("Sync\r");
    device.projector.Unplug();
    EXPECT_EQ(4, changes);
}

TEST(Plug, PluggingInPowersUpAfresh) {
    ConnectedProjector device;
    device.host.Ask("Sync\r");
    device.host.Write("E");  // the ACK stays unread
    device.projector.Unplug();
    device.projector.Plug();
    EXPECT_FALSE(device.projector.IsConfigured());
    EXPECT_EQ(0u, device.projector.PendingPackets());
    device.host.Configure();
    EXPECT_EQ(LexMode::Command, device.projector.ProtocolMode());
    EXPECT_EQ(kNakText, device.host.Ask("P"));  // no sync since power-up
}

TEST(Restart, LeavesTheBusAndComesBack) {
    PortDouble port;
    ConnectedProjector device(QuickRestart());
    device.projector.SetPort(&port);
    device.host.Ask("E");
    device.host.Ask("BE00000000\r");
    device.host.Ask("\r");
    device.host.Write("R");
    ASSERT_TRUE(port.WaitForEvents(2, 2s));
    EXPECT_EQ((Events{"detached", "attached"}), port.Events());
    EXPECT_TRUE(device.projector.IsAttached());
    EXPECT_EQ(1, device.projector.RestartCount());
    EXPECT_FALSE(device.projector.IsConfigured());
    EXPECT_EQ(0xFF, device.projector.ReadFlash(0, 1).at(0));  // flash survives
    EXPECT_EQ(ProjectorMode::Flash, device.projector.Mode());
    device.host.Configure();
    EXPECT_EQ(kAckText, device.host.Ask("Sync\r"));
    device.projector.SetPort(nullptr);
}

// A bus that, told of a departure, waits until the transfers in flight have
// ended (as a remove lock does).
class DrainingPortDouble : public usb::UsbPort {
public:
    void DeviceAttached() override {}
    void DeviceDetached() override {
        std::unique_lock lock(mutex_);
        sawTransferEnd_ = ended_.wait_for(lock, 2s, [this] { return transferEnded_; });
        handled_ = true;
        ended_.notify_all();
    }
    void TransferEnded() {
        {
            std::lock_guard lock(mutex_);
            transferEnded_ = true;
        }
        ended_.notify_all();
    }
    bool SawTransferEnd() {
        std::unique_lock lock(mutex_);
        return ended_.wait_for(lock, 5s, [this] { return handled_; }) && sawTransferEnd_;
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool transferEnded_ = false;
    bool sawTransferEnd_ = false;
    bool handled_ = false;
};

TEST(Restart, DepartureIsNotReportedFromInsideTheTransfer) {
    DrainingPortDouble port;
    ConnectedProjector device(QuickRestart(10s));
    device.projector.SetPort(&port);
    EXPECT_EQ(UsbResult::Ok, device.host.Write("R"));
    port.TransferEnded();
    EXPECT_TRUE(port.SawTransferEnd());
    device.projector.SetPort(nullptr);
}

TEST(Restart, BytesAfterTheRestartAreDropped) {
    ConnectedProjector device(QuickRestart(10s));
    device.host.Write("RC");
    EXPECT_FALSE(device.projector.IsAttached());
    EXPECT_EQ(0, device.projector.NvramClearCount());
}

TEST(Restart, CanComeBackInNormalMode) {
    ProjectorConfig config = QuickRestart();
    config.modeAfterRestart = ProjectorMode::Normal;
    ConnectedProjector device(config);
    device.host.Write("R");
    ASSERT_TRUE(device.projector.WaitForAttached(true, 2s));
    EXPECT_EQ(ProjectorMode::Normal, device.projector.Mode());
    const std::vector<uint8_t> name = device.host.GetDescriptor(3, 4, 0x0409, 256);
    EXPECT_EQ(2 + 2 * 17, name.at(0));
    EXPECT_EQ('C', name.at(2 + 2 * 10));
}

TEST(Restart, UnplugDuringTheDelayCancelsIt) {
    PortDouble port;
    ConnectedProjector device(QuickRestart(200ms));
    device.projector.SetPort(&port);
    device.host.Write("R");
    device.projector.Unplug();
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(device.projector.IsAttached());
    EXPECT_EQ(Events{"detached"}, port.Events());
    device.projector.SetPort(nullptr);
}

TEST(Restart, PlugDuringTheDelayAttachesOnce) {
    PortDouble port;
    ConnectedProjector device(QuickRestart(200ms));
    device.projector.SetPort(&port);
    device.host.Write("R");
    device.projector.Plug();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ((Events{"detached", "attached"}), port.Events());
    device.projector.SetPort(nullptr);
}

TEST(Restart, RestartsAgainAfterComingBack) {
    PortDouble port;
    ConnectedProjector device(QuickRestart(1ms));
    device.projector.SetPort(&port);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(device.projector.WaitForAttached(true, 2s));
        device.host.Configure();
        EXPECT_EQ(UsbResult::Ok, device.host.Write("R"));
    }
    ASSERT_TRUE(port.WaitForEvents(10, 2s));
    const Events events = port.Events();
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(i % 2 == 0 ? "detached" : "attached", events[i]) << i;
    }
    EXPECT_EQ(5, device.projector.RestartCount());
    device.projector.SetPort(nullptr);
}

TEST(Restart, DestroyingTheProjectorDuringTheDelayDoesNotWait) {
    const auto start = std::chrono::steady_clock::now();
    {
        ConnectedProjector device(QuickRestart(10s));
        device.host.Write("R");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(Restart, BlockedReaderFailsWhenTheProjectorRestarts) {
    ConnectedProjector device(QuickRestart(10ms));
    UsbResult result = UsbResult::Ok;
    std::thread reader([&] { device.host.Read(64, &result); });
    std::this_thread::sleep_for(20ms);
    device.host.Write("R");
    reader.join();
    EXPECT_EQ(UsbResult::NoDevice, result);
}

TEST(Config, InvalidLayoutIsRejected) {
    ProjectorConfig config;
    config.layout = PartitionLayout{0x1000, {0, 0x2000}};
    EXPECT_THROW(VirtualProjector projector(config), std::invalid_argument);
}

TEST(Inspection, FlashDumpMatchesTheContents) {
    ConnectedProjector device;
    const std::string path = ::testing::TempDir() + "corvane_sim_projector_dump.bin";
    ASSERT_TRUE(device.projector.DumpFlash(path));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    std::vector<uint8_t> bytes(0x100001);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_EQ(device.projector.FlashContents(), bytes);
    EXPECT_EQ(0x100000u, bytes.size());
    EXPECT_EQ(DefaultPartitionLayout(), device.projector.Layout());
}

}  // namespace
}  // namespace corvane::sim
