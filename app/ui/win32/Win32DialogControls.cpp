// Control operations of the Win32 dialog window, by template id.
#include <algorithm>
#include <vector>

#include "app/ui/win32/Win32DialogWindow.h"
#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <commctrl.h>

namespace corvane::win32 {

namespace {

HWND AsWindow(void* handle) {
    return static_cast<HWND>(handle);
}

int ListResult(LRESULT result) {
    return result == LB_ERR || result == LB_ERRSPACE ? -1 : static_cast<int>(result);
}

}  // namespace

const ControlTemplate* Win32DialogWindow::Layout(int id) const {
    return FindControl(dialog_, id);
}

void* Win32DialogWindow::Item(int id) const {
    if (hwnd_ == nullptr || Layout(id) == nullptr) {
        return nullptr;
    }
    return GetDlgItem(AsWindow(hwnd_), id);
}

void Win32DialogWindow::EnableControl(int id, bool enable) {
    if (void* item = Item(id)) {
        EnableWindow(AsWindow(item), enable ? TRUE : FALSE);
    }
}

bool Win32DialogWindow::IsControlEnabled(int id) const {
    void* item = Item(id);
    return item != nullptr && IsWindowEnabled(AsWindow(item)) != FALSE;
}

void Win32DialogWindow::ShowControl(int id, bool show) {
    if (void* item = Item(id)) {
        ::ShowWindow(AsWindow(item), show ? SW_SHOW : SW_HIDE);
    }
}

// The control's own visibility, whether or not the window is shown yet.
bool Win32DialogWindow::IsControlVisible(int id) const {
    void* item = Item(id);
    return item != nullptr && (GetWindowLongPtrA(AsWindow(item), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogWindow::FocusControl(int id) {
    if (void* item = Item(id)) {
        // Through the dialog manager, so the default button follows.
        SendMessageA(AsWindow(hwnd_), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
        focusedDuringInit_ = focusedDuringInit_ || initialising_;
    }
}

void Win32DialogWindow::SetControlText(int id, const char* text) {
    if (void* item = Item(id)) {
        SetWindowTextA(AsWindow(item), text != nullptr ? text : "");
    }
}

int Win32DialogWindow::GetControlText(int id, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    void* item = Item(id);
    if (item == nullptr || size == 1) {
        return 0;
    }
    const int copied = GetWindowTextA(AsWindow(item), buffer, size);
    const int count = std::clamp(copied, 0, size - 1);
    buffer[count] = '\0';
    return count;
}

void Win32DialogWindow::SetCheck(int id, bool checked) {
    if (void* item = Item(id)) {
        SendMessageA(AsWindow(item), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool Win32DialogWindow::IsChecked(int id) const {
    void* item = Item(id);
    return item != nullptr && SendMessageA(AsWindow(item), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogWindow::LimitText(int id, int maxChars) {
    const ControlTemplate* layout = Layout(id);
    void* item = Item(id);
    if (item != nullptr && layout->kind == ControlKind::Edit) {
        // 0 gives the edit its largest limit.
        SendMessageA(AsWindow(item), EM_LIMITTEXT, static_cast<WPARAM>(std::max(maxChars, 0)), 0);
    }
}

void Win32DialogWindow::ListReset(int id) {
    const ControlTemplate* layout = Layout(id);
    if (void* item = Item(id); item != nullptr && layout->kind == ControlKind::ListBox) {
        SendMessageA(AsWindow(item), LB_RESETCONTENT, 0, 0);
    }
}

int Win32DialogWindow::ListAddString(int id, const char* text) {
    const ControlTemplate* layout = Layout(id);
    void* item = Item(id);
    if (item == nullptr || layout->kind != ControlKind::ListBox) {
        return -1;
    }
    return ListResult(SendMessageA(AsWindow(item), LB_ADDSTRING, 0,
                                   reinterpret_cast<LPARAM>(text != nullptr ? text : "")));
}

int Win32DialogWindow::ListInsertString(int id, int index, const char* text) {
    const ControlTemplate* layout = Layout(id);
    void* item = Item(id);
    if (item == nullptr || layout->kind != ControlKind::ListBox || index < -1) {
        return -1;
    }
    return ListResult(SendMessageA(AsWindow(item), LB_INSERTSTRING, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text != nullptr ? text : "")));
}

int Win32DialogWindow::ListCount(int id) const {
    const ControlTemplate* layout = Layout(id);
    void* item = Item(id);
    if (item == nullptr || layout->kind != ControlKind::ListBox) {
        return 0;
    }
    return std::max(ListResult(SendMessageA(AsWindow(item), LB_GETCOUNT, 0, 0)), 0);
}

std::string Win32DialogWindow::ListItemText(int id, int index) const {
    const ControlTemplate* layout = Layout(id);
    void* item = Item(id);
    if (item == nullptr || layout->kind != ControlKind::ListBox || index < 0) {
        return {};
    }
    HWND list = AsWindow(item);
    const int length = ListResult(SendMessageA(list, LB_GETTEXTLEN, index, 0));
    if (length < 0) {
        return {};
    }
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    const int copied =
        ListResult(SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data())));
    return copied < 0 ? std::string() : std::string(text.data(), std::min(copied, length));
}

void Win32DialogWindow::SetProgressPosition(int id, int position) {
    const ControlTemplate* layout = Layout(id);
    if (void* item = Item(id); item != nullptr && layout->kind == ControlKind::ProgressBar) {
        SendMessageA(
            AsWindow(item), PBM_SETPOS,
            static_cast<WPARAM>(std::clamp(position, kProgressRangeMin, kProgressRangeMax)), 0);
    }
}

void Win32DialogWindow::SetDefaultButton(int id) {
    const ControlTemplate* layout = Layout(id);
    if (Item(id) != nullptr &&
        (layout->kind == ControlKind::Button || layout->kind == ControlKind::DefaultButton)) {
        SendMessageA(AsWindow(hwnd_), DM_SETDEFID, static_cast<WPARAM>(id), 0);
    }
}

void Win32DialogWindow::RedrawControl(int id) {
    if (void* item = Item(id)) {
        // Erased too: the background comes from the colour request afresh.
        RedrawWindow(AsWindow(item), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

}  // namespace corvane::win32
