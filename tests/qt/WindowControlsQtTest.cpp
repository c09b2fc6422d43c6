// The dialog window's control operations on Qt widgets, against the
// semantics every front end shares (see tests/ui/RecordingWindow).
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/ui/ControlIds.h"
#include "app/ui/WindowMessages.h"
#include "app/ui/qt/QtWindowFactory.h"
#include "tests/qt/QtTestApp.h"

namespace corvane::test {
namespace {

class WindowControlsQt : public ::testing::Test {
protected:
    QApplication& app = TestApp();
    RecordingHandler handler;
};

TEST_F(WindowControlsQt, SortedListPlacesWithoutRegardToCaseAndReportsIndices) {
    qt::QtDialogWindow window(ConfigDialogTemplate(), handler, nullptr, nullptr);
    const int list = ConfigDialogIds::kFileList;
    EXPECT_EQ(window.ListAddString(list, "b.hex"), 0);
    EXPECT_EQ(window.ListAddString(list, "A.hex"), 0);
    EXPECT_EQ(window.ListAddString(list, "c.hex"), 2);
    EXPECT_EQ(window.ListAddString(list, "B.HEX"), 2);  // after its equal
    EXPECT_EQ(window.ListCount(list), 4);
    EXPECT_EQ(window.ListItemText(list, 0), "A.hex");
    EXPECT_EQ(window.ListItemText(list, 1), "b.hex");
    EXPECT_EQ(window.ListItemText(list, 2), "B.HEX");
    EXPECT_EQ(window.ListItemText(list, 4), "");
    EXPECT_EQ(window.ListItemText(list, -1), "");
    window.ListReset(list);
    EXPECT_EQ(window.ListCount(list), 0);
}

TEST_F(WindowControlsQt, UnsortedListInsertsWhereAskedAndRefusesPastTheEnd) {
    qt::QtDialogWindow window(MainWindowTemplate(), handler, nullptr, nullptr);
    const int list = MainWindowIds::kFileList;
    EXPECT_EQ(window.ListAddString(list, "z"), 0);
    EXPECT_EQ(window.ListAddString(list, "a"), 1);
    EXPECT_EQ(window.ListInsertString(list, 0, "first"), 0);
    EXPECT_EQ(window.ListInsertString(list, -1, "last"), 3);
    EXPECT_EQ(window.ListInsertString(list, 9, "nowhere"), -1);
    EXPECT_EQ(window.ListItemText(list, 0), "first");
    EXPECT_EQ(window.ListItemText(list, 3), "last");
}

TEST_F(WindowControlsQt, TextsAreCutLikeGetDlgItemText) {
    qt::QtDialogWindow window(MainWindowTemplate(), handler, nullptr, nullptr);
    window.SetControlText(MainWindowIds::kStatus, "Downloading");
    char buffer[8];
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Down");
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, nullptr, 5), 0);
    // A character is never cut in half.
    window.SetControlText(MainWindowIds::kStatus, "ab\xc3\xa9");
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, 4), 2);
    // Unknown ids are ignored and read empty.
    window.SetControlText(4242, "x");
    EXPECT_EQ(window.GetControlText(4242, buffer, sizeof(buffer)), 0);
    EXPECT_FALSE(window.IsControlEnabled(4242));
    EXPECT_FALSE(window.IsControlVisible(4242));
    EXPECT_EQ(window.ListCount(4242), 0);
    // A label shows text as it is, never as markup.
    window.SetControlText(MainWindowIds::kStatus, "<b>x</b>");
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, sizeof(buffer)), 7);
}

TEST_F(WindowControlsQt, LimitBindsTypingButNotSettingText) {
    qt::QtDialogWindow window(MainWindowTemplate(), handler, nullptr, nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const int id = MainWindowIds::kNewSerialNumber;
    auto* edit = qobject_cast<QLineEdit*>(window.ControlWidget(id));
    window.LimitText(id, 4);
    window.SetControlText(id, "123456");
    char buffer[16];
    window.GetControlText(id, buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "123456");
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_7);
    EXPECT_EQ(edit->text(), QStringLiteral("123456"));
    edit->clear();
    QTest::keyClicks(edit, "abcdef");
    EXPECT_EQ(edit->text(), QStringLiteral("abcd"));
}

TEST_F(WindowControlsQt, ClicksFocusEscapeAndCloseBoxReachTheHandler) {
    qt::QtDialogWindow window(ConfigDialogTemplate(), handler, nullptr, nullptr);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* check = qobject_cast<QCheckBox*>(window.ControlWidget(ConfigDialogIds::kMatchDld));
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_TRUE(window.IsChecked(ConfigDialogIds::kMatchDld));
    ASSERT_FALSE(handler.controls.empty());
    EXPECT_EQ(handler.controls.back().first, ConfigDialogIds::kMatchDld);

    window.EnableControl(ConfigDialogIds::kSelectFiles, false);
    handler.controls.clear();
    QTest::mouseClick(window.ControlWidget(ConfigDialogIds::kSelectFiles), Qt::LeftButton);
    EXPECT_TRUE(handler.controls.empty());  // a disabled button takes no click

    window.FocusControl(ConfigDialogIds::kPassword);
    ASSERT_FALSE(handler.controls.empty());
    EXPECT_EQ(handler.controls.back(),
              std::make_pair(ConfigDialogIds::kPassword, ControlEvent::GainedFocus));
    window.FocusControl(ConfigDialogIds::kMatchDld);
    EXPECT_EQ(handler.controls.back(),
              std::make_pair(ConfigDialogIds::kPassword, ControlEvent::LostFocus));

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(handler.controls.back(), std::make_pair(kIdCancel, ControlEvent::Clicked));
    EXPECT_TRUE(window.isVisible());  // only the handler ends a dialog

    window.close();
    ASSERT_FALSE(handler.messages.empty());
    EXPECT_EQ(handler.messages.back().message, WM_CLOSE);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowControlsQt, ProgressBarStartsHiddenAndClampsItsPosition) {
    qt::QtDialogWindow window(MainWindowTemplate(), handler, nullptr, nullptr);
    auto* bar = qobject_cast<QProgressBar*>(window.ControlWidget(MainWindowIds::kProgressBar));
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(window.IsControlVisible(MainWindowIds::kProgressBar));
    window.SetProgressPosition(MainWindowIds::kProgressBar, -5);
    EXPECT_EQ(bar->value(), 0);
    window.SetProgressPosition(MainWindowIds::kProgressBar, 101);
    EXPECT_EQ(bar->value(), 100);
}

TEST_F(WindowControlsQt, EndDialogBeforeTheRunEndsItAtOnce) {
    qt::QtWindowFactory windows;
    struct EndsAtInit : RecordingHandler {
        void OnInitDialog(DialogWindow& window) override { window.EndDialog(kIdOk); }
    } ending;
    EXPECT_EQ(windows.RunModal(PasswordDialogTemplate(), ending, nullptr), kIdOk);
}

TEST_F(WindowControlsQt, ModelessWindowOutlivesItsOwnersWindow) {
    qt::QtWindowFactory windows;
    RecordingHandler owned;
    std::unique_ptr<DialogWindow> advanced;
    {
        qt::QtDialogWindow owner(MainWindowTemplate(), handler, nullptr, nullptr);
        advanced = windows.CreateModeless(AdvancedDialogTemplate(), owned, &owner);
        EXPECT_FALSE(advanced->IsWindowVisible());  // the template is not visible
        advanced->ShowWindow(true);
        EXPECT_TRUE(advanced->IsWindowVisible());
        advanced->MoveWindow(40, 60);
    }
    EXPECT_FALSE(advanced->IsWindowVisible());
    EXPECT_EQ(static_cast<DialogWindow*>(windows.FindWindow(kAdvancedTemplateId)), advanced.get());
    advanced.reset();
    EXPECT_EQ(windows.FindWindow(kAdvancedTemplateId), nullptr);
}

}  // namespace
}  // namespace corvane::test
