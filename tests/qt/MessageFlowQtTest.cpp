// Posted messages through Qt's loop: in order from another thread, while an
// error box is open, and through the dialogs the main window opens.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "app/ui/qt/QtWindowFactory.h"
#include "tests/qt/QtMainWindowFixture.h"

namespace corvane::test {
namespace {

using MessageFlowQt = QtMainWindowFixture;

std::string Text(qt::QtDialogWindow& window, int id) {
    char buffer[300] = {};
    window.GetControlText(id, buffer, sizeof(buffer));
    return buffer;
}

TEST(QtMainQueue, DeliversEveryMessageFromAnotherThreadInOrder) {
    TestApp();
    qt::QtWindowFactory windows;
    platform::WindowMessageQueue queue;
    RecordingHandler handler;
    windows.ConnectMainQueue(&queue, &handler);
    constexpr int kCount = 2000;
    std::thread poster;
    QTimer::singleShot(0, [&] {
        poster = std::thread([&queue] {
            for (int i = 0; i < kCount; ++i) {
                queue.Post(WM_SET_PROGRESS, static_cast<platform::WParam>(i), 0);
            }
        });
        WaitUntil([&] { return handler.messages.size() == kCount; }, 10000);
        handler.window->EndDialog(kIdOk);
    });
    EXPECT_EQ(windows.RunModal(AdvancedDialogTemplate(), handler, nullptr), kIdOk);
    poster.join();
    windows.ConnectMainQueue(nullptr, nullptr);
    ASSERT_EQ(handler.messages.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(handler.messages[i].wParam, static_cast<platform::WParam>(i));
    }
}

TEST(QtMainQueue, MessagesQueuedBeforeAMessageBoxReachItsLoop) {
    TestApp();
    qt::QtWindowFactory windows;
    platform::WindowMessageQueue queue;
    RecordingHandler handler;
    size_t deliveredUnderBox = 0;
    ModalWatcher watcher;
    watcher.onBox = [&](const SeenBox&) {
        WaitUntil([&] { return handler.messages.size() == 2; }, 2000);
        deliveredUnderBox = handler.messages.size();
    };
    handler.onMessage = [&](uint32_t, platform::WParam wParam) {
        if (wParam == 1) {
            handler.window->ShowMessageBox("first", "Corvane", MessageBoxIcon::Error, false);
            handler.window->EndDialog(kIdOk);
        }
    };
    windows.ConnectMainQueue(&queue, &handler);
    // Both are queued before the first is dispatched; nothing is posted later.
    queue.Post(WM_SET_PROGRESS, 1, 0);
    queue.Post(WM_SET_PROGRESS, 2, 0);
    EXPECT_EQ(windows.RunModal(AdvancedDialogTemplate(), handler, nullptr), kIdOk);
    windows.ConnectMainQueue(nullptr, nullptr);
    EXPECT_EQ(deliveredUnderBox, 2u);
}

TEST(QtMainQueue, StopsDeliveringOnceDisconnected) {
    TestApp();
    qt::QtWindowFactory windows;
    platform::WindowMessageQueue queue;
    RecordingHandler handler;
    windows.ConnectMainQueue(&queue, &handler);
    windows.ConnectMainQueue(nullptr, nullptr);
    queue.Post(WM_SET_PROGRESS, 5, 0);
    QTest::qWait(20);
    EXPECT_TRUE(handler.messages.empty());
    EXPECT_FALSE(queue.Empty());
    // Connecting again delivers what waited.
    windows.ConnectMainQueue(&queue, &handler);
    EXPECT_TRUE(WaitUntil([&] { return handler.messages.size() == 1; }));
    windows.ConnectMainQueue(nullptr, nullptr);
}

TEST_F(MessageFlowQt, ErrorBoxIsModalWhilePostedMessagesKeepArriving) {
    settings.SetNumber("Show Completion Message Box", 1);
    RunMain([&](qt::QtDialogWindow& window) {
        Identify("PN-1");
        GiveFiles(window, 2);
        Control<QPushButton>(window, Ids::kDownload)->setEnabled(true);
        Control<QPushButton>(window, Ids::kDownload)->click();
        ASSERT_EQ(State(), Downloading);
        ASSERT_EQ(thread.posted.back(), TM_DOWNLOAD);

        static const char kDetail[] = "Verify";
        ModalWatcher watcher;
        bool stateChangedUnderBox = false;
        int progressUnderBox = -1;
        std::string statusUnderBox;
        watcher.onBox = [&](const SeenBox&) {
            // The download thread carries on while the box is open.
            Post(WM_SET_PROGRESS,
                 static_cast<platform::WParam>(static_cast<uint32_t>(kProgressShow)));
            Post(WM_SET_PROGRESS, 40);
            PostText(Ids::kStatus, "Erasing flash...");
            Settle();
            progressUnderBox = Control<QProgressBar>(window, Ids::kProgressBar)->value();
            statusUnderBox = Text(window, Ids::kStatus);
            // The end of the failed download, handled before the box closes.
            Post(WM_OPERATION_DONE);
            Settle();
            stateChangedUnderBox = State() == WaitingForProjector;
        };
        Post(WM_SHOW_ERROR, 10, reinterpret_cast<platform::LParam>(kDetail));
        ASSERT_TRUE(WaitUntil([&] { return !watcher.Boxes().empty(); }));
        Settle();
        ASSERT_EQ(watcher.Boxes().size(), 1u);  // no "Download successful" after an error
        const SeenBox& box = watcher.Boxes()[0];
        EXPECT_EQ(box.caption, "Corvane");
        EXPECT_EQ(box.text, "Function unsupported:\nVerify");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.modality, Qt::ApplicationModal);
        EXPECT_EQ(progressUnderBox, 40);
        EXPECT_EQ(statusUnderBox, "Erasing flash...");
        EXPECT_TRUE(stateChangedUnderBox);
    });
}

TEST_F(MessageFlowQt, StopDuringADownloadShowsNoSuccessBox) {
    settings.SetNumber("Show Completion Message Box", 1);
    RunMain([&](qt::QtDialogWindow& window) {
        Identify("PN-1");
        GiveFiles(window, 1);
        window.EnableControl(Ids::kDownload, true);
        Control<QPushButton>(window, Ids::kDownload)->click();
        ASSERT_TRUE(window.IsControlEnabled(Ids::kStop));
        ModalWatcher watcher;
        Control<QPushButton>(window, Ids::kStop)->click();
        EXPECT_EQ(thread.posted.back(), TM_STOP);
        Post(WM_OPERATION_DONE);
        Settle();
        QTest::qWait(20);
        EXPECT_TRUE(watcher.Boxes().empty());
        EXPECT_EQ(State(), WaitingForProjector);
    });
}

TEST_F(MessageFlowQt, CompletedDownloadShowsThePassedBox) {
    settings.SetNumber("Show Completion Message Box", 1);
    RunMain([&](qt::QtDialogWindow& window) {
        Identify("PN-1");
        GiveFiles(window, 1);
        window.EnableControl(Ids::kDownload, true);
        Control<QPushButton>(window, Ids::kDownload)->click();
        ModalWatcher watcher;
        Post(WM_OPERATION_DONE);
        ASSERT_TRUE(WaitUntil([&] { return !watcher.Boxes().empty(); }));
        EXPECT_EQ(watcher.Boxes()[0].caption, "Passed");
        EXPECT_EQ(watcher.Boxes()[0].text, "Download successful");
        EXPECT_EQ(watcher.Boxes()[0].icon, QMessageBox::Information);
        Settle();
        EXPECT_EQ(State(), WaitingForProjector);
    });
}

TEST_F(MessageFlowQt, PasswordThenConfigurationWithMaskedLimitedEdits) {
    settings.SetText("Config Password", "opensesame");
    RunMain([&](qt::QtDialogWindow& window) {
        ModalWatcher watcher;
        std::vector<int> seen;
        QLineEdit::EchoMode passwordEcho = QLineEdit::Normal;
        QLineEdit::EchoMode configEcho = QLineEdit::Normal;
        QString typed;
        QString configField;
        watcher.onDialog = [&](qt::QtDialogWindow& dialog) {
            seen.push_back(dialog.TemplateId());
            if (dialog.TemplateId() == kPasswordTemplateId) {
                auto* edit =
                    qobject_cast<QLineEdit*>(dialog.ControlWidget(PasswordDialogIds::kPassword));
                passwordEcho = edit->echoMode();
                edit->setFocus();
                QTest::keyClicks(edit, "opensesame-and-more");  // 11 characters kept
                typed = edit->text();
                QTest::keyClick(edit, Qt::Key_Return);
            } else if (dialog.TemplateId() == kConfigTemplateId) {
                auto* edit =
                    qobject_cast<QLineEdit*>(dialog.ControlWidget(ConfigDialogIds::kPassword));
                configEcho = edit->echoMode();
                configField = edit->text();
                edit->selectAll();
                QTest::keyClicks(edit, "0123456789ABC");
                configField += "|" + edit->text();
                dialog.close();  // the close box
            } else {
                dialog.EndDialog(kIdCancel);
            }
        };
        Control<QPushButton>(window, Ids::kConfig)->click();
        EXPECT_EQ(seen, (std::vector<int>{kPasswordTemplateId, kConfigTemplateId}));
        EXPECT_EQ(passwordEcho, QLineEdit::Password);
        EXPECT_EQ(configEcho, QLineEdit::Password);
        EXPECT_EQ(typed, QStringLiteral("opensesame-"));
        EXPECT_EQ(configField, QStringLiteral("opensesame|0123456789A"));
    });
}

TEST_F(MessageFlowQt, WrongPasswordShowsItsBoxAndNoConfiguration) {
    settings.SetText("Config Password", "opensesame");
    RunMain([&](qt::QtDialogWindow& window) {
        ModalWatcher watcher;
        std::vector<int> seen;
        watcher.onDialog = [&](qt::QtDialogWindow& dialog) {
            seen.push_back(dialog.TemplateId());
            if (dialog.TemplateId() == kPasswordTemplateId) {
                dialog.SetControlText(PasswordDialogIds::kPassword, "opensesamE");
                QTest::keyClick(&dialog, Qt::Key_Return);
            } else {
                dialog.EndDialog(kIdCancel);
            }
        };
        Control<QPushButton>(window, Ids::kConfig)->click();
        EXPECT_EQ(seen, (std::vector<int>{kPasswordTemplateId}));
        ASSERT_EQ(watcher.Boxes().size(), 1u);
        EXPECT_EQ(watcher.Boxes()[0].text, "Invalid Password");
    });
}

}  // namespace
}  // namespace corvane::test
