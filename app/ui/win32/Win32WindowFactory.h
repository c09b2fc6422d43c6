// The Win32 front end's window factory: builds every window from its template
// as a Win32DialogWindow, runs modal windows in loops that dispatch all of the
// thread's messages, and lets the main window's posted messages through in
// every one of them. Construct it on the user-interface thread.
#pragma once

#include <functional>
#include <vector>

#include "app/ui/WindowFactory.h"
#include "app/ui/win32/Win32DialogWindow.h"
#include "app/ui/win32/Win32MainQueuePump.h"

namespace corvane::win32 {

class Win32WindowFactory : public WindowFactory {
public:
    // instance: the module whose resources (icon 133, bitmap 137) the windows show.
    explicit Win32WindowFactory(void* instance);
    ~Win32WindowFactory() override;
    Win32WindowFactory(const Win32WindowFactory&) = delete;
    Win32WindowFactory& operator=(const Win32WindowFactory&) = delete;

    void ConnectMainQueue(platform::WindowMessageQueue* queue, DialogHandler* mainWindow) override;
    int RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                 DialogWindow* owner) override;
    std::unique_ptr<DialogWindow> CreateModeless(const DialogTemplate& dialog,
                                                 DialogHandler& handler,
                                                 DialogWindow* owner) override;
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;

    // The newest live window of a template; nullptr when none.
    Win32DialogWindow* FindLiveWindow(int templateId) const;

private:
    void* instance_;
    Win32MainQueuePump pump_;
    std::vector<Win32DialogWindow*> live_;
};

}  // namespace corvane::win32
