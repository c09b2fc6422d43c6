// Finding, connecting and closing: start-up with and without a projector,
// plugging in while running, other devices arriving, closing while connected.
#include <string>

#include "platform/DeviceNotifications.h"
#include "sim/ProjectorDescriptors.h"
#include "tests/e2e/StoryFixture.h"

namespace corvane::e2e {
namespace {

using Connection = StoryTest;

TEST_F(Connection, WithoutAProjectorTheWindowWaits) {
    Run([this](RecordingWindow&) {
        PumpFor(std::chrono::milliseconds(30));
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        EXPECT_EQ(Status(), "Waiting for new connection...");
        EXPECT_FALSE(Win().Enabled(Ids::kDownload));
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(DebugTexts(), (std::vector<std::string>{"Halbrig_RegisterNotification Ok\n",
                                                      "HID Halbrig_RegisterNotification Ok\n"}));
}

TEST_F(Connection, AProjectorPresentBeforeStartIsFoundAndIdentified) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        EXPECT_TRUE(PumpUntil([this] { return Status() == "Connected"; }));
        EXPECT_EQ(Win().Text(Ids::kPlatformId), "PJX2000-A1");
        EXPECT_EQ(Win().Text(Ids::kPartNumber), "1002-3456-01");
        EXPECT_EQ(Win().Text(Ids::kSerialNumber), "A10000012345");
        EXPECT_EQ(Projector().Received().front(), std::vector<uint8_t>({'S', 'y', 'n', 'c', '\r'}));
        // The slot holds the interface path whole.
        const std::vector<std::string> paths =
            system.DeviceAccess().PresentInterfaces(USBCTRL_GUID);
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_EQ(std::string(Slot().devicePath), paths[0]);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Connection, APlugWhileRunningConnectsAndAnUnplugInReadySaysLostConnection) {
    Run([this](RecordingWindow&) {
        PumpFor(std::chrono::milliseconds(10));
        system.PlugProjector(QuickProjector());
        ASSERT_TRUE(WaitUntilReady());
        system.UnplugProjector();
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        EXPECT_EQ(Status(), "Waiting for new connection...");
        EXPECT_EQ(Win().Text(Ids::kPlatformId), "");
        // Plugged in again: a new connection with a new job.
        system.PlugProjector(QuickProjector());
        ASSERT_TRUE(WaitUntilReady());
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection"});
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Corvane");
    EXPECT_EQ(windows.MessageBoxes()[0].icon, MessageBoxIcon::Error);
}

TEST_F(Connection, AMouseArrivingWhileConnectedScansAndLeavesTheConnectionAlone) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        const size_t received = Projector().Received().size();
        const size_t creates = system.Trace().CountLine("USBCTRL: DispatchCreate");
        const platform::DeviceHandle handle = Slot().deviceHandle;
        const std::string mouse =
            system.Kernel().SimulateForeignDeviceArrival(platform::kHidClassGuid);
        // The arrival reaches the window and starts a scan that stops at the
        // connected projector's path: no second open, nothing sent.
        ASSERT_TRUE(PumpUntil([this] { return windows.MainQueue()->Empty(); }));
        PumpFor(std::chrono::milliseconds(20));
        EXPECT_EQ(system.Trace().CountLine("USBCTRL: DispatchCreate"), creates);
        EXPECT_EQ(Projector().Received().size(), received);
        EXPECT_EQ(Slot().deviceHandle, handle);
        EXPECT_EQ(Record().displayState, Ready);
        // Its removal is not the projector's.
        system.Kernel().SimulateForeignDeviceRemoval(mouse);
        PumpFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(IsConnected());
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Connection, AProjectorInControlModeIsOpenedQueriedAndClosedSilently) {
    sim::ProjectorConfig config = QuickProjector();
    config.mode = sim::ProjectorMode::Normal;
    system.PlugProjector(config);
    Run([this](RecordingWindow&) {
        PumpFor(std::chrono::milliseconds(30));
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(system.Trace().CountLine("USBCTRL: DispatchCreate"), 1u);
        EXPECT_EQ(system.Trace().CountLine("USBCTRL: DispatchClose"), 1u);
        EXPECT_TRUE(Projector().Received().empty());
        EXPECT_EQ(Status(), "Waiting for new connection...");
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Connection, ASecondProjectorArrivingIsIgnoredAndTheHandshakeRuns) {
    system.PlugProjector(QuickProjector());
    sim::ProjectorConfig second = QuickProjector();
    second.serialNumber = "B20000054321";
    sim::VirtualProjector other(second);
    Run([&](RecordingWindow&) {
        // Arrives while the first projector's handshake has only begun.
        ASSERT_TRUE(PumpUntil([this] { return IsConnected(); }));
        system.Kernel().PlugDevice(other);
        ASSERT_TRUE(WaitUntilReady());
        PumpFor(std::chrono::milliseconds(20));
        EXPECT_EQ(Win().Text(Ids::kSerialNumber), "A10000012345");
        EXPECT_TRUE(other.Received().empty());
        EXPECT_EQ(system.Trace().CountLine("USBCTRL: DispatchCreate"), 1u);
        system.Kernel().UnplugDevice(other);
        PumpFor(std::chrono::milliseconds(20));
        EXPECT_EQ(Record().displayState, Ready);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
    system.Shutdown();
}

TEST_F(Connection, ClosingWhileConnectedEndsBothThreadsAndFreesTheSlot) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        window.PressCloseBox();
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(Slot().job, nullptr);
        EXPECT_EQ(Slot().readerLink, nullptr);
        EXPECT_EQ(Slot().devicePath[0], '\0');
        EXPECT_EQ(Slot().replyEvent, nullptr);
        EXPECT_EQ(system.Trace().CountLine("USBCTRL: DispatchClose"), 1u);
        // Notifications end with the window: arrivals no longer reach it.
        EXPECT_EQ(system.HostedNotifications().RegisteredCount(), 0u);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Connection, FailedRegistrationsAreOnlyDebugTextsAndTheStartScanStillFinds) {
    system.HostedNotifications().FailNextRegistrations(2);
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) { ASSERT_TRUE(WaitUntilReady()); });
    EXPECT_EQ(DebugTexts(), (std::vector<std::string>{"Halbrig_RegisterNotification Ok\n",
                                                      "Halbrig_Register Interface failed\n",
                                                      "HID Halbrig_RegisterNotification Ok\n",
                                                      "HID Halbrig_Register Interface failed\n"}));
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Connection, NotificationsStillQueuedAtCloseAreFreed) {
    Run([this](RecordingWindow& window) {
        PumpFor(std::chrono::milliseconds(10));
        // Arrivals announced as the window closes stay in the queue.
        system.Kernel().SimulateForeignDeviceArrival(platform::kHidClassGuid);
        system.Kernel().WaitForPnpIdle();
        system.Kernel().SimulateForeignDeviceArrival(platform::kHidClassGuid);
        system.Kernel().WaitForPnpIdle();
        window.PressCloseBox();
        EXPECT_FALSE(windows.MainQueue()->Empty());
    });
    // LeakSanitizer reports the notices if they were not freed.
}

}  // namespace
}  // namespace corvane::e2e
