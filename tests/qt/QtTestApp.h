// The tests' QApplication on Qt's offscreen platform, and helpers to wait in
// Qt's event loop and to answer the modal windows a test runs into.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/qt/QtDialogWindow.h"

namespace corvane::test {

// Made once, on first use, with QT_QPA_PLATFORM=offscreen.
QApplication& TestApp();

// Processes events until pred holds or timeoutMs passes; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 3000);

// Renders a window to name (a PNG) under the build tree, and with
// CORVANE_UPDATE_SCREENSHOTS=1 also into docs/screenshots for the README.
// Fails the test when nothing was drawn or a file cannot be written.
void SaveScreenshot(QWidget& window, const char* name);

struct SeenBox {
    std::string text;
    std::string caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
};

// Watches for modal windows while it lives: every message box is recorded,
// handed to onBox (while it is still open) and then answered with OK; every
// modal dialog window is handed to onDialog, which must end it.
class ModalWatcher {
public:
    ModalWatcher();
    ~ModalWatcher();
    std::function<void(const SeenBox&)> onBox;
    std::function<void(qt::QtDialogWindow&)> onDialog;
    const std::vector<SeenBox>& Boxes() const { return boxes_; }

private:
    void Check();
    QTimer timer_;
    std::vector<SeenBox> boxes_;
    QWidget* busyWith_ = nullptr;
};

// A handler that records what its window reports.
class RecordingHandler : public DialogHandler {
public:
    void OnInitDialog(DialogWindow& window) override { this->window = &window; }
    void OnControl(int id, ControlEvent event) override { controls.push_back({id, event}); }
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override {
        messages.push_back({message, wParam, lParam});
        if (onMessage) {
            onMessage(message, wParam);
        }
        return {handleMessages, 0};
    }
    bool UsesListBrush(int id) const override { return id == brushList; }

    DialogWindow* window = nullptr;
    std::vector<std::pair<int, ControlEvent>> controls;
    std::vector<platform::Message> messages;
    std::function<void(uint32_t, platform::WParam)> onMessage;
    bool handleMessages = true;
    int brushList = 0;
};

}  // namespace corvane::test
