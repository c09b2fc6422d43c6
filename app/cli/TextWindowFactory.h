// The terminal's window factory. The main window's modal run is the program's
// event loop: it delivers the messages posted to the main window in order and,
// between them, lets the front end's driver act as the user (press buttons,
// type, close). Other modal dialogs are closed at once, as the terminal
// never asks for them; message boxes return at once (see TextWindow).
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "app/cli/TextWindow.h"
#include "app/ui/WindowFactory.h"

namespace corvane::cli {

// The user at the terminal: acts between the main window's messages.
class MainLoopDriver {
public:
    virtual ~MainLoopDriver() = default;
    // The main window is initialised and shown.
    virtual void Started(TextWindow& mainWindow) = 0;
    // A posted message is about to be delivered to the main window.
    virtual void Delivering(const platform::Message& message) = 0;
    // After each message, and at least every kTickMs while none comes.
    virtual void Tick() = 0;
};

class TextWindowFactory : public WindowFactory {
public:
    static constexpr uint32_t kTickMs = 10;

    explicit TextWindowFactory(WindowEvents& events) : events_(&events) {}

    // Who is told what the windows show from now on.
    void SetEvents(WindowEvents& events) { events_ = &events; }

    void SetDriver(MainLoopDriver* driver) { driver_ = driver; }
    // What the next open-file dialog returns (nullopt: cancelled).
    void SetChosenFiles(std::optional<OpenFileResult> files) { chosenFiles_ = std::move(files); }

    void ConnectMainQueue(platform::WindowMessageQueue* queue, DialogHandler* mainWindow) override;
    int RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                 DialogWindow* owner) override;
    std::unique_ptr<DialogWindow> CreateModeless(const DialogTemplate& dialog,
                                                 DialogHandler& handler,
                                                 DialogWindow* owner) override;
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;

    // --- For the windows.
    WindowEvents& Events() { return *events_; }
    void PostTo(TextWindow& window, uint32_t message, platform::WParam wParam,
                platform::LParam lParam);
    std::optional<OpenFileResult> TakeChosenFiles(const OpenFileRequest& request);
    void Forget(TextWindow& window);
    // The live modeless window of a template; nullptr when none.
    TextWindow* Modeless(int templateId) const;

private:
    struct LocalPost {
        TextWindow* window;
        platform::Message message;
    };

    void RunMainLoop(TextWindow& window);
    void DeliverLocalPosts();

    WindowEvents* events_;
    MainLoopDriver* driver_ = nullptr;
    platform::WindowMessageQueue* queue_ = nullptr;
    DialogHandler* mainHandler_ = nullptr;
    std::optional<OpenFileResult> chosenFiles_;
    std::vector<TextWindow*> modeless_;
    std::deque<LocalPost> localPosts_;  // posted to windows other than the main one
};

}  // namespace corvane::cli
