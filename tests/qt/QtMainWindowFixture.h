// The real main window controller over the Qt front end, with the settings,
// device link and download thread doubles of the toolkit-neutral tests. A
// test runs the main window modally; its script runs inside that run, and
// the close box ends it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/engine/EngineContext.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ProgramContext.h"
#include "app/ui/WindowMessages.h"
#include "app/ui/qt/QtWindowFactory.h"
#include "platform/WindowMessageQueue.h"
#include "tests/qt/QtTestApp.h"
#include "tests/ui/DeviceLinkDouble.h"
#include "tests/ui/DownloadThreadRequestsDouble.h"
#include "tests/ui/SettingsKeyDouble.h"

namespace corvane::test {

using Ids = MainWindowIds;

class QtMainWindowFixture : public ::testing::Test {
protected:
    QtMainWindowFixture();
    ~QtMainWindowFixture() override;

    void RunMain(const std::function<void(qt::QtDialogWindow&)>& script);

    // As the download thread does: posted, then delivered by the Qt loop.
    void Post(uint32_t message, platform::WParam wParam = 0, platform::LParam lParam = 0) {
        queue.Post(message, wParam, lParam);
    }
    void PostText(int control, const char* text);
    // Waits until everything posted so far has been delivered.
    bool Settle() {
        return WaitUntil([this] { return queue.Empty(); });
    }
    // Identification finished: platform, part and serial number shown, Ready.
    void Identify(const char* partNumber);
    void GiveFiles(qt::QtDialogWindow& window, int count);
    DisplayState State() const { return static_cast<DisplayState>(main->Record().displayState); }
    template <class Widget>
    Widget* Control(qt::QtDialogWindow& window, int id) {
        return qobject_cast<Widget*>(window.ControlWidget(id));
    }

    QApplication& app = TestApp();
    SettingsKeyDouble settings;
    platform::WindowMessageQueue queue;
    ProgramContext program;
    EngineContext engine;
    qt::QtWindowFactory windows;
    DownloadThreadRequestsDouble thread;
    DeviceLinkDouble link;
    std::unique_ptr<MainWindow> main;
};

}  // namespace corvane::test
