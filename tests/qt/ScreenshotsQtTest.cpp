// Renders the main window in its three everyday states to PNG files. They are
// written under the build tree; with CORVANE_UPDATE_SCREENSHOTS=1 also into
// docs/screenshots, whose copies the README shows.
#include <QPushButton>

#include "tests/qt/QtMainWindowFixture.h"

namespace corvane::test {
namespace {

using ScreenshotsQt = QtMainWindowFixture;

void Save(QWidget& window, const char* name) {
    SaveScreenshot(window, name);
}

TEST_F(ScreenshotsQt, MainWindowWaitingReadyAndDownloading) {
    RunMain([&](qt::QtDialogWindow& window) {
        Save(window, "main-waiting.png");

        Identify("013-0042-07");
        GiveFiles(window, 3);
        window.EnableControl(MainWindowIds::kDownload, true);
        window.EnableControl(MainWindowIds::kVerify, true);
        PostText(MainWindowIds::kStatus, "Connected");
        Settle();
        ASSERT_EQ(State(), Ready);
        Save(window, "main-ready.png");

        qobject_cast<QPushButton*>(window.ControlWidget(MainWindowIds::kDownload))->click();
        ASSERT_EQ(State(), Downloading);
        Post(WM_SET_PROGRESS, static_cast<platform::WParam>(static_cast<uint32_t>(kProgressShow)));
        Post(WM_SET_PROGRESS, 45);
        PostText(MainWindowIds::kStatus, "Programming firmware1.hex");
        Settle();
        Save(window, "main-downloading.png");
    });
}

TEST_F(ScreenshotsQt, AboutBox) {
    RunMain([&](qt::QtDialogWindow& window) {
        ModalWatcher watcher;
        watcher.onDialog = [&](qt::QtDialogWindow& dialog) {
            Save(dialog, "about.png");
            dialog.EndDialog(kIdOk);
        };
        window.activateWindow();
        main->DispatchMessage(WM_SYSCOMMAND, kAboutCommandId, 0);
    });
}

}  // namespace
}  // namespace corvane::test
