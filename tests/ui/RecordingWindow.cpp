#include "tests/ui/RecordingWindow.h"

#include <algorithm>
#include <cstring>

#include "app/ui/WindowMessages.h"

namespace corvane::test {

namespace {

const ControlState& MissingControl() {
    static const ControlState missing{};
    return missing;
}

}  // namespace

RecordingWindow::RecordingWindow(RecordingWindowFactory& factory, const DialogTemplate& dialog,
                                 DialogHandler& handler)
    : factory_(factory),
      handler_(handler),
      templateId_(dialog.templateId),
      caption_(dialog.caption),
      visible_((dialog.windowFlags & kWindowVisible) != 0) {
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == kIdStatic) {
            continue;
        }
        ControlState state;
        state.kind = control.kind;
        state.flags = control.flags;
        state.text = control.text;
        state.visible = (control.flags & kControlHiddenAtStart) == 0;
        controls_[control.id] = state;
        if (control.kind == ControlKind::DefaultButton && defaultButton_ == 0) {
            defaultButton_ = control.id;
        }
    }
    factory_.liveWindows_.push_back(this);
}

RecordingWindow::~RecordingWindow() {
    factory_.Forget(this);
}

ControlState* RecordingWindow::Find(int id) {
    auto found = controls_.find(id);
    if (found == controls_.end()) {
        factory_.unknownControls_.push_back(std::to_string(templateId_) + ":" + std::to_string(id));
        return nullptr;
    }
    return &found->second;
}

const ControlState& RecordingWindow::Control(int id) const {
    auto found = controls_.find(id);
    return found != controls_.end() ? found->second : MissingControl();
}

void RecordingWindow::EnableControl(int id, bool enable) {
    if (ControlState* control = Find(id)) {
        control->enabled = enable;
    }
}

bool RecordingWindow::IsControlEnabled(int id) const {
    auto found = controls_.find(id);
    return found != controls_.end() && found->second.enabled;
}

void RecordingWindow::ShowControl(int id, bool show) {
    if (ControlState* control = Find(id)) {
        control->visible = show;
    }
}

bool RecordingWindow::IsControlVisible(int id) const {
    auto found = controls_.find(id);
    return found != controls_.end() && found->second.visible;
}

void RecordingWindow::FocusControl(int id) {
    if (Find(id) != nullptr) {
        focus_ = id;
    }
}

void RecordingWindow::SetControlText(int id, const char* text) {
    if (ControlState* control = Find(id)) {
        control->text = text != nullptr ? text : "";
    }
}

int RecordingWindow::GetControlText(int id, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const std::string& text = Control(id).text;
    const int count = std::min(static_cast<int>(text.size()), size - 1);
    std::memcpy(buffer, text.data(), static_cast<size_t>(count));
    buffer[count] = '\0';
    return count;
}

void RecordingWindow::SetCheck(int id, bool checked) {
    if (ControlState* control = Find(id)) {
        control->checked = checked;
    }
}

bool RecordingWindow::IsChecked(int id) const {
    return Control(id).checked;
}

void RecordingWindow::LimitText(int id, int maxChars) {
    if (ControlState* control = Find(id)) {
        control->limit = maxChars;
    }
}

void RecordingWindow::ListReset(int id) {
    if (ControlState* control = Find(id)) {
        control->items.clear();
    }
}

int RecordingWindow::ListAddString(int id, const char* text) {
    ControlState* control = Find(id);
    if (control == nullptr) {
        return -1;
    }
    auto& items = control->items;
    auto at = items.end();
    if ((control->flags & kControlSorted) != 0) {
        at = std::upper_bound(items.begin(), items.end(), std::string(text),
                              [](const std::string& a, const std::string& b) {
                                  return strcasecmp(a.c_str(), b.c_str()) < 0;
                              });
    }
    return static_cast<int>(items.insert(at, text) - items.begin());
}

int RecordingWindow::ListInsertString(int id, int index, const char* text) {
    ControlState* control = Find(id);
    if (control == nullptr || index > static_cast<int>(control->items.size())) {
        return -1;  // LB_ERR
    }
    auto& items = control->items;
    auto at = index < 0 ? items.end() : items.begin() + index;
    return static_cast<int>(items.insert(at, text) - items.begin());
}

int RecordingWindow::ListCount(int id) const {
    return static_cast<int>(Control(id).items.size());
}

std::string RecordingWindow::ListItemText(int id, int index) const {
    const auto& items = Control(id).items;
    return index >= 0 && index < static_cast<int>(items.size()) ? items[index] : "";
}

void RecordingWindow::SetProgressPosition(int id, int position) {
    if (ControlState* control = Find(id)) {
        control->progress = std::clamp(position, kProgressRangeMin, kProgressRangeMax);
    }
}

void RecordingWindow::RedrawControl(int id) {
    if (ControlState* control = Find(id)) {
        ++control->redraws;
    }
}

void RecordingWindow::AppendSystemMenuItem(int commandId, const char* text) {
    systemMenu_.emplace_back(commandId, text);
}

void RecordingWindow::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    visible_ = false;
}

void RecordingWindow::PostToWindow(uint32_t message, platform::WParam wParam,
                                   platform::LParam lParam) {
    // Only the main window has a queue here; nothing else posts to itself.
    if (factory_.IsMainHandler(handler_) && factory_.queue_ != nullptr) {
        factory_.queue_->Post(message, wParam, lParam);
    } else {
        factory_.unknownControls_.push_back("post to " + std::to_string(templateId_));
    }
}

int RecordingWindow::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                                    bool systemModal) {
    return factory_.RecordBox({text, caption, icon, systemModal, templateId_});
}

std::optional<OpenFileResult> RecordingWindow::ChooseFilesToOpen(const OpenFileRequest& request) {
    return factory_.NextFileAnswer(request);
}

std::optional<std::string> RecordingWindow::ChooseFolder() {
    return factory_.NextFolderAnswer();
}

bool RecordingWindow::Click(int id) {
    const ControlState& control = Control(id);
    if (controls_.count(id) == 0 || !control.enabled || !control.visible || !visible_) {
        return false;
    }
    handler_.OnControl(id, ControlEvent::Clicked);
    return true;
}

void RecordingWindow::MoveFocus(int id) {
    if (focus_ == id) {
        return;
    }
    const int previous = focus_;
    focus_ = id;
    if (previous != 0 && Control(previous).kind == ControlKind::Edit) {
        handler_.OnControl(previous, ControlEvent::LostFocus);
    }
    if (id != 0 && Control(id).kind == ControlKind::Edit) {
        handler_.OnControl(id, ControlEvent::GainedFocus);
    }
}

bool RecordingWindow::Type(int id, const std::string& text) {
    ControlState* control = Find(id);
    if (control == nullptr || !control->enabled || control->kind != ControlKind::Edit) {
        return false;
    }
    MoveFocus(id);
    control->text = control->limit > 0 && text.size() > static_cast<size_t>(control->limit)
                        ? text.substr(0, static_cast<size_t>(control->limit))
                        : text;
    return true;
}

bool RecordingWindow::Toggle(int id) {
    ControlState* control = Find(id);
    if (control == nullptr || !control->enabled) {
        return false;
    }
    control->checked = !control->checked;
    return Click(id);
}

void RecordingWindow::ChooseSystemMenu(int commandId) {
    handler_.DispatchMessage(WM_SYSCOMMAND, static_cast<platform::WParam>(commandId), 0);
}

}  // namespace corvane::test
