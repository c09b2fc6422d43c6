// What the download thread's messages and the main window's buttons do.
#include "app/ui/MainWindowRecordOps.h"
#include "platform/DeviceNotifications.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

class MainWindowMessagesTest : public MainWindowFixture {
protected:
    void StartReadyWithFiles(int files = 2) {
        Start();
        GiveFiles(files);
        Identify("PN-1");
        ASSERT_EQ(State(), Ready);
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : windows.MessageBoxes()) {
            texts.push_back(box.caption + "|" + box.text);
        }
        return texts;
    }
};

TEST_F(MainWindowMessagesTest, DownloadPostsRequestAfterSettingTheRecord) {
    StartReadyWithFiles();
    Record().currentFileIndex = 5;
    ASSERT_TRUE(Win().Click(Ids::kDownload));
    EXPECT_EQ(State(), Downloading);
    EXPECT_EQ(Record().downloadRunning, 1u);
    EXPECT_EQ(Record().currentFileIndex, 0);
    EXPECT_EQ(Record().downloadFinished, 0);
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_DOWNLOAD}));
}

TEST_F(MainWindowMessagesTest, DownloadSuccessShowsTheCompletionBoxWhenAskedTo) {
    SetNumber("Show Completion Message Box", 1);
    StartReadyWithFiles();
    Win().Click(Ids::kDownload);
    Deliver(WM_OPERATION_DONE);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    const MessageBoxRecord& box = windows.MessageBoxes()[0];
    EXPECT_EQ(box.text, "Download successful");
    EXPECT_EQ(box.caption, "Passed");
    EXPECT_EQ(box.icon, MessageBoxIcon::Information);
    EXPECT_EQ(State(), WaitingForProjector);
    EXPECT_EQ(Win().Text(Ids::kStatus), "Waiting for new connection...");
}

TEST_F(MainWindowMessagesTest, DownloadSuccessWithoutCompletionBoxIsQuiet) {
    StartReadyWithFiles();
    Win().Click(Ids::kDownload);
    Deliver(WM_OPERATION_DONE);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(State(), WaitingForProjector);
}

TEST_F(MainWindowMessagesTest, StopEndsTheDownloadWithoutABox) {
    SetNumber("Show Completion Message Box", 1);
    StartReadyWithFiles();
    Win().Click(Ids::kDownload);
    ASSERT_TRUE(Win().Click(Ids::kStop));
    EXPECT_EQ(Record().stopFlag, 1);
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_DOWNLOAD, TM_STOP}));
    Deliver(WM_OPERATION_DONE);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(Record().stopFlag, 0);
    EXPECT_EQ(State(), WaitingForProjector);
}

TEST_F(MainWindowMessagesTest, ErrorDuringDownloadShowsOnlyTheErrorBox) {
    SetNumber("Show Completion Message Box", 1);
    StartReadyWithFiles();
    Win().Click(Ids::kDownload);
    // The done message is delivered while the error box is still open.
    uint8_t stopFlagWhileOpen = 0;
    windows.WhileMessageBoxOpen([&](const MessageBoxRecord&) {
        stopFlagWhileOpen = Record().stopFlag;
        Pump();
    });
    static const char detail[] = "/fw/file0.hex";
    Post(WM_SHOW_ERROR, 7, reinterpret_cast<platform::LParam>(detail));
    Post(WM_OPERATION_DONE);
    Pump();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Corvane|Error Opening File\n/fw/file0.hex"}));
    EXPECT_EQ(windows.MessageBoxes()[0].icon, MessageBoxIcon::Error);
    EXPECT_TRUE(windows.MessageBoxes()[0].systemModal);
    EXPECT_EQ(stopFlagWhileOpen, 1);
    EXPECT_EQ(State(), WaitingForProjector);
    EXPECT_EQ(Record().stopFlag, 0);
}

TEST_F(MainWindowMessagesTest, ErrorOutsideADownloadLeavesTheStopFlag) {
    Start();
    static const char detail[] = "Verify";
    Deliver(WM_SHOW_ERROR, 10, reinterpret_cast<platform::LParam>(detail));
    Deliver(WM_SHOW_ERROR, 1, 0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Corvane|Function unsupported:\nVerify",
                                                    "Corvane|Invalid sync with projector"}));
    EXPECT_EQ(Record().stopFlag, 0);
    EXPECT_STREQ(detail, "Verify");  // the sender's text is left alone
}

TEST_F(MainWindowMessagesTest, VerifyPassIsQuietFailureShowsTheFlashVerificationBox) {
    StartReadyWithFiles();
    ASSERT_TRUE(Win().Click(Ids::kVerify));
    EXPECT_EQ(State(), Verifying);
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_VERIFY}));
    Deliver(WM_OPERATION_DONE, 0);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(State(), Ready);

    ASSERT_TRUE(Win().Click(Ids::kVerify));
    Deliver(WM_OPERATION_DONE, 1);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Failed!");
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Flash Verification");
    EXPECT_EQ(windows.MessageBoxes()[0].icon, MessageBoxIcon::Exclamation);
    EXPECT_EQ(State(), Ready);
}

TEST_F(MainWindowMessagesTest, ProjectorLostWhileTheFailedBoxIsOpenLeavesTheWindowWaiting) {
    StartReadyWithFiles();
    Win().Click(Ids::kVerify);
    // The device link handles the removal while the box is open.
    windows.WhileMessageBoxOpen(
        [&](const MessageBoxRecord&) { main->ApplyDisplayState(WaitingForProjector); });
    Deliver(WM_OPERATION_DONE, 1);
    EXPECT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(State(), WaitingForProjector);
    EXPECT_FALSE(Win().Enabled(Ids::kProgramIds));
    EXPECT_FALSE(Win().Enabled(Ids::kDownload));
}

TEST_F(MainWindowMessagesTest, OperationDoneInReadyChangesNothing) {
    StartReadyWithFiles();
    Win().EnableControl(Ids::kConfig, false);
    Deliver(WM_OPERATION_DONE);
    EXPECT_EQ(State(), Ready);
    EXPECT_FALSE(Win().Enabled(Ids::kConfig));
}

TEST_F(MainWindowMessagesTest, ProgramIdsTakesAndEmptiesBothEdits) {
    StartReadyWithFiles();
    Win().Type(Ids::kNewPartNumber, "123456789012345678");  // cut at 14 by the edit
    Win().Type(Ids::kNewSerialNumber, "SN");
    ASSERT_TRUE(Win().Click(Ids::kProgramIds));
    EXPECT_STREQ(Record().newPartNumber, "12345678901234");
    EXPECT_STREQ(Record().newSerialNumber, "SN");
    EXPECT_EQ(Win().Text(Ids::kNewPartNumber), "");
    EXPECT_EQ(Win().Text(Ids::kNewSerialNumber), "");
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_PROGRAM_IDS}));
    EXPECT_EQ(State(), ProgrammingIds);
    Deliver(WM_OPERATION_DONE);
    EXPECT_EQ(State(), Ready);
}

TEST_F(MainWindowMessagesTest, ProgramIdsWithEmptyEditsSendsEmptyTexts) {
    StartReadyWithFiles();
    SetNewPartNumber(Record(), "OLD");
    Win().Click(Ids::kProgramIds);
    EXPECT_STREQ(Record().newPartNumber, "");
    EXPECT_STREQ(Record().newSerialNumber, "");
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_PROGRAM_IDS}));
}

TEST_F(MainWindowMessagesTest, EditFocusMakesProgramIdsTheDefaultButton) {
    StartReadyWithFiles();
    EXPECT_NE(Win().DefaultButton(), Ids::kProgramIds);
    Win().Type(Ids::kNewSerialNumber, "S1");
    EXPECT_EQ(Win().DefaultButton(), Ids::kProgramIds);
    Win().PressEnter();
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_PROGRAM_IDS}));
    Win().MoveFocus(0);
    Win().SetDefaultButton(Ids::kConfig);
    Win().Type(Ids::kNewPartNumber, "P");
    EXPECT_EQ(Win().DefaultButton(), Ids::kProgramIds);
}

TEST_F(MainWindowMessagesTest, PostedClickOnADisabledButtonIsDropped) {
    Start();  // WaitingForProjector: Program IDs disabled, no thread
    Deliver(WM_COMMAND, Ids::kProgramIds);
    Deliver(WM_COMMAND, Ids::kDownload);
    EXPECT_TRUE(thread.posted.empty());
    EXPECT_EQ(State(), WaitingForProjector);
}

TEST_F(MainWindowMessagesTest, DeviceNoticeWithoutALinkIsFreed) {
    // The notice is heap memory handed over with the message; with no link to
    // take it, the window frees it (a leak shows under the sanitizers).
    Start();
    main->SetDeviceLink(nullptr);
    Deliver(WM_DEVICECHANGE, platform::kDeviceArrivalEvent,
            platform::MakeDeviceInterfaceNotice(USBCTRL_GUID, "\\\\?\\USB#projector"));
    EXPECT_EQ(State(), WaitingForProjector);
}

TEST_F(MainWindowMessagesTest, ControlTextIsSetAndTheWindowOwnsIt) {
    Start();
    SetText(Ids::kPlatformId, "QX200");
    SetText(Ids::kStatus, "Connected");
    Pump();
    EXPECT_EQ(Win().Text(Ids::kPlatformId), "QX200");
    EXPECT_EQ(Win().Text(Ids::kStatus), "Connected");
}

TEST_F(MainWindowMessagesTest, ProgressShowsMovesAndHides) {
    Start();
    Deliver(WM_SET_PROGRESS, static_cast<platform::WParam>(static_cast<uint32_t>(-1)));
    EXPECT_TRUE(Win().Visible(Ids::kProgressBar));
    EXPECT_TRUE(Win().Visible(Ids::kProgressLabel));
    Deliver(WM_SET_PROGRESS, 50);
    EXPECT_EQ(Win().Control(Ids::kProgressBar).progress, 50);
    Deliver(WM_SET_PROGRESS, 100);
    EXPECT_EQ(Win().Control(Ids::kProgressBar).progress, 100);
    Deliver(WM_SET_PROGRESS, static_cast<platform::WParam>(static_cast<uint32_t>(-2)));
    EXPECT_FALSE(Win().Visible(Ids::kProgressBar));
    EXPECT_FALSE(Win().Visible(Ids::kProgressLabel));
    EXPECT_EQ(Win().Control(Ids::kProgressBar).progress, 100);  // hiding keeps the position
}

TEST_F(MainWindowMessagesTest, ARequestWithoutThreadIsDroppedNotFatal) {
    StartReadyWithFiles();
    thread.threadExists = false;
    Win().Click(Ids::kDownload);
    EXPECT_EQ(thread.refused, (std::vector<uint32_t>{TM_DOWNLOAD}));
    EXPECT_EQ(State(), Downloading);
}

}  // namespace
}  // namespace corvane::test
