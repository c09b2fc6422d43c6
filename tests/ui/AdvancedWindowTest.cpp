// The Advanced window: showing it, Clear NVRAM and its lock.
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

using A = AdvancedDialogIds;

class AdvancedWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        SetNumber("Enable Advanced Dialog", 1);
        Start();
        GiveFiles(1);
        Identify("PN-1");
        Win().MoveWindow(200, 100);
        ASSERT_TRUE(Win().Click(Ids::kAdvanced));
        advanced = AdvancedWindow();
        ASSERT_NE(advanced, nullptr);
    }
    bool FourButtonsEnabled(bool enabled) {
        for (int id : {Ids::kProgramIds, Ids::kConfig, Ids::kAdvanced, Ids::kSelectFiles}) {
            if (Win().Enabled(id) != enabled) {
                return false;
            }
        }
        return true;
    }
    RecordingWindow* advanced = nullptr;
};

TEST_F(AdvancedWindowTest, ShowingItMovesItAndDisablesFourButtons) {
    EXPECT_TRUE(advanced->IsWindowVisible());
    EXPECT_EQ(advanced->GetWindowPosition().x, 210);
    EXPECT_EQ(advanced->GetWindowPosition().y, 120);
    EXPECT_TRUE(FourButtonsEnabled(false));
    EXPECT_TRUE(Win().Enabled(Ids::kDownload));
    advanced->Click(kIdOk);
    EXPECT_FALSE(advanced->IsWindowVisible());
    EXPECT_TRUE(FourButtonsEnabled(true));
}

TEST_F(AdvancedWindowTest, ClearNvramLocksTheWindowUntilTheClearingEnds) {
    ASSERT_TRUE(advanced->Click(A::kClearNvram));
    EXPECT_FALSE(advanced->Enabled(A::kClearNvram));
    EXPECT_TRUE(main->Advanced().Locked());
    Pump();  // WM_CLEAR_NVRAM
    EXPECT_EQ(State(), ClearingNvram);
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_CLEAR_NVRAM}));
    EXPECT_EQ(Win().Text(Ids::kPartNumber), "INVALID");

    advanced->Click(kIdOk);
    advanced->PressCloseBox();
    advanced->PressEscape();
    EXPECT_TRUE(advanced->IsWindowVisible());
    EXPECT_TRUE(FourButtonsEnabled(false));

    Deliver(WM_OPERATION_DONE);
    EXPECT_EQ(State(), Ready);
    EXPECT_FALSE(main->Advanced().Locked());
    EXPECT_TRUE(advanced->Enabled(A::kClearNvram));
    advanced->PressCloseBox();
    EXPECT_FALSE(advanced->IsWindowVisible());
    EXPECT_TRUE(FourButtonsEnabled(true));
}

TEST_F(AdvancedWindowTest, AClearingLostWithTheProjectorLeavesClearNvramUsableWithTheNextOne) {
    advanced->Click(A::kClearNvram);
    Pump();
    main->Advanced().Hide();  // as the device link does when the projector goes
    EXPECT_TRUE(main->Advanced().Locked());
    main->ApplyDisplayState(WaitingForProjector);
    EXPECT_FALSE(advanced->Enabled(A::kClearNvram));
    Identify("PN-1");
    EXPECT_FALSE(advanced->Enabled(A::kClearNvram));  // still locked
    Win().Click(Ids::kAdvanced);
    EXPECT_FALSE(main->Advanced().Locked());  // showing clears the lock
    EXPECT_TRUE(advanced->Enabled(A::kClearNvram));
    EXPECT_TRUE(advanced->IsWindowVisible());
}

TEST_F(AdvancedWindowTest, ClearNvramCannotTrampleADownloadOrVerification) {
    for (int button : {Ids::kDownload, Ids::kVerify}) {
        ASSERT_TRUE(Win().Click(button));
        const DisplayState running = State();
        EXPECT_FALSE(advanced->Enabled(A::kClearNvram));
        EXPECT_FALSE(advanced->Click(A::kClearNvram));
        // A WM_CLEAR_NVRAM already on its way is refused too.
        Deliver(WM_CLEAR_NVRAM);
        EXPECT_EQ(State(), running);
        EXPECT_EQ(thread.posted.back(), button == Ids::kDownload ? TM_DOWNLOAD : TM_VERIFY);
        EXPECT_EQ(Win().Text(Ids::kPartNumber), "PN-1");
        EXPECT_FALSE(main->Advanced().Locked());
        EXPECT_TRUE(advanced->IsWindowVisible());
        if (button == Ids::kDownload) {
            Deliver(WM_OPERATION_DONE);  // the download ends: the projector restarts
            Identify("PN-1");
        } else {
            Deliver(WM_OPERATION_DONE);
        }
        ASSERT_EQ(State(), Ready);
        EXPECT_TRUE(advanced->Enabled(A::kClearNvram));
    }
}

TEST_F(AdvancedWindowTest, ClosingItDuringADownloadEnablesNothing) {
    Win().Click(Ids::kDownload);
    ASSERT_EQ(State(), Downloading);
    advanced->Click(kIdOk);
    EXPECT_FALSE(advanced->IsWindowVisible());
    EXPECT_TRUE(FourButtonsEnabled(false));
}

TEST_F(AdvancedWindowTest, ClosingItAfterTheProjectorWentKeepsProjectorButtonsOff) {
    main->ApplyDisplayState(WaitingForProjector);
    advanced->PressCloseBox();
    EXPECT_FALSE(Win().Enabled(Ids::kProgramIds));
    EXPECT_FALSE(Win().Enabled(Ids::kAdvanced));
    EXPECT_TRUE(Win().Enabled(Ids::kConfig));
    EXPECT_TRUE(Win().Enabled(Ids::kSelectFiles));
}

}  // namespace
}  // namespace corvane::test
