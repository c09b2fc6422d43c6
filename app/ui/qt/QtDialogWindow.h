// A dialog window built from its template with Qt widgets: controls placed
// in pixels converted from dialog units, addressed by template id, reporting
// clicks and edit focus changes to the handler. Enter presses the focused
// push button or else the default button, Escape clicks kIdCancel, the close
// box delivers WM_CLOSE. System-menu items go to the window's context menu;
// the About item is also on F1.
#pragma once

#include <QDialog>
#include <QEventLoop>
#include <map>

#include "app/ui/DialogTemplates.h"
#include "app/ui/DialogWindow.h"
#include "app/ui/qt/DialogUnits.h"

namespace corvane::qt {

class QtMainQueuePump;

class QtDialogWindow : public QDialog, public DialogWindow {
    Q_OBJECT

public:
    // owner: the Qt window that owns this one (nullptr: none). pump: set for
    // the main window, whose PostToWindow goes through the program's queue.
    QtDialogWindow(const DialogTemplate& dialog, DialogHandler& handler, QWidget* owner,
                   QtMainQueuePump* pump);
    ~QtDialogWindow() override;

    // Shows the window and runs its event loop until EndDialog; returns the
    // result (kIdCancel if the loop ended otherwise).
    int RunModalLoop(bool blockOthers);

    int TemplateId() const { return templateId_; }
    BaseUnits Units() const { return units_; }
    QWidget* ControlWidget(int id) const;
    int DefaultButtonId() const { return defaultButton_; }
    const DialogTemplate& Template() const { return dialog_; }

    // --- DialogWindow: controls
    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    void ShowControl(int id, bool show) override;
    bool IsControlVisible(int id) const override;
    void FocusControl(int id) override;
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
    void SetDefaultButton(int id) override;
    void RedrawControl(int id) override;

    // --- DialogWindow: the window
    void SetCaption(const char* caption) override;
    void SetIcon(int resourceId) override;
    void AppendSystemMenuItem(int commandId, const char* text) override;
    void ShowWindow(bool show) override;
    bool IsWindowVisible() const override;
    WindowPosition GetWindowPosition() const override;
    void MoveWindow(int x, int y) override;
    void EndDialog(int result) override;
    void PostToWindow(uint32_t message, platform::WParam wParam, platform::LParam lParam) override;

    // --- DialogWindow: modal helpers
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;
    std::optional<OpenFileResult> ChooseFilesToOpen(const OpenFileRequest& request) override;
    std::optional<std::string> ChooseFolder() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        const ControlTemplate* layout = nullptr;
        QWidget* widget = nullptr;
        int limit = 0;  // edits: 0 until LimitText
    };
    void BuildControls();
    void ConnectControl(int id, QWidget* widget, ControlKind kind);
    Control* Find(int id);
    const Control* Find(int id) const;
    void PressEnter();

    const DialogTemplate& dialog_;
    DialogHandler& handler_;
    QtMainQueuePump* pump_;
    int templateId_;
    BaseUnits units_;
    std::map<int, Control> controls_;
    int defaultButton_ = 0;
    int result_ = kIdCancel;
    bool ended_ = false;
    bool destroying_ = false;
    QEventLoop* loop_ = nullptr;
};

// A modal message box with an OK button; keeps the main window's posted
// messages flowing (its loop is Qt's). parent may be nullptr.
int RunMessageBox(QWidget* parent, const char* text, const char* caption, MessageBoxIcon icon,
                  bool systemModal);

}  // namespace corvane::qt
