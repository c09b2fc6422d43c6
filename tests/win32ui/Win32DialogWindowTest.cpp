// Real windows from the shared templates: what Windows built, the control
// operations, the events that reach the handler, the colour rule.
#include <gtest/gtest.h>

#include <string>

#include "app/ui/DialogTemplates.h"
#include "app/ui/win32/DialogTemplateBuilder.h"
#include "app/ui/win32/Win32WindowFactory.h"
#include "tests/win32ui/Win32WindowTestSupport.h"
// After the program's headers.
#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <commctrl.h>

namespace corvane::win32 {
namespace {

using test::RecordingHandlerDouble;

class Win32DialogWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::CanCreateWindows()) {
            GTEST_SKIP() << "no display for windows in this session";
        }
    }
    // A modeless window of the template, alive for the test.
    Win32DialogWindow& Open(const DialogTemplate& dialog) {
        window_ = factory_.CreateModeless(dialog, handler_, nullptr);
        return static_cast<Win32DialogWindow&>(*window_);
    }
    HWND Hwnd() const {
        return static_cast<HWND>(static_cast<Win32DialogWindow&>(*window_).Handle());
    }
    HWND Item(int id) const { return GetDlgItem(Hwnd(), id); }

    Win32WindowFactory factory_{GetModuleHandleA(nullptr)};
    RecordingHandlerDouble handler_;
    std::unique_ptr<DialogWindow> window_;
};

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

const char* ExpectedClass(ControlKind kind) {
    switch (ControlClassAtom(kind)) {
        case kButtonAtom:
            return "Button";
        case kEditAtom:
            return "Edit";
        case kStaticAtom:
            return "Static";
        case kListBoxAtom:
            return "ListBox";
        default:
            return "msctls_progress32";
    }
}

TEST_F(Win32DialogWindowTest, EveryNamedControlIsBuiltWithItsClassStyleAndPlace) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        SCOPED_TRACE(dialog->templateId);
        const int baseX = Open(*dialog).HorizontalBaseUnit();
        ASSERT_NE(Hwnd(), nullptr);
        // Across, the dialog manager's unit or one widened for the texts.
        RECT manager{4, 8, 0, 0};
        MapDialogRect(Hwnd(), &manager);
        EXPECT_GE(baseX, manager.left);
        EXPECT_LE(baseX, manager.left + manager.left / 2);
        for (const ControlTemplate& control : dialog->controls) {
            if (control.id == kIdStatic) {
                continue;
            }
            SCOPED_TRACE(control.id);
            HWND item = Item(control.id);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(ClassOf(item), ExpectedClass(control.kind)) << control.id;
            auto style = static_cast<uint32_t>(GetWindowLongPtrA(item, GWL_STYLE));
            // Edits, lists and progress bars trade their border for an edge.
            if ((GetWindowLongPtrA(item, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) !=
                0) {
                style |= WS_BORDER;
            }
            uint32_t expected = ControlStyle(control) & ~static_cast<uint32_t>(WS_VISIBLE);
            if (control.kind == ControlKind::ProgressBar) {
                // The bar draws its own frame in place of the border.
                expected &= ~static_cast<uint32_t>(WS_BORDER);
            }
            if (control.kind == ControlKind::ListBox) {
                // The scroll bar comes and goes with the items.
                expected &= ~static_cast<uint32_t>(WS_VSCROLL);
            }
            if (control.kind == ControlKind::Button || control.kind == ControlKind::DefaultButton) {
                // The dialog manager moves the default look with the focus.
                expected &= ~static_cast<uint32_t>(BS_TYPEMASK);
            }
            EXPECT_EQ(style & expected, expected);
            // Each value converted on its own, as Windows converts a template.
            RECT units{control.x, control.y, control.cx, control.cy};
            MapDialogRect(Hwnd(), &units);
            const PixelRect across = MapDialogUnits(control.x, 0, control.cx, 0, baseX, 0);
            RECT placed;
            GetWindowRect(item, &placed);
            MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&placed), 2);
            EXPECT_EQ(placed.left, across.x);
            EXPECT_EQ(placed.top, units.top);
            if (control.kind != ControlKind::Image && control.kind != ControlKind::Icon) {
                // Pictures take their bitmap's or icon's own size.
                EXPECT_EQ(placed.right - placed.left, across.cx);
                if (control.kind != ControlKind::ListBox) {
                    // A list box shrinks to a whole number of items.
                    EXPECT_EQ(placed.bottom - placed.top, units.bottom);
                } else {
                    EXPECT_LE(placed.bottom - placed.top, units.bottom);
                }
            }
        }
        window_.reset();
    }
}

// What of the control's text its client area cannot show, measured in the
// control's own font with its own wrapping; empty when all of it shows.
std::string ClippedText(HWND control) {
    char text[256] = {};
    GetWindowTextA(control, text, sizeof text);
    const auto style = static_cast<uint32_t>(GetWindowLongPtrA(control, GWL_STYLE));
    const std::string kind = ClassOf(control);
    if (text[0] == '\0' || (kind != "Static" && kind != "Button")) {
        return "";  // edits and lists hold the user's texts, not the window's
    }
    HDC dc = GetDC(control);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT client;
    GetClientRect(control, &client);
    int room = client.right;
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (kind == "Static") {
        const uint32_t type = style & SS_TYPEMASK;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
        }
    } else if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
        room -= 2 * metrics.tmAveCharWidth;  // the frame's corners
    } else if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        room -= GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth / 2;
    } else {
        room -= 2 * GetSystemMetrics(SM_CXEDGE);  // the raised frame
    }
    RECT needed{0, 0, room, 0};
    DrawTextA(dc, text, -1, &needed, format);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    if (needed.right <= room && needed.bottom <= client.bottom) {
        return "";
    }
    return "\"" + std::string(text) + "\" needs " + std::to_string(needed.right) + " x " +
           std::to_string(needed.bottom) + " in " + std::to_string(room) + " x " +
           std::to_string(client.bottom);
}

TEST_F(Win32DialogWindowTest, NoTextIsClippedInTheFontTheSystemSubstitutes) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        SCOPED_TRACE(dialog->templateId);
        DialogWindow& window = Open(*dialog);
        // The texts set at run time, at their longest.
        if (dialog == &MainWindowTemplate()) {
            window.SetControlText(MainWindowIds::kStatus, "Waiting for new connection...");
            window.SetControlText(MainWindowIds::kPlatformId, "WWWWWWWWWW");
            window.SetControlText(MainWindowIds::kPartNumber, "00000000000000");
            window.SetControlText(MainWindowIds::kSerialNumber, "000000000000");
        } else if (dialog == &AboutDialogTemplate()) {
            window.SetControlText(AboutDialogIds::kVersion, "1.6");
        }
        RECT area;
        GetClientRect(Hwnd(), &area);
        int checked = 0;
        for (HWND item = GetWindow(Hwnd(), GW_CHILD); item != nullptr;
             item = GetWindow(item, GW_HWNDNEXT)) {
            EXPECT_EQ(ClippedText(item), "");
            checked += GetWindowTextLengthA(item) > 0 ? 1 : 0;
            RECT placed;
            GetWindowRect(item, &placed);
            MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&placed), 2);
            EXPECT_TRUE(placed.left >= 0 && placed.top >= 0 && placed.right <= area.right &&
                        placed.bottom <= area.bottom)
                << "control " << GetDlgCtrlID(item) << " lies outside its window";
        }
        EXPECT_GT(checked, 0);
        window_.reset();
    }
}

TEST_F(Win32DialogWindowTest, InitialisationRunsBeforeTheWindowIsSeen) {
    bool visibleAtInit = true;
    handler_.onInit = [&](DialogWindow& window) { visibleAtInit = window.IsWindowVisible(); };
    DialogWindow& window = Open(MainWindowTemplate());
    EXPECT_EQ(handler_.Window(), &window);
    EXPECT_FALSE(visibleAtInit);
    EXPECT_TRUE(window.IsWindowVisible()) << "the main window's template is visible";
    std::unique_ptr<DialogWindow> advanced =
        factory_.CreateModeless(AdvancedDialogTemplate(), handler_, &window);
    EXPECT_FALSE(advanced->IsWindowVisible()) << "the Advanced window starts hidden";
    EXPECT_EQ(
        GetWindow(static_cast<HWND>(static_cast<Win32DialogWindow&>(*advanced).Handle()), GW_OWNER),
        Hwnd());
}

TEST_F(Win32DialogWindowTest, TextsAreCutLikeGetDlgItemText) {
    DialogWindow& window = Open(MainWindowTemplate());
    window.SetControlText(MainWindowIds::kStatus, "Waiting for new connection...");
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, 8), 7);
    EXPECT_STREQ(buffer, "Waiting");
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, buffer, 0), 0);
    char whole[64];
    EXPECT_EQ(window.GetControlText(MainWindowIds::kStatus, whole, sizeof whole), 29);
    EXPECT_STREQ(whole, "Waiting for new connection...");
    // Ids the window does not have, and the shared id of unnamed controls.
    window.SetControlText(4242, "nothing");
    EXPECT_EQ(window.GetControlText(4242, whole, sizeof whole), 0);
    EXPECT_STREQ(whole, "");
    window.SetControlText(kIdStatic, "changed");
    char label[32];
    GetWindowTextA(Item(0xFFFF), label, sizeof label);
    EXPECT_STREQ(label, "Projector Platform:") << "kIdStatic names no control";
}

TEST_F(Win32DialogWindowTest, EditLimitBindsTypingNotSetting) {
    DialogWindow& window = Open(MainWindowTemplate());
    window.LimitText(MainWindowIds::kNewPartNumber, 14);
    EXPECT_EQ(SendMessageA(Item(MainWindowIds::kNewPartNumber), EM_GETLIMITTEXT, 0, 0), 14);
    window.SetControlText(MainWindowIds::kNewPartNumber, "0123456789ABCDEFG");
    char text[32];
    EXPECT_EQ(window.GetControlText(MainWindowIds::kNewPartNumber, text, sizeof text), 17);
    // Typed characters beyond the limit are refused.
    window.SetControlText(MainWindowIds::kNewPartNumber, "");
    for (char typed : std::string("0123456789ABCDEF")) {
        SendMessageA(Item(MainWindowIds::kNewPartNumber), WM_CHAR, static_cast<WPARAM>(typed), 1);
    }
    EXPECT_EQ(window.GetControlText(MainWindowIds::kNewPartNumber, text, sizeof text), 14);
    EXPECT_STREQ(text, "0123456789ABCD");
}

TEST_F(Win32DialogWindowTest, ListBoxesKeepOrderOrSortWithoutCase) {
    DialogWindow& window = Open(ConfigDialogTemplate());
    const int sorted = ConfigDialogIds::kFileList;
    EXPECT_EQ(window.ListAddString(sorted, "b.hex"), 0);
    EXPECT_EQ(window.ListAddString(sorted, "A.hex"), 0);
    EXPECT_EQ(window.ListAddString(sorted, "c.hex"), 2);
    EXPECT_EQ(window.ListCount(sorted), 3);
    EXPECT_EQ(window.ListItemText(sorted, 0), "A.hex");
    EXPECT_EQ(window.ListItemText(sorted, 2), "c.hex");
    EXPECT_EQ(window.ListItemText(sorted, 3), "");
    EXPECT_EQ(window.ListItemText(sorted, -1), "");
    window.ListReset(sorted);
    EXPECT_EQ(window.ListCount(sorted), 0);
    window_.reset();

    DialogWindow& main = Open(MainWindowTemplate());
    const int files = MainWindowIds::kFileList;
    EXPECT_EQ(main.ListAddString(files, "z.hex"), 0);
    EXPECT_EQ(main.ListAddString(files, "a.hex"), 1) << "the download order stays";
    EXPECT_EQ(main.ListInsertString(files, 0, "first.hex"), 0);
    EXPECT_EQ(main.ListInsertString(files, -1, "last.hex"), 3);
    EXPECT_EQ(main.ListInsertString(files, 9, "beyond.hex"), -1);
    EXPECT_EQ(main.ListCount(files), 4);
    EXPECT_EQ(main.ListItemText(files, 3), "last.hex");
    // List operations on a control that is no list do nothing.
    EXPECT_EQ(main.ListAddString(MainWindowIds::kStatus, "x"), -1);
    EXPECT_EQ(main.ListCount(MainWindowIds::kStatus), 0);
}

TEST_F(Win32DialogWindowTest, VisibilityEnablingChecksAndProgress) {
    DialogWindow& window = Open(MainWindowTemplate());
    EXPECT_FALSE(window.IsControlVisible(MainWindowIds::kProgressBar));
    EXPECT_FALSE(window.IsControlVisible(MainWindowIds::kProgressLabel));
    EXPECT_TRUE(window.IsControlVisible(MainWindowIds::kStop));
    window.ShowControl(MainWindowIds::kProgressBar, true);
    EXPECT_TRUE(window.IsControlVisible(MainWindowIds::kProgressBar));
    window.SetProgressPosition(MainWindowIds::kProgressBar, 50);
    EXPECT_EQ(SendMessageA(Item(MainWindowIds::kProgressBar), PBM_GETPOS, 0, 0), 50);
    window.SetProgressPosition(MainWindowIds::kProgressBar, 150);
    EXPECT_EQ(SendMessageA(Item(MainWindowIds::kProgressBar), PBM_GETPOS, 0, 0), 100);
    window.SetProgressPosition(MainWindowIds::kProgressBar, -7);
    EXPECT_EQ(SendMessageA(Item(MainWindowIds::kProgressBar), PBM_GETPOS, 0, 0), 0);
    window.EnableControl(MainWindowIds::kDownload, false);
    EXPECT_FALSE(window.IsControlEnabled(MainWindowIds::kDownload));
    window.EnableControl(MainWindowIds::kDownload, true);
    EXPECT_TRUE(window.IsControlEnabled(MainWindowIds::kDownload));
    EXPECT_FALSE(window.IsControlEnabled(4242));
    window_.reset();

    DialogWindow& config = Open(ConfigDialogTemplate());
    config.SetCheck(ConfigDialogIds::kMatchDld, true);
    EXPECT_TRUE(config.IsChecked(ConfigDialogIds::kMatchDld));
    EXPECT_FALSE(config.IsChecked(ConfigDialogIds::kVerifyDownloads));
    config.SetCheck(ConfigDialogIds::kMatchDld, false);
    EXPECT_FALSE(config.IsChecked(ConfigDialogIds::kMatchDld));
}

TEST_F(Win32DialogWindowTest, ClicksFocusCloseAndEscapeReachTheHandler) {
    Open(MainWindowTemplate());
    HWND hwnd = Hwnd();
    handler_.controls.clear();  // the dialog manager's first focus
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(MainWindowIds::kDownload, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(MainWindowIds::kDownload)));
    EnableWindow(Item(MainWindowIds::kVerify), FALSE);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(MainWindowIds::kVerify, BN_CLICKED), 0);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(MainWindowIds::kNewSerialNumber, EN_SETFOCUS),
                 reinterpret_cast<LPARAM>(Item(MainWindowIds::kNewSerialNumber)));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(MainWindowIds::kNewSerialNumber, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(Item(MainWindowIds::kNewSerialNumber)));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // no OK in this window
    ASSERT_EQ(handler_.controls.size(), 4u);
    EXPECT_EQ(handler_.controls[0].id, MainWindowIds::kDownload);
    EXPECT_EQ(handler_.controls[0].event, ControlEvent::Clicked);
    EXPECT_EQ(handler_.controls[1].id, MainWindowIds::kNewSerialNumber);
    EXPECT_EQ(handler_.controls[1].event, ControlEvent::GainedFocus);
    EXPECT_EQ(handler_.controls[2].event, ControlEvent::LostFocus);
    EXPECT_EQ(handler_.controls[3].id, kIdCancel);

    // The close box: the handler's WM_CLOSE first, kIdCancel when unhandled.
    handler_.controls.clear();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(handler_.controls.size(), 1u);
    EXPECT_EQ(handler_.controls[0].id, kIdCancel);
    EXPECT_EQ(handler_.messages.back().message, static_cast<uint32_t>(WM_CLOSE));
    handler_.onMessage = [](uint32_t, platform::WParam, platform::LParam) {
        return MessageResult{true, 0};
    };
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(handler_.controls.size(), 1u);
}

TEST_F(Win32DialogWindowTest, SystemMenuItemArrivesAsSysCommand) {
    DialogWindow& window = Open(MainWindowTemplate());
    window.AppendSystemMenuItem(kAboutCommandId, "&About Corvane...");
    HMENU menu = GetSystemMenu(Hwnd(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(kAboutCommandId));
    char text[64] = {};
    GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Corvane...");
    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, count - 2, TRUE, &separator);
    EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);
    handler_.onMessage = [](uint32_t message, platform::WParam, platform::LParam) {
        return MessageResult{message == WM_SYSCOMMAND, 0};
    };
    SendMessageA(Hwnd(), WM_SYSCOMMAND, kAboutCommandId, 0);
    EXPECT_EQ(handler_.messages.back().message, static_cast<uint32_t>(WM_SYSCOMMAND));
    EXPECT_EQ(handler_.messages.back().wParam, static_cast<platform::WParam>(kAboutCommandId));
}

COLORREF BrushColour(LRESULT brush) {
    LOGBRUSH info{};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof info, &info);
    return info.lbColor;
}

TEST_F(Win32DialogWindowTest, FileListIsGreyOnlyWhileTheHandlerSaysSo) {
    Open(MainWindowTemplate());
    HDC dc = GetDC(Item(MainWindowIds::kFileList));
    const auto ask = [&] {
        return SendMessageA(Hwnd(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(Item(MainWindowIds::kFileList)));
    };
    const LRESULT plain = ask();
    EXPECT_NE(BrushColour(plain), RGB(192, 192, 192));
    handler_.listBrushIds.insert(MainWindowIds::kFileList);
    const LRESULT grey = ask();
    ASSERT_NE(grey, 0);
    EXPECT_EQ(BrushColour(grey), RGB(192, 192, 192));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    ReleaseDC(Item(MainWindowIds::kFileList), dc);
}

TEST_F(Win32DialogWindowTest, DefaultButtonMovesWithSetDefaultButton) {
    DialogWindow& window = Open(MainWindowTemplate());
    window.SetDefaultButton(MainWindowIds::kProgramIds);
    EXPECT_EQ(LOWORD(SendMessageA(Hwnd(), DM_GETDEFID, 0, 0)), MainWindowIds::kProgramIds);
    window.SetDefaultButton(MainWindowIds::kStatus);  // a label cannot be the default
    EXPECT_EQ(LOWORD(SendMessageA(Hwnd(), DM_GETDEFID, 0, 0)), MainWindowIds::kProgramIds);
}

TEST_F(Win32DialogWindowTest, MoveKeepsTheSize) {
    DialogWindow& window = Open(AdvancedDialogTemplate());
    RECT before;
    GetWindowRect(Hwnd(), &before);
    window.MoveWindow(37, 53);
    const WindowPosition at = window.GetWindowPosition();
    EXPECT_EQ(at.x, 37);
    EXPECT_EQ(at.y, 53);
    RECT after;
    GetWindowRect(Hwnd(), &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

}  // namespace
}  // namespace corvane::win32
