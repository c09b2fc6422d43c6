// Initialisation and close-down of the main window.
#include "app/ui/MainWindowRecordOps.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

using MainWindowStartTest = MainWindowFixture;

TEST_F(MainWindowStartTest, WindowIsSetUpBeforeTheFirstScan) {
    Start();
    EXPECT_EQ(Win().Caption(), "Corvane v1.6");
    ASSERT_EQ(Win().SystemMenu().size(), 1u);
    EXPECT_EQ(Win().SystemMenu()[0], std::make_pair(0x10, std::string("&About Corvane...")));
    EXPECT_EQ(Win().Icon(), kIconResourceId);
    EXPECT_EQ(Win().Control(Ids::kNewPartNumber).limit, 14);
    EXPECT_EQ(Win().Control(Ids::kNewSerialNumber).limit, 12);
    EXPECT_FALSE(Win().Visible(Ids::kProgressBar));
    EXPECT_FALSE(Win().Visible(Ids::kProgressLabel));
    // Notifications first, then the scan the posted WM_SCAN_DEVICES runs.
    EXPECT_EQ(link.calls, (std::vector<std::string>{"register", "change:32768:0"}));
    ASSERT_NE(AdvancedWindow(), nullptr);
    EXPECT_FALSE(AdvancedWindow()->IsWindowVisible());
    EXPECT_TRUE(windows.UnknownControls().empty());
}

TEST_F(MainWindowStartTest, ReadsTheSettingsInOrder) {
    SetSettingText(".DLD Path", "/lists/");
    settings.ClearLog();
    Start();
    const std::vector<std::string> expected = {"query:Enable File Selection",
                                               "query:Match Files to Hardware",
                                               "query:Match Files to Part Number",
                                               "query:Enable Advanced Dialog",
                                               "query:Show Completion Message Box",
                                               "query:",  // Verify Downloads is the unnamed value
                                               "query:.DLD Path"};
    EXPECT_EQ(settings.Log(), expected);
    EXPECT_STREQ(Record().dldPath, "/lists/");
}

TEST_F(MainWindowStartTest, CloseWritesSettingsInOrderAndEndsTheRun) {
    SetNumber("", 1);  // Verify Downloads, the unnamed value
    Start();
    Record().ShowCompletionMessageBox = 1;
    SetDldPath(Record(), CopyText("/lists/"));
    settings.ClearLog();
    Deliver(WM_CLOSE);
    const std::vector<std::string> expected = {"set:Enable File Selection",
                                               "set:Match Files to Hardware",
                                               "set:Match Files to Part Number",
                                               "set:Enable Advanced Dialog",
                                               "set:Show Completion Message Box",
                                               "set:",  // Verify Downloads
                                               "set:.DLD Path"};
    EXPECT_EQ(settings.Log(), expected);
    EXPECT_EQ(settings.Number("Show Completion Message Box"), 1u);
    EXPECT_EQ(settings.Number(""), 1u);
    EXPECT_EQ(settings.Text(".DLD Path"), "/lists/");
    EXPECT_EQ(Record().closing, 1u);
    EXPECT_EQ(Record().dldPath, nullptr);
    EXPECT_TRUE(Win().Ended());
    EXPECT_EQ(AdvancedWindow(), nullptr);  // destroyed before its owner
}

TEST_F(MainWindowStartTest, EscapeDoesNotEndTheProgram) {
    Start();
    settings.ClearLog();
    link.calls.clear();
    Win().PressEscape();
    Win().PressEnter();  // Config, the template's default button
    EXPECT_FALSE(Win().Ended());
    EXPECT_EQ(Record().closing, 0u);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kConfigTemplateId}));
}

TEST_F(MainWindowStartTest, CloseUnregistersThenClosesAnOpenDevice) {
    Start();
    link.open = true;
    link.calls.clear();
    link.onClose = [&] { EXPECT_TRUE(settings.Log().empty()) << "settings before close"; };
    settings.ClearLog();
    Deliver(WM_CLOSE);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"unregister", "close:0"}));
    EXPECT_FALSE(settings.Log().empty());
}

TEST_F(MainWindowStartTest, CloseWithoutDeviceDoesNotCloseOne) {
    Start();
    link.calls.clear();
    Deliver(WM_CLOSE);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"unregister"}));
}

TEST_F(MainWindowStartTest, MessagesAfterCloseAreDroppedAndTheirTextsFreed) {
    Start();
    Deliver(WM_CLOSE);
    link.calls.clear();
    settings.ClearLog();
    SetText(Ids::kStatus, "late");
    Post(WM_OPERATION_DONE);
    Post(WM_CLOSE);
    Post(WM_DEVICECHANGE, 0x8004, 0);
    Pump();
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(settings.Log().empty());
    EXPECT_EQ(Win().Text(Ids::kStatus), "Waiting for new connection...");
}

TEST_F(MainWindowStartTest, RecordIsTheMainWindowUntilDestructionWhichClosesAStagedImage) {
    Start();
    EXPECT_EQ(program.mainWindow, &Record());
    EXPECT_EQ(engine.mainWindow, &Record());
    engine.devices[0].stagedImage = std::tmpfile();
    ASSERT_NE(engine.devices[0].stagedImage, nullptr);
    main.reset();
    EXPECT_EQ(engine.devices[0].stagedImage, nullptr);
    EXPECT_EQ(program.mainWindow, nullptr);
    EXPECT_EQ(engine.mainWindow, nullptr);
}

TEST_F(MainWindowStartTest, DeviceChangeGoesToTheDeviceLink) {
    Start();
    link.calls.clear();
    Deliver(WM_DEVICECHANGE, 0x8004, 1234);
    EXPECT_EQ(link.calls, (std::vector<std::string>{"change:32772:1234"}));
}

TEST_F(MainWindowStartTest, SystemMenuItemOpensTheAboutBox) {
    Start();
    std::string version;
    windows.ScriptModal(kAboutTemplateId, [&](RecordingWindow& about) {
        version = about.Text(AboutDialogIds::kVersion);
        about.Click(kIdOk);
    });
    Win().ChooseSystemMenu(0x13);  // the low four bits do not count
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kAboutTemplateId}));
    EXPECT_EQ(version, "1.6");
    MessageResult other = main->DispatchMessage(WM_SYSCOMMAND, 0xF060, 0);
    EXPECT_FALSE(other.handled);
    EXPECT_EQ(windows.ModalRuns().size(), 1u);
}

}  // namespace
}  // namespace corvane::test
