#include "app/ui/win32/Win32TextFit.h"

#include <cstring>

#include "app/ui/win32/WindowsApi.h"

namespace corvane::win32 {

int NeededTextWidth(void* dc, ControlKind kind, const char* text) {
    if (text == nullptr || text[0] == '\0') {
        return 0;
    }
    HDC hdc = static_cast<HDC>(dc);
    SIZE size{};
    GetTextExtentPoint32A(hdc, text, static_cast<int>(std::strlen(text)), &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(hdc, &metrics);
    const int edge = GetSystemMetrics(SM_CXEDGE);
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::DefaultButton:
            // The raised frame, the default button's outline and the focus
            // rectangle on either side.
            return size.cx + 2 * (edge + 2);
        case ControlKind::CheckBox:
            // The box, then the gap before the text (half a digit under Wine,
            // a few pixels on Windows; a whole average character covers both).
            return size.cx + GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth;
        case ControlKind::GroupBox:
            // The title sits inside the frame's corners.
            return size.cx + 2 * metrics.tmAveCharWidth;
        case ControlKind::Label:
            return size.cx;
        default:
            return 0;
    }
}

int FitWindowToTexts(void* dialogWindow, const DialogTemplate& dialog) {
    HWND hwnd = static_cast<HWND>(dialogWindow);
    RECT units{4, 8, 0, 0};
    MapDialogRect(hwnd, &units);
    const int baseX = units.left;
    const int baseY = units.top;

    HDC dc = GetDC(hwnd);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    const int fitted = FittingBaseUnitX(dialog, baseX, baseY, [dc](const ControlTemplate& control) {
        return NeededTextWidth(dc, control.kind, control.text);
    });
    SelectObject(dc, previous);
    ReleaseDC(hwnd, dc);
    if (fitted == baseX) {
        return baseX;
    }

    // The dialog manager creates the controls in template order, which is
    // also their order among the window's children.
    HWND child = GetWindow(hwnd, GW_CHILD);
    for (const ControlTemplate& control : dialog.controls) {
        if (child == nullptr) {
            break;
        }
        RECT placed;
        GetWindowRect(child, &placed);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&placed), 2);
        const PixelRect to = MapDialogUnits(control.x, 0, control.cx, 0, fitted, baseY);
        const bool picture =
            control.kind == ControlKind::Image || control.kind == ControlKind::Icon;
        SetWindowPos(child, nullptr, to.x, placed.top, picture ? placed.right - placed.left : to.cx,
                     placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    RECT client;
    GetClientRect(hwnd, &client);
    RECT frame;
    GetWindowRect(hwnd, &frame);
    const int width = MapDialogUnits(0, 0, dialog.cx, 0, fitted, baseY).cx;
    SetWindowPos(hwnd, nullptr, 0, 0, (frame.right - frame.left) + width - client.right,
                 frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return fitted;
}

}  // namespace corvane::win32
