#include "app/cli/TextWindow.h"

#include <algorithm>
#include <cstring>

#include "app/cli/TextWindowFactory.h"

namespace corvane::cli {

TextWindow::TextWindow(TextWindowFactory& factory, const DialogTemplate& dialog,
                       DialogHandler& handler)
    : factory_(factory), handler_(handler), templateId_(dialog.templateId) {
    caption_ = dialog.caption;
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == kIdStatic) {
            continue;
        }
        TextControl& state = controls_[control.id];
        state.kind = control.kind;
        state.text = control.text;
        state.visible = (control.flags & kControlHiddenAtStart) == 0;
    }
}

TextControl* TextWindow::Find(int id) {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

const TextControl* TextWindow::Find(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

void TextWindow::EnableControl(int id, bool enable) {
    if (TextControl* control = Find(id)) {
        control->enabled = enable;
    }
}

bool TextWindow::IsControlEnabled(int id) const {
    const TextControl* control = Find(id);
    return control != nullptr && control->enabled;
}

void TextWindow::ShowControl(int id, bool show) {
    TextControl* control = Find(id);
    if (control == nullptr || control->visible == show) {
        return;
    }
    control->visible = show;
    if (control->kind == ControlKind::ProgressBar) {
        factory_.Events().ProgressShown(show);
    }
}

bool TextWindow::IsControlVisible(int id) const {
    const TextControl* control = Find(id);
    return control != nullptr && control->visible;
}

void TextWindow::SetControlText(int id, const char* text) {
    TextControl* control = Find(id);
    if (control == nullptr || control->text == text) {
        return;
    }
    control->text = text;
    factory_.Events().ControlTextChanged(templateId_, id, control->text);
}

int TextWindow::GetControlText(int id, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const TextControl* control = Find(id);
    const std::string text = control != nullptr ? control->text : std::string();
    const size_t copied = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

std::string TextWindow::Text(int id) const {
    const TextControl* control = Find(id);
    return control != nullptr ? control->text : std::string();
}

void TextWindow::SetCheck(int id, bool checked) {
    if (TextControl* control = Find(id)) {
        control->checked = checked;
    }
}

bool TextWindow::IsChecked(int id) const {
    const TextControl* control = Find(id);
    return control != nullptr && control->checked;
}

void TextWindow::LimitText(int id, int maxChars) {
    if (TextControl* control = Find(id)) {
        control->limit = maxChars;
    }
}

void TextWindow::ListReset(int id) {
    if (TextControl* control = Find(id)) {
        control->items.clear();
    }
}

int TextWindow::ListAddString(int id, const char* text) {
    return ListInsertString(id, -1, text);
}

int TextWindow::ListInsertString(int id, int index, const char* text) {
    TextControl* control = Find(id);
    if (control == nullptr) {
        return -1;
    }
    std::vector<std::string>& items = control->items;
    if (index < 0 || static_cast<size_t>(index) > items.size()) {
        index = static_cast<int>(items.size());
    }
    items.insert(items.begin() + index, text);
    return index;
}

int TextWindow::ListCount(int id) const {
    const TextControl* control = Find(id);
    return control != nullptr ? static_cast<int>(control->items.size()) : 0;
}

std::string TextWindow::ListItemText(int id, int index) const {
    const TextControl* control = Find(id);
    if (control == nullptr || index < 0 || static_cast<size_t>(index) >= control->items.size()) {
        return {};
    }
    return control->items[static_cast<size_t>(index)];
}

void TextWindow::SetProgressPosition(int id, int position) {
    TextControl* control = Find(id);
    if (control == nullptr) {
        return;
    }
    control->progress = std::clamp(position, kProgressRangeMin, kProgressRangeMax);
    factory_.Events().ProgressChanged(control->progress);
}

void TextWindow::EndDialog(int result) {
    ended_ = true;
    result_ = result;
}

void TextWindow::PostToWindow(uint32_t message, platform::WParam wParam, platform::LParam lParam) {
    factory_.PostTo(*this, message, wParam, lParam);
}

int TextWindow::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon, bool) {
    factory_.Events().MessageBoxShown(caption, text, icon);
    return kMessageBoxOk;
}

std::optional<OpenFileResult> TextWindow::ChooseFilesToOpen(const OpenFileRequest& request) {
    return factory_.TakeChosenFiles(request);
}

bool TextWindow::Click(int id) {
    const TextControl* control = Find(id);
    if (control == nullptr || !control->enabled || !control->visible) {
        return false;
    }
    handler_.OnControl(id, ControlEvent::Clicked);
    return true;
}

bool TextWindow::Type(int id, const std::string& text) {
    TextControl* control = Find(id);
    if (control == nullptr || !control->enabled || control->kind != ControlKind::Edit) {
        return false;
    }
    handler_.OnControl(id, ControlEvent::GainedFocus);
    std::string typed = text;
    if (control->limit > 0 && typed.size() > static_cast<size_t>(control->limit)) {
        typed.resize(static_cast<size_t>(control->limit));
    }
    SetControlText(id, typed.c_str());
    handler_.OnControl(id, ControlEvent::LostFocus);
    return typed.size() == text.size();
}

}  // namespace corvane::cli
