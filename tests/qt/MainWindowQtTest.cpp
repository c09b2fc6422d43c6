// The main window through the Qt front end: start-up, the identification
// edits and Enter, the progress bar, the colour rule, About.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/qt/QtListBox.h"
#include "tests/qt/QtMainWindowFixture.h"

namespace corvane::test {
namespace {

using MainWindowQt = QtMainWindowFixture;

std::string Text(qt::QtDialogWindow& window, int id) {
    char buffer[300] = {};
    window.GetControlText(id, buffer, sizeof(buffer));
    return buffer;
}

TEST_F(MainWindowQt, StartsWaitingWithItsCaptionStatusAndButtons) {
    RunMain([&](qt::QtDialogWindow& window) {
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Corvane v1.6"));
        EXPECT_EQ(Text(window, Ids::kStatus), "Waiting for new connection...");
        EXPECT_EQ(Text(window, Ids::kPlatformId), "");
        EXPECT_EQ(Text(window, Ids::kPartNumber), "");
        EXPECT_EQ(Text(window, Ids::kSerialNumber), "");
        for (int id :
             {Ids::kDownload, Ids::kVerify, Ids::kStop, Ids::kProgramIds, Ids::kAdvanced}) {
            EXPECT_FALSE(window.ControlWidget(id)->isEnabled()) << id;
        }
        EXPECT_TRUE(window.ControlWidget(Ids::kConfig)->isEnabled());
        EXPECT_TRUE(window.ControlWidget(Ids::kSelectFiles)->isEnabled());
        EXPECT_TRUE(window.ControlWidget(Ids::kProgressBar)->isHidden());
        EXPECT_TRUE(window.ControlWidget(Ids::kProgressLabel)->isHidden());
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.windowIcon().isNull());
        EXPECT_EQ(link.calls.front(), "register");
        // The scan posted at initialisation has been delivered by Qt's loop.
        EXPECT_EQ(link.calls.back(), "change:32768:0");
    });
}

TEST_F(MainWindowQt, AboutIsOnTheContextMenuAndF1) {
    RunMain([&](qt::QtDialogWindow& window) {
        QAction* about = nullptr;
        for (QAction* action : window.actions()) {
            if (action->text() == QStringLiteral("&About Corvane...")) {
                about = action;
            }
        }
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(window.contextMenuPolicy(), Qt::ActionsContextMenu);
        EXPECT_EQ(about->shortcut(), QKeySequence(Qt::Key_F1));

        ModalWatcher watcher;
        std::string version;
        QString caption;
        watcher.onDialog = [&](qt::QtDialogWindow& dialog) {
            caption = dialog.windowTitle();
            version = Text(dialog, AboutDialogIds::kVersion);
            QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
        };
        window.activateWindow();
        QTest::keyClick(&window, Qt::Key_F1);
        EXPECT_EQ(caption, QStringLiteral("About Corvane"));
        EXPECT_EQ(version, "1.6");
        EXPECT_EQ(windows.FindWindow(kAboutTemplateId), nullptr);  // ended and destroyed
    });
}

TEST_F(MainWindowQt, EnterInEitherIdentificationEditPressesProgramIds) {
    RunMain([&](qt::QtDialogWindow& window) {
        Identify("PN-1");
        ASSERT_EQ(State(), Ready);
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        auto* part = Control<QLineEdit>(window, Ids::kNewPartNumber);
        auto* serial = Control<QLineEdit>(window, Ids::kNewSerialNumber);

        part->setFocus();
        QTest::keyClicks(part, "ABCDEFGHIJKLMNOPQ");  // 17 typed, 14 taken
        EXPECT_EQ(part->text(), QStringLiteral("ABCDEFGHIJKLMN"));
        QTest::keyClick(part, Qt::Key_Return);
        ASSERT_EQ(thread.posted.size(), 1u);
        EXPECT_EQ(thread.posted[0], TM_PROGRAM_IDS);
        EXPECT_STREQ(main->Record().newPartNumber, "ABCDEFGHIJKLMN");
        EXPECT_EQ(part->text(), QString());
        EXPECT_EQ(State(), ProgrammingIds);

        Post(WM_OPERATION_DONE);
        Settle();
        ASSERT_EQ(State(), Ready);
        serial->setFocus();
        QTest::keyClicks(serial, "1234567890ABCDEF");  // 12 taken
        EXPECT_EQ(serial->text(), QStringLiteral("1234567890AB"));
        QTest::keyClick(serial, Qt::Key_Enter);
        ASSERT_EQ(thread.posted.size(), 2u);
        EXPECT_EQ(thread.posted[1], TM_PROGRAM_IDS);
        EXPECT_STREQ(main->Record().newSerialNumber, "1234567890AB");
        EXPECT_EQ(window.DefaultButtonId(), Ids::kProgramIds);
    });
}

TEST_F(MainWindowQt, PostedProgressShowsMovesAndHidesTheBar) {
    RunMain([&](qt::QtDialogWindow& window) {
        auto* bar = Control<QProgressBar>(window, Ids::kProgressBar);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        Post(WM_SET_PROGRESS, static_cast<platform::WParam>(static_cast<uint32_t>(kProgressShow)));
        Settle();
        EXPECT_FALSE(bar->isHidden());
        EXPECT_FALSE(window.ControlWidget(Ids::kProgressLabel)->isHidden());
        for (int value : {0, 1, 50, 99, 100}) {
            Post(WM_SET_PROGRESS, static_cast<platform::WParam>(value));
            Settle();
            EXPECT_EQ(bar->value(), value);
        }
        Post(WM_SET_PROGRESS, 250);  // out of range: the bar stays full
        Settle();
        EXPECT_EQ(bar->value(), 100);
        Post(WM_SET_PROGRESS, static_cast<platform::WParam>(static_cast<uint32_t>(kProgressHide)));
        Settle();
        EXPECT_TRUE(bar->isHidden());
        EXPECT_TRUE(window.ControlWidget(Ids::kProgressLabel)->isHidden());
    });
}

TEST_F(MainWindowQt, FileListIsLightGreyWhileMatchingPartNumbers) {
    settings.SetNumber("Match Files to Part Number", 1);
    RunMain([&](qt::QtDialogWindow& window) {
        auto* list = Control<qt::QtListBox>(window, Ids::kFileList);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->Background(), qt::kListBrushColour);
        const QImage grey = list->viewport()->grab().toImage();
        EXPECT_EQ(QColor(grey.pixel(grey.width() / 2, grey.height() - 3)), qt::kListBrushColour);

        // Switched off: the next paint asks again and uses the default colour.
        main->Record().MatchFilesToPartNumber = 0;
        window.RedrawControl(Ids::kFileList);
        EXPECT_NE(list->Background(), qt::kListBrushColour);
        const QImage plain = list->viewport()->grab().toImage();
        EXPECT_EQ(QColor(plain.pixel(plain.width() / 2, plain.height() - 3)),
                  list->palette().color(QPalette::Base));
    });
}

TEST_F(MainWindowQt, FileListHasNoSelection) {
    RunMain([&](qt::QtDialogWindow& window) {
        auto* list = Control<QListWidget>(window, Ids::kFileList);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);
        GiveFiles(window, 3);
        EXPECT_EQ(window.ListCount(Ids::kFileList), 3);
        EXPECT_EQ(window.ListItemText(Ids::kFileList, 2), "firmware2.hex");
    });
}

TEST_F(MainWindowQt, AdvancedWindowIsModelessAndLockedWhileClearingNvram) {
    settings.SetNumber("Enable Advanced Dialog", 1);
    RunMain([&](qt::QtDialogWindow& window) {
        Identify("PN-1");
        ASSERT_TRUE(window.IsControlEnabled(Ids::kAdvanced));
        Control<QPushButton>(window, Ids::kAdvanced)->click();
        qt::QtDialogWindow* advanced = windows.FindWindow(kAdvancedTemplateId);
        ASSERT_NE(advanced, nullptr);
        EXPECT_TRUE(advanced->isVisible());
        EXPECT_FALSE(advanced->isModal());
        EXPECT_EQ(advanced->parentWidget(), &window);  // owned: stays above the main window
        const WindowPosition main = window.GetWindowPosition();
        const WindowPosition moved = advanced->GetWindowPosition();
        EXPECT_EQ(moved.x, main.x + 10);
        EXPECT_EQ(moved.y, main.y + 20);
        for (int id : {Ids::kProgramIds, Ids::kConfig, Ids::kAdvanced, Ids::kSelectFiles}) {
            EXPECT_FALSE(window.IsControlEnabled(id)) << id;
        }

        auto* clear =
            qobject_cast<QPushButton*>(advanced->ControlWidget(AdvancedDialogIds::kClearNvram));
        clear->click();
        Settle();
        EXPECT_FALSE(clear->isEnabled());
        EXPECT_EQ(State(), ClearingNvram);
        ASSERT_FALSE(thread.posted.empty());
        EXPECT_EQ(thread.posted.back(), TM_CLEAR_NVRAM);
        advanced->close();  // locked: the close box is refused
        QTest::keyClick(advanced, Qt::Key_Escape);
        EXPECT_TRUE(advanced->isVisible());

        Post(WM_OPERATION_DONE);
        Settle();
        EXPECT_TRUE(clear->isEnabled());
        EXPECT_EQ(State(), Ready);
        QTest::keyClick(advanced, Qt::Key_Return);  // OK
        EXPECT_FALSE(advanced->isVisible());
        EXPECT_TRUE(window.IsControlEnabled(Ids::kConfig));
    });
}

}  // namespace
}  // namespace corvane::test
