// Creation from the in-memory template, the modal loop and the window itself.
#include "app/ui/win32/Win32DialogWindow.h"

#include "app/ui/win32/DialogTemplateBuilder.h"
#include "app/ui/win32/Win32MainQueuePump.h"
#include "app/ui/win32/Win32TextFit.h"
#include "app/ui/win32/WindowsApi.h"

namespace corvane::win32 {

namespace {

HWND AsWindow(void* handle) {
    return static_cast<HWND>(handle);
}

INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        window = reinterpret_cast<Win32DialogWindow*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
        return window->OnMessage(message, reinterpret_cast<uintptr_t>(hwnd), 0);
    }
    if (window == nullptr) {
        return FALSE;  // before WM_INITDIALOG, or after the object let go
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    }
    return window->OnMessage(message, wParam, lParam);
}

// Keyboard navigation (Tab, Enter, Escape) for whichever of this front end's
// dialogs the message is meant for, the modeless Advanced window included.
bool TranslateForDialog(MSG& msg) {
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root == nullptr ||
        GetWindowLongPtrA(root, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&DialogProcedure)) {
        return false;
    }
    return IsDialogMessageA(root, &msg) != FALSE;
}

// Centred on the owner, or on the screen's work area without one.
void Centre(HWND hwnd) {
    RECT area;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner == nullptr || !::IsWindowVisible(owner) || IsIconic(owner)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    } else {
        GetWindowRect(owner, &area);
    }
    RECT own;
    GetWindowRect(hwnd, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = area.left + ((area.right - area.left) - width) / 2;
    const int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(hwnd, nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(const DialogTemplate& dialog, DialogHandler& handler,
                                     void* instance, Win32MainQueuePump* pump)
    : dialog_(dialog),
      handler_(handler),
      instance_(instance),
      pump_(pump),
      template_(BuildDialogTemplate(dialog)) {}

Win32DialogWindow::~Win32DialogWindow() {
    if (hwnd_ != nullptr) {
        HWND hwnd = AsWindow(hwnd_);
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
    ReleaseResources();
}

void Win32DialogWindow::ReleaseResources() {
    if (pump_ != nullptr) {
        pump_->AttachWindow(nullptr);
    }
    if (listBrush_ != nullptr) {
        DeleteObject(static_cast<HBRUSH>(listBrush_));
        listBrush_ = nullptr;
    }
    for (void** icon : {&bigIcon_, &smallIcon_}) {
        if (*icon != nullptr) {
            DestroyIcon(static_cast<HICON>(*icon));
            *icon = nullptr;
        }
    }
    ownPosted_.clear();
}

bool Win32DialogWindow::Create(void* owner) {
    listBrush_ = CreateSolidBrush(RGB(192, 192, 192));
    HWND hwnd = CreateDialogIndirectParamA(
        static_cast<HINSTANCE>(instance_), reinterpret_cast<LPCDLGTEMPLATEA>(template_.data()),
        AsWindow(owner), &DialogProcedure, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr && hwnd_ == hwnd;
}

intptr_t Win32DialogWindow::OnInit(void* hwnd) {
    hwnd_ = hwnd;
    baseUnitX_ = FitWindowToTexts(hwnd, dialog_);
    Centre(AsWindow(hwnd));
    if (pump_ != nullptr) {
        pump_->AttachWindow(hwnd);  // before the handler posts its first message
    }
    initialising_ = true;
    focusedDuringInit_ = false;
    handler_.OnInitDialog(*this);
    initialising_ = false;
    // TRUE lets the dialog manager focus the first control; a handler that
    // chose the focus keeps it.
    return focusedDuringInit_ ? FALSE : TRUE;
}

int Win32DialogWindow::RunModalLoop(bool blockOthers) {
    HWND hwnd = AsWindow(hwnd_);
    HWND owner = hwnd != nullptr ? GetWindow(hwnd, GW_OWNER) : nullptr;
    bool ownerDisabled = false;
    if (hwnd != nullptr && !ended_) {
        if (blockOthers && owner != nullptr && IsWindowEnabled(owner)) {
            EnableWindow(owner, FALSE);
            ownerDisabled = true;
        }
        ::ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        MSG msg;
        while (!ended_ && hwnd_ != nullptr) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
                break;
            }
            if (got == -1) {
                break;
            }
            if (!TranslateForDialog(msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    // The owner is enabled before this window hides, so it gets the
    // activation back.
    if (ownerDisabled) {
        EnableWindow(owner, TRUE);
    }
    if (hwnd_ != nullptr) {
        ::ShowWindow(AsWindow(hwnd_), SW_HIDE);
    }
    return ended_ ? result_ : kIdCancel;
}

void Win32DialogWindow::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    if (hwnd_ != nullptr) {
        ::ShowWindow(AsWindow(hwnd_), SW_HIDE);
        PostMessageA(AsWindow(hwnd_), WM_NULL, 0, 0);  // the loop looks at ended_ again
    }
}

void Win32DialogWindow::SetCaption(const char* caption) {
    if (hwnd_ != nullptr) {
        SetWindowTextA(AsWindow(hwnd_), caption != nullptr ? caption : "");
    }
}

void Win32DialogWindow::SetIcon(int resourceId) {
    if (hwnd_ == nullptr) {
        return;
    }
    auto* instance = static_cast<HINSTANCE>(instance_);
    const struct {
        void** held;
        WPARAM which;
        int cx, cy;
    } sizes[] = {
        {&bigIcon_, ICON_BIG, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)},
        {&smallIcon_, ICON_SMALL, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)},
    };
    for (const auto& size : sizes) {
        HANDLE icon =
            LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, size.cx, size.cy, 0);
        if (icon == nullptr) {
            continue;
        }
        SendMessageA(AsWindow(hwnd_), WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
        if (*size.held != nullptr) {
            DestroyIcon(static_cast<HICON>(*size.held));
        }
        *size.held = icon;
    }
}

void Win32DialogWindow::AppendSystemMenuItem(int commandId, const char* text) {
    HMENU menu = hwnd_ != nullptr ? GetSystemMenu(AsWindow(hwnd_), FALSE) : nullptr;
    if (menu != nullptr) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(commandId), text != nullptr ? text : "");
    }
}

void Win32DialogWindow::ShowWindow(bool show) {
    if (hwnd_ != nullptr) {
        ::ShowWindow(AsWindow(hwnd_), show ? SW_SHOW : SW_HIDE);
    }
}

bool Win32DialogWindow::IsWindowVisible() const {
    return hwnd_ != nullptr && ::IsWindowVisible(AsWindow(hwnd_)) != FALSE;
}

WindowPosition Win32DialogWindow::GetWindowPosition() const {
    RECT rect{};
    if (hwnd_ != nullptr) {
        GetWindowRect(AsWindow(hwnd_), &rect);
    }
    return {rect.left, rect.top};
}

void Win32DialogWindow::MoveWindow(int x, int y) {
    if (hwnd_ != nullptr) {
        SetWindowPos(AsWindow(hwnd_), nullptr, x, y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Win32DialogWindow::PostToWindow(uint32_t message, platform::WParam wParam,
                                     platform::LParam lParam) {
    if (pump_ != nullptr && pump_->Queue() != nullptr && pump_->Handler() == &handler_) {
        pump_->Queue()->Post(message, wParam, lParam);
        return;
    }
    // Another window: queued on the window itself, delivered by its own
    // private message in the order posted.
    if (hwnd_ != nullptr) {
        ownPosted_.push_back(platform::Message{message, wParam, lParam});
        if (!PostMessageA(AsWindow(hwnd_), kOwnPostedMessage, 0, 0)) {
            ownPosted_.pop_back();
        }
    }
}

}  // namespace corvane::win32
