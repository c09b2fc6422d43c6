// The Qt front end's window factory: builds every window from its template
// as a QtDialogWindow, runs modal windows in their own event loops and lets
// the main window's posted messages through in every one of them.
// Construct it after the QApplication, on the UI thread.
#pragma once

#include <functional>
#include <vector>

#include "app/ui/WindowFactory.h"
#include "app/ui/qt/QtDialogWindow.h"
#include "app/ui/qt/QtMainQueuePump.h"

namespace corvane::qt {

class QtWindowFactory : public WindowFactory {
public:
    QtWindowFactory();
    ~QtWindowFactory() override;
    QtWindowFactory(const QtWindowFactory&) = delete;
    QtWindowFactory& operator=(const QtWindowFactory&) = delete;

    void ConnectMainQueue(platform::WindowMessageQueue* queue, DialogHandler* mainWindow) override;
    int RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                 DialogWindow* owner) override;
    std::unique_ptr<DialogWindow> CreateModeless(const DialogTemplate& dialog,
                                                 DialogHandler& handler,
                                                 DialogWindow* owner) override;
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;

    // Called once the main window is up, inside its run (other windows of the
    // front end place themselves beside it).
    void SetMainWindowShown(std::function<void(QWidget&)> hook) { mainShown_ = std::move(hook); }
    // Called after each message posted to the main window has been delivered.
    void SetAfterMainMessage(std::function<void()> hook) {
        pump_.SetAfterDispatch(std::move(hook));
    }

    // The newest live window of a template; nullptr when none.
    QtDialogWindow* FindWindow(int templateId) const;

private:
    QtMainQueuePump pump_;
    std::vector<QtDialogWindow*> live_;
    std::function<void(QWidget&)> mainShown_;
};

}  // namespace corvane::qt
