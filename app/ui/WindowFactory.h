// Creates the program's windows from their templates and runs them. The front
// end supplies it (Qt widgets, the terminal, Win32 dialogs, the test fake);
// the dialog classes only say which template, which handler and which owner.
#pragma once

#include <memory>

#include "app/ui/DialogTemplates.h"
#include "app/ui/DialogWindow.h"
#include "platform/WindowMessageQueue.h"

namespace corvane {

class WindowFactory {
public:
    virtual ~WindowFactory() = default;

    // The queue of messages posted to the main window and the handler that
    // receives them. Every modal loop the factory runs (the main window's,
    // a dialog's, a message box's, a file dialog's) takes and delivers these
    // messages in order while it runs. The main window's PostToWindow posts
    // into this queue.
    virtual void ConnectMainQueue(platform::WindowMessageQueue* queue,
                                  DialogHandler* mainWindow) = 0;

    // Creates the window, calls handler.OnInitDialog, shows it and runs it
    // until the handler calls EndDialog; returns that result. The window is
    // destroyed before the call returns.
    virtual int RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                         DialogWindow* owner) = 0;

    // Creates a modeless window owned by owner (hidden unless the template is
    // visible) and calls handler.OnInitDialog; the window lives until the
    // returned object is destroyed.
    virtual std::unique_ptr<DialogWindow> CreateModeless(const DialogTemplate& dialog,
                                                         DialogHandler& handler,
                                                         DialogWindow* owner) = 0;

    // A message box owned by no window (before the main window exists).
    virtual int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                               bool systemModal) = 0;
};

}  // namespace corvane
