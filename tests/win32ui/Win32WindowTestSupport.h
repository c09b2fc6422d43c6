// Support for the tests that create real windows: a handler double that
// records what reaches it, and whether this session can show windows at all
// (Wine without a display cannot; the GUI test script runs these under Xvfb).
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/ui/DialogWindow.h"

namespace corvane::win32::test {

bool CanCreateWindows();

// What another thread sees of a top-level window: its caption and two of its
// controls' texts, once the control readyId is enabled.
struct WindowSnapshot {
    bool ready = false;
    std::string caption;
    std::string firstText;
    std::string secondText;
};
// Polls for up to timeoutMs; ready stays false when the window never got there.
WindowSnapshot WaitUntilControlEnabled(const char* caption, int readyId, int firstId, int secondId,
                                       int timeoutMs);

struct ControlEventRecord {
    int id;
    ControlEvent event;
};

class RecordingHandlerDouble : public DialogHandler {
public:
    void OnInitDialog(DialogWindow& window) override {
        window_ = &window;
        if (onInit) {
            onInit(window);
        }
    }
    void OnControl(int id, ControlEvent event) override {
        controls.push_back({id, event});
        if (onControl) {
            onControl(id, event);
        }
    }
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override {
        messages.push_back({message, wParam, lParam});
        return onMessage ? onMessage(message, wParam, lParam) : MessageResult{};
    }
    bool UsesListBrush(int id) const override { return listBrushIds.count(id) != 0; }

    DialogWindow* Window() const { return window_; }

    std::function<void(DialogWindow&)> onInit;
    std::function<void(int, ControlEvent)> onControl;
    std::function<MessageResult(uint32_t, platform::WParam, platform::LParam)> onMessage;
    std::vector<ControlEventRecord> controls;
    std::vector<platform::Message> messages;
    std::set<int> listBrushIds;

private:
    DialogWindow* window_ = nullptr;
};

}  // namespace corvane::win32::test
