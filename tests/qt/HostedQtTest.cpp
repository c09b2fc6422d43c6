// The whole program through the Qt front end: the hosted kernel with the
// driver, the device link and the virtual projector on the hosted USB bus.
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/Application.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/qt/QtWindowFactory.h"
#include "app/ui/qt/VirtualProjectorWindow.h"
#include "hosted/HostedSystem.h"
#include "tests/qt/QtTestApp.h"

namespace corvane::test {
namespace {

using Ids = MainWindowIds;

class HostedQt : public ::testing::Test {
protected:
    HostedQt() {
        config.restartDelay = std::chrono::milliseconds(50);
        projector = &system.PlugProjector(config);
    }
    ~HostedQt() override { system.Shutdown(); }

    // Runs the program; the script runs once the main window is up, and the
    // close box ends the program afterwards.
    void Run(const std::function<void(qt::QtDialogWindow&)>& script) {
        ApplicationPlatform platform;
        platform.settingsFile = settingsDir.filePath("corvane.reg").toStdString();
        application = std::make_unique<Application>(
            windows, system.DeviceAccess(),
            [this](Application& app) -> std::unique_ptr<DeviceLink> {
                return std::make_unique<ProjectorDeviceLink>(app, system.Notifications());
            },
            platform);
        windows.SetMainWindowShown([&script](QWidget& main) {
            auto& window = static_cast<qt::QtDialogWindow&>(main);
            script(window);
            window.close();
        });
        EXPECT_EQ(application->Run(), 0);
    }
    DisplayState State() {
        return static_cast<DisplayState>(application->Main().Record().displayState);
    }
    bool WaitForState(DisplayState state, int ms = 10000) {
        return WaitUntil([&] { return State() == state; }, ms);
    }
    static std::string Text(qt::QtDialogWindow& window, int id) {
        char buffer[300] = {};
        window.GetControlText(id, buffer, sizeof(buffer));
        return buffer;
    }
    // The example firmware, as Select Files would have taken it.
    void GiveExampleFile(qt::QtDialogWindow& window) {
        MainWindowRecord& record = application->Main().Record();
        ASSERT_TRUE(SetFilePath(record, 0, CORVANE_EXAMPLES_DIR "/pjx2000-main.hex"));
        record.fileCount = 1;
        window.ListInsertString(Ids::kFileList, 0, "pjx2000-main.hex");
        window.EnableControl(Ids::kDownload, true);
    }

    QApplication& app = TestApp();
    QTemporaryDir settingsDir;
    sim::ProjectorConfig config;
    hosted::HostedSystem system;
    sim::VirtualProjector* projector = nullptr;
    qt::QtWindowFactory windows;
    std::unique_ptr<Application> application;
};

TEST_F(HostedQt, FindsTheProjectorAndShowsItsIdentity) {
    Run([&](qt::QtDialogWindow& window) {
        ASSERT_TRUE(WaitForState(Ready));
        EXPECT_EQ(Text(window, Ids::kPlatformId), "PJX2000-A1");
        EXPECT_EQ(Text(window, Ids::kPartNumber), "1002-3456-01");
        EXPECT_EQ(Text(window, Ids::kSerialNumber), "A10000012345");
        EXPECT_TRUE(window.IsControlEnabled(Ids::kProgramIds));
        EXPECT_FALSE(window.IsControlEnabled(Ids::kStop));
    });
}

TEST_F(HostedQt, DownloadMovesTheProgressBarAndReturnsToWaiting) {
    ModalWatcher watcher;
    qt::VirtualProjectorWindow panel(*projector, config);
    std::vector<int> values;
    Run([&](qt::QtDialogWindow& window) {
        ASSERT_TRUE(WaitForState(Ready));
        auto* bar = qobject_cast<QProgressBar*>(window.ControlWidget(Ids::kProgressBar));
        QObject::connect(bar, &QProgressBar::valueChanged,
                         [&](int value) { values.push_back(value); });
        GiveExampleFile(window);
        qobject_cast<QPushButton*>(window.ControlWidget(Ids::kDownload))->click();
        ASSERT_EQ(State(), Downloading);
        EXPECT_TRUE(window.IsControlEnabled(Ids::kStop));
        ASSERT_TRUE(WaitForState(WaitingForProjector, 30000));
        // The projector restarts and is taken up again.
        EXPECT_TRUE(WaitForState(Ready));
    });
    EXPECT_TRUE(watcher.Boxes().empty()) << watcher.Boxes()[0].text;
    ASSERT_GE(values.size(), 3u);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_GE(values.back(), 90);
    EXPECT_GE(std::set<int>(values.begin(), values.end()).size(), 3u);
    EXPECT_GE(projector->RestartCount(), 1);
    // The flash really changed.
    panel.Refresh();
    EXPECT_NE(panel.StateText().indexOf("programmed"), -1) << panel.StateText().toStdString();
    panel.show();
    panel.SetFault("unplug-after-blocks=3");
    SaveScreenshot(panel, "virtual-projector.png");
}

TEST_F(HostedQt, UnplugDuringADownloadReportsTheLostConnection) {
    ModalWatcher watcher;
    qt::VirtualProjectorWindow panel(*projector, config);
    Run([&](qt::QtDialogWindow& window) {
        ASSERT_TRUE(WaitForState(Ready));
        auto* bar = qobject_cast<QProgressBar*>(window.ControlWidget(Ids::kProgressBar));
        bool pulled = false;
        QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
            if (value > 0 && !pulled) {
                pulled = true;
                QTimer::singleShot(0, [&] { projector->Unplug(); });
            }
        });
        GiveExampleFile(window);
        qobject_cast<QPushButton*>(window.ControlWidget(Ids::kDownload))->click();
        ASSERT_TRUE(WaitUntil([&] { return !watcher.Boxes().empty(); }, 30000));
        EXPECT_TRUE(WaitForState(WaitingForProjector));
        panel.Refresh();
        EXPECT_NE(panel.StateText().indexOf("unplugged"), -1);
    });
    ASSERT_FALSE(watcher.Boxes().empty());
    EXPECT_EQ(watcher.Boxes()[0].text, "Lost connection during download!");
}

TEST_F(HostedQt, VirtualProjectorWindowSetsFaultsAndShowsThePartitions) {
    qt::VirtualProjectorWindow panel(*projector, config);
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Virtual projector"));
    EXPECT_FALSE(panel.SetFault("no-such-fault=1"));
    EXPECT_TRUE(panel.SetFault("refuse=E"));
    EXPECT_TRUE(panel.SetFault(""));
    panel.Refresh();
    const QString state = panel.StateText();
    EXPECT_NE(state.indexOf("plugged in"), -1);
    EXPECT_NE(state.indexOf("PN 1002-3456-01, SN A10000012345"), -1);
    EXPECT_NE(state.indexOf("0: 000000-00ffff old firmware"), -1) << state.toStdString();
}

TEST_F(HostedQt, VirtualProjectorWindowBesideAMainWindowAtTheScreenEdgeStaysOnTheScreen) {
    qt::VirtualProjectorWindow panel(*projector, config);
    QWidget main;
    main.resize(420, 320);
    const QRect available = main.screen()->availableGeometry();
    main.move(available.x() + available.width() - main.width(), available.y());
    main.show();
    panel.ShowBeside(main);
    EXPECT_TRUE(available.contains(panel.frameGeometry()))
        << panel.frameGeometry().x() << "," << panel.frameGeometry().y() << " "
        << panel.frameGeometry().width() << "x" << panel.frameGeometry().height();
}

}  // namespace
}  // namespace corvane::test
