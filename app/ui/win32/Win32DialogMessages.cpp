// What the dialog procedure does: commands and edit focus to the handler, the
// close box and the system menu, the list colour rule, the minimised icon,
// the main window's wake-ups and device changes, the window's own posts.
#include "app/ui/win32/DeviceBroadcast.h"
#include "app/ui/win32/Win32DialogWindow.h"
#include "app/ui/win32/Win32MainQueuePump.h"
#include "app/ui/win32/WindowsApi.h"

namespace corvane::win32 {

namespace {

HWND AsWindow(void* handle) {
    return static_cast<HWND>(handle);
}

// What a dialog procedure hands back for a message it answered with a value.
INT_PTR Answer(HWND hwnd, LONG_PTR value) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, value);
    return TRUE;
}

}  // namespace

intptr_t Win32DialogWindow::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == WM_INITDIALOG) {
        return OnInit(reinterpret_cast<void*>(wParam));
    }
    HWND hwnd = AsWindow(hwnd_);
    if (hwnd == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            return OnCommand(wParam);
        case WM_CLOSE:
            if (!handler_.DispatchMessage(WM_CLOSE, 0, 0).handled) {
                handler_.OnControl(kIdCancel, ControlEvent::Clicked);
            }
            return TRUE;
        case WM_SYSCOMMAND: {
            const MessageResult result = handler_.DispatchMessage(WM_SYSCOMMAND, wParam, lParam);
            return result.handled ? Answer(hwnd, 0) : FALSE;
        }
        case WM_CTLCOLORLISTBOX:
            return OnListColour(wParam, lParam);
        case WM_PAINT:
            return OnPaintIcon();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_DEVICECHANGE:
            // Only the main window hears of devices; the notice is copied now,
            // while Windows still holds the record.
            if (pump_ != nullptr && pump_->Queue() != nullptr && IsDeviceChangeForLink(wParam)) {
                pump_->Queue()->Post(WM_DEVICECHANGE, wParam,
                                     CopyDeviceBroadcast(reinterpret_cast<const void*>(lParam)));
            }
            return Answer(hwnd, TRUE);
        case kWakeMainQueueMessage:
            if (pump_ != nullptr) {
                pump_->Drain();
            }
            return TRUE;
        case kOwnPostedMessage:
            DeliverOwnPosted();
            return TRUE;
        case WM_NCDESTROY:
            // Windows took the window (its owner went): nothing more is done to it.
            hwnd_ = nullptr;
            if (pump_ != nullptr) {
                pump_->AttachWindow(nullptr);
            }
            return FALSE;
        default:
            return FALSE;
    }
}

intptr_t Win32DialogWindow::OnCommand(uintptr_t wParam) {
    const int id = LOWORD(wParam);
    const unsigned code = HIWORD(wParam);
    const ControlTemplate* layout = Layout(id);
    if (code == BN_CLICKED) {
        // Escape is kIdCancel whether or not the window has such a button;
        // Enter with no default button (IDOK) counts only where an OK exists.
        if (id == kIdCancel && layout == nullptr) {
            handler_.OnControl(kIdCancel, ControlEvent::Clicked);
        } else if (layout != nullptr && layout->kind != ControlKind::Edit && IsControlEnabled(id)) {
            handler_.OnControl(id, ControlEvent::Clicked);
        }
        return TRUE;
    }
    if (layout != nullptr && layout->kind == ControlKind::Edit) {
        if (code == EN_SETFOCUS) {
            handler_.OnControl(id, ControlEvent::GainedFocus);
        } else if (code == EN_KILLFOCUS) {
            handler_.OnControl(id, ControlEvent::LostFocus);
        }
    }
    return TRUE;
}

intptr_t Win32DialogWindow::OnListColour(uintptr_t dc, intptr_t listWindow) {
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(listWindow));
    if (Layout(id) == nullptr || listBrush_ == nullptr || !handler_.UsesListBrush(id)) {
        return FALSE;  // the default colours
    }
    HDC hdc = reinterpret_cast<HDC>(dc);
    SetBkMode(hdc, TRANSPARENT);
    // Items are filled with the background colour even in transparent mode.
    SetBkColor(hdc, RGB(192, 192, 192));
    return reinterpret_cast<INT_PTR>(listBrush_);
}

intptr_t Win32DialogWindow::OnPaintIcon() {
    HWND hwnd = AsWindow(hwnd_);
    if (!IsIconic(hwnd) || bigIcon_ == nullptr) {
        return FALSE;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, static_cast<HICON>(bigIcon_));
    EndPaint(hwnd, &paint);
    return TRUE;
}

void Win32DialogWindow::DeliverOwnPosted() {
    if (ownPosted_.empty()) {
        return;
    }
    const platform::Message message = ownPosted_.front();
    ownPosted_.pop_front();
    handler_.DispatchMessage(message.message, message.wParam, message.lParam);
}

}  // namespace corvane::win32
