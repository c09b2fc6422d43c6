// A user story from start-up: the application with its main window over the
// recording window, the device link over the hosted system (kernel, Dornik,
// USB bus) and a virtual projector, all real. The story runs inside the main
// window's modal run and drives the window the way a user would; the main
// window's queue is pumped deterministically by the story itself.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/Application.h"
#include "app/ui/ControlIds.h"
#include "hosted/HostedSystem.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/RecordingWindow.h"

namespace corvane::e2e {

using Ids = MainWindowIds;
using test::RecordingWindow;

// A small projector that restarts within milliseconds: partitions at 0,
// 10000, 20000, 28000 and 2C000 of a 30000-byte flash.
sim::ProjectorConfig QuickProjector();

class StoryTest : public ::testing::Test {
protected:
    StoryTest();
    // Ends the program if a story left it running, then shuts the system
    // down and checks that the kernel's pool is clean.
    void TearDown() override;

    // Runs the program; story runs inside the main window's modal run (a
    // story that does not close the window has it closed with the close box).
    int Run(std::function<void(RecordingWindow& window)> story);

    // Pumps the main window's queue until done() holds; false (the story
    // fails) after the timeout.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Delivers the oldest message to the main window, waiting up to waitMs
    // for one; false when none came.
    bool DeliverOne(uint32_t waitMs = 0);
    // Pumps for a while (to show that something does not happen).
    void PumpFor(std::chrono::milliseconds duration);

    // Connected: slot 0 open, the handshake done, the window Ready.
    bool WaitUntilReady();
    bool WaitUntilWaiting();
    bool IsConnected() const;

    // Settings the program finds at start-up.
    void PresetNumber(const char* name, uint32_t value);
    void PresetText(const char* name, const std::string& text);

    // An Intel hex file of `size` pattern bytes at address in the temp folder,
    // led by an identification record naming platform unless it is empty.
    std::string WriteHexFile(const std::string& name, uint32_t address, size_t size, uint8_t seed,
                             const std::string& platform = "");
    std::vector<uint8_t> PatternBytes(size_t size, uint8_t seed) const;

    // The messages boxes' texts, in order.
    std::vector<std::string> BoxTexts() const;
    std::vector<std::string> DebugTexts() const;

    MainWindow& Main() { return application_->Main(); }
    MainWindowRecord& Record() { return application_->Main().Record(); }
    DeviceRecord& Slot() { return application_->Engine().devices[0]; }
    RecordingWindow& Win() { return *window_; }
    sim::VirtualProjector& Projector() { return *system.Projector(); }
    const std::string& Status() { return window_->Text(Ids::kStatus); }

    // While a message box is open, keep delivering the main window's
    // messages for this long (a user reading the box); 0: close at once.
    std::chrono::milliseconds readBoxFor{0};

    hosted::HostedSystem system;
    platform::test::TempFolder folder;
    test::RecordingWindowFactory windows;
    std::unique_ptr<Application> application_;
    ProjectorDeviceLink* link_ = nullptr;
    RecordingWindow* window_ = nullptr;

private:
    mutable std::mutex debugMutex_;
    std::vector<std::string> debugTexts_;
};

}  // namespace corvane::e2e
