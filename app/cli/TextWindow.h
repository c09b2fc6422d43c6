// The terminal's dialog window: it keeps every control's state as the window
// would show it and tells the front end's event sink what a user would see
// change (texts, the progress bar, message boxes). Message boxes do not wait
// for anyone: they are printed and answered OK at once, so no loop needs to
// run inside them. The open-file dialog returns the files the command line
// named.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/DialogTemplates.h"
#include "app/ui/DialogWindow.h"

namespace corvane::cli {

class TextWindowFactory;

// What the terminal shows.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void ControlTextChanged(int templateId, int id, const std::string& text) = 0;
    virtual void ProgressShown(bool shown) = 0;
    virtual void ProgressChanged(int percent) = 0;
    virtual void MessageBoxShown(const std::string& caption, const std::string& text,
                                 MessageBoxIcon icon) = 0;
};

struct TextControl {
    ControlKind kind = ControlKind::Label;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    int limit = 0;  // 0: none
    std::vector<std::string> items;
    int progress = 0;
};

class TextWindow : public DialogWindow {
public:
    TextWindow(TextWindowFactory& factory, const DialogTemplate& dialog, DialogHandler& handler);

    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    void ShowControl(int id, bool show) override;
    bool IsControlVisible(int id) const override;
    void FocusControl(int) override {}
    void SetControlText(int id, const char* text) override;
    int GetControlText(int id, char* buffer, int size) const override;
    void SetCheck(int id, bool checked) override;
    bool IsChecked(int id) const override;
    void LimitText(int id, int maxChars) override;
    void ListReset(int id) override;
    int ListAddString(int id, const char* text) override;
    int ListInsertString(int id, int index, const char* text) override;
    int ListCount(int id) const override;
    std::string ListItemText(int id, int index) const override;
    void SetProgressPosition(int id, int position) override;
    void SetDefaultButton(int) override {}
    void RedrawControl(int) override {}
    void SetCaption(const char* caption) override { caption_ = caption; }
    void SetIcon(int) override {}
    void AppendSystemMenuItem(int, const char*) override {}
    void ShowWindow(bool show) override { visible_ = show; }
    bool IsWindowVisible() const override { return visible_; }
    WindowPosition GetWindowPosition() const override { return position_; }
    void MoveWindow(int x, int y) override { position_ = {x, y}; }
    void EndDialog(int result) override;
    void PostToWindow(uint32_t message, platform::WParam wParam, platform::LParam lParam) override;
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;
    std::optional<OpenFileResult> ChooseFilesToOpen(const OpenFileRequest& request) override;
    std::optional<std::string> ChooseFolder() override { return std::nullopt; }

    // --- What the front end does as the user.
    // A click reaches the handler only on an enabled, visible control.
    bool Click(int id);
    // Types text into an edit as the keyboard would: cut at its limit.
    bool Type(int id, const std::string& text);

    int TemplateId() const { return templateId_; }
    DialogHandler& Handler() { return handler_; }
    bool Ended() const { return ended_; }
    int Result() const { return result_; }
    std::string Text(int id) const;

private:
    TextControl* Find(int id);
    const TextControl* Find(int id) const;

    TextWindowFactory& factory_;
    DialogHandler& handler_;
    int templateId_;
    std::map<int, TextControl> controls_;
    std::string caption_;
    bool visible_ = false;
    WindowPosition position_;
    bool ended_ = false;
    int result_ = kIdCancel;
};

}  // namespace corvane::cli
