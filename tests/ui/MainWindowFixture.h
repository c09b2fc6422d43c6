// A main window over the recording window, a settings key double, the device
// link double and the download thread double, created the way the
// application creates it, but driven step by step by the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/engine/EngineContext.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ProgramContext.h"
#include "app/ui/WindowMessages.h"
#include "platform/WindowMessageQueue.h"
#include "tests/ui/DeviceLinkDouble.h"
#include "tests/ui/DownloadThreadRequestsDouble.h"
#include "tests/ui/RecordingWindow.h"
#include "tests/ui/SettingsKeyDouble.h"

namespace corvane::test {

using Ids = MainWindowIds;

class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture();
    ~MainWindowFixture() override;

    // Creates the main window (reading the settings as they stand) and
    // delivers what its initialisation posted.
    void Start();
    // Delivers what is posted now.
    int Pump() { return windows.PumpMainQueue(); }
    void Post(uint32_t message, platform::WParam wParam = 0, platform::LParam lParam = 0) {
        queue.Post(message, wParam, lParam);
    }
    // Posts and delivers one message.
    void Deliver(uint32_t message, platform::WParam wParam = 0, platform::LParam lParam = 0) {
        Post(message, wParam, lParam);
        Pump();
    }
    void SetText(int control, const char* text);  // as the download thread does
    // A projector is identified: part number shown, WM_OPERATION_DONE.
    void Identify(const char* partNumber);
    void SetNumber(const char* name, uint32_t value) { settings.SetNumber(name, value); }
    void SetSettingText(const char* name, const char* text) { settings.SetText(name, text); }
    // Puts files straight into the record and the list box.
    void GiveFiles(int count);

    RecordingWindow& Win() { return *window; }
    MainWindowRecord& Record() { return main->Record(); }
    DisplayState State() const { return static_cast<DisplayState>(main->Record().displayState); }
    RecordingWindow* AdvancedWindow() const { return windows.Latest(kAdvancedTemplateId); }

    SettingsKeyDouble settings;
    platform::WindowMessageQueue queue;
    ProgramContext program;
    EngineContext engine;
    RecordingWindowFactory windows;
    DownloadThreadRequestsDouble thread;
    DeviceLinkDouble link;
    std::unique_ptr<MainWindow> main;
    RecordingWindow* window = nullptr;
};

}  // namespace corvane::test
