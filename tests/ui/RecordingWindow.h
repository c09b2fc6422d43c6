// A dialog window that records every control's state instead of drawing it,
// built from the same templates as the real front ends, and its factory,
// which answers message boxes, file dialogs, the folder chooser and modal
// dialogs from scripts a test gives it. User actions (Click, Type, ...) reach
// the handler only the way a real window would let them: a disabled or
// hidden control takes no click, an edit takes no more than its limit.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/DialogTemplates.h"
#include "app/ui/DialogWindow.h"
#include "app/ui/WindowFactory.h"

namespace corvane::test {

class RecordingWindowFactory;

struct ControlState {
    ControlKind kind = ControlKind::Label;
    uint32_t flags = 0;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    int limit = 0;  // 0: no limit set
    std::vector<std::string> items;
    int progress = 0;
    int redraws = 0;
};

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    MessageBoxIcon icon = MessageBoxIcon::Error;
    bool systemModal = false;
    int ownerTemplate = 0;  // 0: no owner window
};

struct FileRequestRecord {
    std::string filter;
    std::string initialFolder;
    uint32_t flags = 0;
    uint32_t bufferSize = 0;
};

class RecordingWindow : public DialogWindow {
public:
    RecordingWindow(RecordingWindowFactory& factory, const DialogTemplate& dialog,
                    DialogHandler& handler);
    ~RecordingWindow() override;

    // --- DialogWindow
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
    void SetDefaultButton(int id) override { defaultButton_ = id; }
    void RedrawControl(int id) override;
    void SetCaption(const char* caption) override { caption_ = caption; }
    void SetIcon(int resourceId) override { icon_ = resourceId; }
    void AppendSystemMenuItem(int commandId, const char* text) override;
    void ShowWindow(bool show) override { visible_ = show; }
    bool IsWindowVisible() const override { return visible_; }
    WindowPosition GetWindowPosition() const override { return position_; }
    void MoveWindow(int x, int y) override { position_ = {x, y}; }
    void EndDialog(int result) override;
    void PostToWindow(uint32_t message, platform::WParam wParam, platform::LParam lParam) override;
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;
    std::optional<OpenFileResult> ChooseFilesToOpen(const OpenFileRequest& request) override;
    std::optional<std::string> ChooseFolder() override;

    // --- What a test reads.
    int TemplateId() const { return templateId_; }
    const ControlState& Control(int id) const;
    bool Enabled(int id) const { return Control(id).enabled; }
    bool Visible(int id) const { return Control(id).visible; }
    const std::string& Text(int id) const { return Control(id).text; }
    const std::vector<std::string>& Items(int id) const { return Control(id).items; }
    int Focus() const { return focus_; }
    int DefaultButton() const { return defaultButton_; }
    const std::string& Caption() const { return caption_; }
    int Icon() const { return icon_; }
    const std::vector<std::pair<int, std::string>>& SystemMenu() const { return systemMenu_; }
    bool Ended() const { return ended_; }
    int Result() const { return result_; }
    // The colour the list would be painted with now.
    bool ListBrushUsed(int id) const { return handler_.UsesListBrush(id); }

    // --- What the user does. False when the window would not deliver it.
    bool Click(int id);
    // Focuses the edit (LostFocus to the edit that had it, GainedFocus to
    // this one) and types text into it, cut at its limit.
    bool Type(int id, const std::string& text);
    // Toggles a check box and clicks it.
    bool Toggle(int id);
    // Moves the focus to control id (0: out of the window).
    void MoveFocus(int id);
    void PressEnter() { Click(defaultButton_); }
    void PressEscape() { handler_.OnControl(kIdCancel, ControlEvent::Clicked); }
    void PressCloseBox() { handler_.DispatchMessage(0x0010 /* WM_CLOSE */, 0, 0); }
    void ChooseSystemMenu(int commandId);

private:
    ControlState* Find(int id);

    RecordingWindowFactory& factory_;
    DialogHandler& handler_;
    int templateId_;
    std::map<int, ControlState> controls_;
    std::string caption_;
    int icon_ = 0;
    std::vector<std::pair<int, std::string>> systemMenu_;
    bool visible_ = false;
    WindowPosition position_{100, 50};
    int focus_ = 0;
    int defaultButton_ = 0;
    bool ended_ = false;
    int result_ = 0;
};

class RecordingWindowFactory : public WindowFactory {
public:
    using Script = std::function<void(RecordingWindow& window)>;

    RecordingWindowFactory();
    ~RecordingWindowFactory() override;

    // --- WindowFactory
    void ConnectMainQueue(platform::WindowMessageQueue* queue, DialogHandler* mainWindow) override;
    // Runs the next script given for the template; a run the script leaves
    // open (or one without a script) is closed with the close box.
    int RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                 DialogWindow* owner) override;
    std::unique_ptr<DialogWindow> CreateModeless(const DialogTemplate& dialog,
                                                 DialogHandler& handler,
                                                 DialogWindow* owner) override;
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;

    // --- Scripts and answers.
    void ScriptModal(int templateId, Script script);
    // One file: the full path. Several: the folder and the names.
    void AnswerFiles(const std::string& fullPath);
    void AnswerFiles(const std::string& folder, const std::vector<std::string>& names);
    void AnswerFilesRaw(OpenFileResult result) { fileAnswers_.push_back(std::move(result)); }
    void CancelFiles() { fileAnswers_.push_back(std::nullopt); }
    void AnswerFolder(std::optional<std::string> folder) { folderAnswers_.push_back(folder); }
    // Called while each message box is open (after it is recorded).
    void WhileMessageBoxOpen(std::function<void(const MessageBoxRecord&)> action) {
        whileBoxOpen_ = std::move(action);
    }

    // A window for the handler, initialised but not run (the test drives it).
    RecordingWindow& Open(const DialogTemplate& dialog, DialogHandler& handler);
    // Delivers what is posted to the main window now; returns how many.
    int PumpMainQueue();

    // --- What a test reads.
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    void ClearMessageBoxes() { boxes_.clear(); }
    const std::vector<FileRequestRecord>& FileRequests() const { return fileRequests_; }
    int FolderRequests() const { return folderRequests_; }
    // Template ids of the modal runs, in order.
    const std::vector<int>& ModalRuns() const { return modalRuns_; }
    // The most recent window of a template (nullptr when none was made).
    RecordingWindow* Latest(int templateId) const;
    // Controls addressed that the window does not have: "template:id".
    const std::vector<std::string>& UnknownControls() const { return unknownControls_; }
    bool IsMainHandler(const DialogHandler& handler) const { return &handler == mainHandler_; }
    platform::WindowMessageQueue* MainQueue() const { return queue_; }

private:
    friend class RecordingWindow;
    std::optional<OpenFileResult> NextFileAnswer(const OpenFileRequest& request);
    std::optional<std::string> NextFolderAnswer();
    int RecordBox(MessageBoxRecord record);
    void Forget(RecordingWindow* window);

    platform::WindowMessageQueue* queue_ = nullptr;
    DialogHandler* mainHandler_ = nullptr;
    std::map<int, std::deque<Script>> scripts_;
    std::deque<std::optional<OpenFileResult>> fileAnswers_;
    std::deque<std::optional<std::string>> folderAnswers_;
    std::function<void(const MessageBoxRecord&)> whileBoxOpen_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<FileRequestRecord> fileRequests_;
    int folderRequests_ = 0;
    std::vector<int> modalRuns_;
    std::vector<std::unique_ptr<RecordingWindow>> ownedWindows_;  // modal and Open()
    std::vector<RecordingWindow*> liveWindows_;
    std::vector<std::string> unknownControls_;
};

}  // namespace corvane::test
