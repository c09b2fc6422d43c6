// User stories with the projector behind real libusb: the main window, the
// device link and the engine over Dornik in the hosted kernel, whose USB bus
// reaches the projector as a libusb device, over usbfs ioctls answered by an
// emulated usbfs with the virtual projector behind it. Runs under umockdev's
// preload library.
#include <libusb.h>

#include <mutex>
#include <string>
#include <vector>

#include "hosted/RealProjectors.h"
#include "platform/libusb/UsbLocation.h"
#include "sim/usbfs/UsbfsEmulation.h"
#include "tests/e2e/StoryFixture.h"

namespace corvane::e2e {
namespace {

using namespace std::chrono_literals;

class UsbStory : public StoryTest {
protected:
    // The program's libusb stops listening for uevents at shutdown: every
    // one reported so far is sent first (umockdev ends a process whose
    // listener goes while one is being sent).
    void TearDown() override {
        emulation.Settle();
        StoryTest::TearDown();
    }
    sim::VirtualProjector& Attach(sim::ProjectorConfig config = QuickProjector(),
                                  usbfs::EmulatedPort port = {}) {
        sim::VirtualProjector& projector = emulation.AddProjector(std::move(config), port);
        EXPECT_TRUE(emulation.WaitUntilPresent(projector, true, 5s));
        return projector;
    }
    void StartUsb(hosted::RealProjectorOptions options = {}) {
        std::string error;
        ASSERT_TRUE(hosted::StartRealProjectors(
            system, std::move(options),
            [this](const std::string& text) {
                std::lock_guard lock(problemsMutex_);
                problems_.push_back(text);
            },
            &error))
            << error;
    }
    std::vector<std::string> Problems() {
        std::lock_guard lock(problemsMutex_);
        return problems_;
    }
    bool WaitForProblem() {
        return PumpUntil([this] { return !Problems().empty(); }, 5s);
    }
    std::string WriteImage() {
        WriteHexFile("image.hex", 0x20000, 0x1800, 5, "PJX2000-A1");
        windows.AnswerFiles(folder.File("image.hex"));
        return folder.File("image.hex");
    }

    usbfs::UsbfsEmulation emulation;

private:
    std::mutex problemsMutex_;
    std::vector<std::string> problems_;
};

TEST_F(UsbStory, ADownloadIsVerifiedAndTheProjectorIsTakenUpAgainAfterItsRestart) {
    PresetNumber(nullptr, 1);  // Verify Downloads
    PresetNumber("Show Completion Message Box", 1);
    sim::VirtualProjector& projector = Attach();
    const int address = emulation.DeviceNumber(projector);
    const std::vector<uint8_t> nextPartition = projector.ReadFlash(0x28000, 0x100);
    StartUsb();
    Run([&](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        EXPECT_EQ(window.Text(Ids::kPartNumber), "1002-3456-01");
        WriteImage();
        ASSERT_TRUE(window.Click(Ids::kSelectFiles));
        ASSERT_TRUE(window.Click(Ids::kDownload));
        // "R": the device leaves usbfs, comes back at a new address, and
        // the program opens and identifies it again.
        ASSERT_TRUE(PumpUntil([&] {
            return projector.RestartCount() == 1 && IsConnected() && Record().displayState == Ready;
        }));
        EXPECT_NE(emulation.DeviceNumber(projector), address);
        EXPECT_EQ(projector.ReadFlash(0x20000, 0x1800), PatternBytes(0x1800, 5));
        EXPECT_EQ(projector.ReadFlash(0x28000, 0x100), nextPartition)
            << "the next partition was erased or programmed";
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Download successful"});
    EXPECT_EQ(system.Projector(), nullptr);  // no virtual projector on the hosted bus
    EXPECT_TRUE(Problems().empty());
}

TEST_F(UsbStory, ProgramIdsAndClearNvramReachTheProjector) {
    PresetNumber("Enable Advanced Dialog", 1);
    sim::VirtualProjector& projector = Attach();
    StartUsb();
    Run([&](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        ASSERT_TRUE(window.Type(Ids::kNewPartNumber, "2002-7777-09"));
        ASSERT_TRUE(window.Type(Ids::kNewSerialNumber, "Z12345678901"));
        ASSERT_TRUE(window.Click(Ids::kProgramIds));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == ProgrammingIds; }));
        ASSERT_TRUE(WaitUntilReady());
        EXPECT_EQ(projector.PartNumber(), "2002-7777-09");
        EXPECT_EQ(projector.SerialNumber(), "Z12345678901");

        ASSERT_TRUE(window.Click(Ids::kAdvanced));
        RecordingWindow* advanced = windows.Latest(kAdvancedTemplateId);
        ASSERT_NE(advanced, nullptr);
        ASSERT_TRUE(advanced->Click(AdvancedDialogIds::kClearNvram));
        ASSERT_TRUE(PumpUntil([&] { return projector.NvramClearCount() == 1; }));
        ASSERT_TRUE(WaitUntilReady());
        EXPECT_EQ(projector.NvramContents(), std::vector<uint8_t>(2048, 0xFF));
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(UsbStory, UnpluggedWhileAReadIsPendingTheDownloadIsLostAndNothingHangs) {
    sim::ProjectorConfig config = QuickProjector();
    config.faults.UnplugAfterBlocks(20);
    sim::VirtualProjector& projector = Attach(config);
    StartUsb();
    Run([&](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        WriteImage();
        ASSERT_TRUE(window.Click(Ids::kSelectFiles));
        ASSERT_TRUE(window.Click(Ids::kDownload));
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }, 10s));
        PumpFor(30ms);
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        EXPECT_EQ(Status(), "Waiting for new connection...");
        EXPECT_TRUE(emulation.WaitUntilPresent(projector, false, 5s));
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection during download!"});
}

TEST_F(UsbStory, AProjectorPluggedInAgainAfterItsCableWasPulledIsTakenUp) {
    sim::VirtualProjector& projector = Attach();
    StartUsb();
    Run([&](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        projector.Unplug();
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        projector.Plug();
        ASSERT_TRUE(WaitUntilReady());
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection"});
}

TEST_F(UsbStory, WithoutHotplugNoticesThePolledListFindsTheRestartedProjector) {
    sim::VirtualProjector& projector = Attach();
    hosted::RealProjectorOptions options;
    options.polling = true;
    StartUsb(std::move(options));
    Run([&](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        WriteImage();
        ASSERT_TRUE(window.Click(Ids::kSelectFiles));
        ASSERT_TRUE(window.Click(Ids::kDownload));
        ASSERT_TRUE(PumpUntil([&] {
            return projector.RestartCount() == 1 && IsConnected() && Record().displayState == Ready;
        }));
        EXPECT_EQ(projector.ReadFlash(0x20000, 0x1800), PatternBytes(0x1800, 5));
    });
}

TEST_F(UsbStory, AProjectorAnotherProgramHoldsIsLeftAloneAndNamed) {
    usbfs::EmulatedPort port;
    port.path = "1-3";
    port.claimBusy = true;
    Attach(QuickProjector(), port);
    StartUsb();
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitForProblem());
        PumpFor(200ms);
        EXPECT_FALSE(IsConnected());
        EXPECT_EQ(Record().displayState, WaitingForProjector);
    });
    ASSERT_EQ(Problems().size(), 1u);
    EXPECT_NE(Problems()[0].find("Another program is using the projector at 1-3 (1209:0001"),
              std::string::npos)
        << Problems()[0];
}

TEST_F(UsbStory, AKernelDriverHoldingTheInterfaceIsDetached) {
    usbfs::EmulatedPort port;
    port.kernelDriverBound = true;
    Attach(QuickProjector(), port);
    StartUsb();
    Run([this](RecordingWindow&) { ASSERT_TRUE(WaitUntilReady()); });
    EXPECT_TRUE(Problems().empty());
}

TEST_F(UsbStory, ADeviceWithAnIdOffTheListIsNeverOpenedUnlessTheUserAddsIt) {
    usbfs::EmulatedPort port;
    port.vendorId = 0x04B4;
    port.productId = 0x1004;
    sim::VirtualProjector& projector = Attach(QuickProjector(), port);
    StartUsb();
    Run([this](RecordingWindow&) {
        PumpFor(300ms);
        EXPECT_FALSE(IsConnected());
    });
    EXPECT_TRUE(projector.Log().empty()) << "a device off the list was talked to";
    EXPECT_TRUE(Problems().empty());
}

TEST_F(UsbStory, AnIdTheUserAddsIsOpened) {
    usbfs::EmulatedPort port;
    port.vendorId = 0x04B4;
    port.productId = 0x1004;
    Attach(QuickProjector(), port);
    hosted::RealProjectorOptions options;
    options.ids.Add(usb::UsbId{0x04B4, 0x1004});
    StartUsb(std::move(options));
    Run([this](RecordingWindow&) { ASSERT_TRUE(WaitUntilReady()); });
}

class UsbStoryOfTwo : public UsbStory {
protected:
    void AttachTwo() {
        sim::ProjectorConfig first = QuickProjector();
        first.serialNumber = "A10000000001";
        usbfs::EmulatedPort firstPort;
        firstPort.path = "1-1";
        sim::ProjectorConfig second = QuickProjector();
        second.serialNumber = "A10000000002";
        usbfs::EmulatedPort secondPort;
        secondPort.path = "1-4.2";
        projectors_[0] = &Attach(first, firstPort);
        projectors_[1] = &Attach(second, secondPort);
    }
    // Whether this process can claim interface 0 of the projector at the
    // port path: nobody holds it.
    static bool Claimable(const std::string& portPath) {
        libusb_context* context = nullptr;
        if (libusb_init(&context) != LIBUSB_SUCCESS) {
            return false;
        }
        bool claimed = false;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context, &list);
        for (ssize_t i = 0; i < count; ++i) {
            if (usb::LocationOf(list[i]).portPath != portPath) {
                continue;
            }
            libusb_device_handle* handle = nullptr;
            if (libusb_open(list[i], &handle) == LIBUSB_SUCCESS) {
                claimed = libusb_claim_interface(handle, 0) == LIBUSB_SUCCESS;
                if (claimed) {
                    libusb_release_interface(handle, 0);
                }
                libusb_close(handle);
            }
        }
        if (count >= 0) {
            libusb_free_device_list(list, 1);
        }
        libusb_exit(context);
        return claimed;
    }
    void ExpectConnectedTo(const std::string& device, const std::string& serial) {
        AttachTwo();
        hosted::RealProjectorOptions options;
        options.device = device;
        StartUsb(std::move(options));
        Run([&](RecordingWindow& window) {
            ASSERT_TRUE(WaitUntilReady());
            EXPECT_EQ(window.Text(Ids::kSerialNumber), serial);
        });
    }

    sim::VirtualProjector* projectors_[2] = {};
};

TEST_F(UsbStoryOfTwo, OnlyTheProjectorServedIsClaimedAndTheOtherIsTakenUpWhenItGoes) {
    AttachTwo();
    StartUsb();
    Run([&](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        const bool firstServed = window.Text(Ids::kSerialNumber) == "A10000000001";
        sim::VirtualProjector& served = *projectors_[firstServed ? 0 : 1];
        // The other is free for another process meanwhile.
        EXPECT_TRUE(Claimable(firstServed ? "1-4.2" : "1-1"));
        EXPECT_FALSE(Claimable(firstServed ? "1-1" : "1-4.2"));
        served.Unplug();
        ASSERT_TRUE(PumpUntil([&] {
            return IsConnected() && Record().displayState == Ready &&
                   window.Text(Ids::kSerialNumber) ==
                       (firstServed ? "A10000000002" : "A10000000001");
        }));
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection"});
    EXPECT_TRUE(Problems().empty());
}

TEST_F(UsbStoryOfTwo, DeviceChoosesOneByItsBusPortPath) {
    ExpectConnectedTo("1-4.2", "A10000000002");
}

TEST_F(UsbStoryOfTwo, DeviceChoosesOneByItsSerialNumber) {
    ExpectConnectedTo("A10000000001", "A10000000001");
}

}  // namespace
}  // namespace corvane::e2e
