#include "app/ui/win32/DialogTemplateBuilder.h"

#include <cstring>

#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <commctrl.h>

namespace corvane::win32 {

namespace {

uint32_t KindStyle(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return SS_LEFT | WS_GROUP;
        case ControlKind::GroupBox:
            return BS_GROUPBOX;
        case ControlKind::Edit:
            return ES_LEFT | WS_BORDER | WS_TABSTOP;
        case ControlKind::Button:
            return BS_PUSHBUTTON | WS_TABSTOP;
        case ControlKind::DefaultButton:
            return BS_DEFPUSHBUTTON | WS_TABSTOP;
        case ControlKind::CheckBox:
            return BS_AUTOCHECKBOX | WS_TABSTOP;
        case ControlKind::ListBox:
            return LBS_NOTIFY | WS_BORDER | WS_TABSTOP;
        case ControlKind::ProgressBar:
            return 0;
        case ControlKind::Image:
            return SS_BITMAP;
        case ControlKind::Icon:
            return SS_ICON;
    }
    return 0;
}

class Writer {
public:
    void Word(uint16_t value) { Append(&value, sizeof value); }
    void Dword(uint32_t value) { Append(&value, sizeof value); }
    void Short(int value) { Word(static_cast<uint16_t>(static_cast<int16_t>(value))); }
    // An ANSI text as a NUL-terminated UTF-16 string.
    void Text(const char* text) {
        const char* value = text != nullptr ? text : "";
        const int length = static_cast<int>(std::strlen(value));
        if (length > 0) {
            std::vector<wchar_t> wide(static_cast<size_t>(length) + 1);
            const int count = MultiByteToWideChar(CP_ACP, 0, value, length, wide.data(), length);
            for (int at = 0; at < count; ++at) {
                Word(static_cast<uint16_t>(wide[static_cast<size_t>(at)]));
            }
        }
        Word(0);
    }
    void Ordinal(uint16_t value) {
        Word(0xFFFF);
        Word(value);
    }
    void AlignDword() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    void Append(const void* data, size_t size) {
        const auto* from = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + size);
    }
    std::vector<uint8_t> bytes_;
};

void WriteControl(Writer& out, const ControlTemplate& control) {
    out.AlignDword();
    out.Dword(ControlStyle(control));
    out.Dword(0);
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.cx);
    out.Short(control.cy);
    // kIdStatic (-1) is the resource compiler's IDC_STATIC, 0xFFFF.
    out.Word(static_cast<uint16_t>(control.id));
    if (const uint16_t atom = ControlClassAtom(control.kind); atom != 0) {
        out.Ordinal(atom);
    } else {
        out.Text(kProgressClassName);
    }
    if (control.kind == ControlKind::Image || control.kind == ControlKind::Icon) {
        out.Ordinal(static_cast<uint16_t>(control.resourceId));
    } else {
        out.Text(control.text);
    }
    out.Word(0);  // no creation data
}

}  // namespace

uint32_t DialogStyle(const DialogTemplate& dialog) {
    uint32_t style = WS_POPUP | DS_SETFONT;
    if ((dialog.windowFlags & kWindowVisible) != 0) {
        style |= WS_VISIBLE;
    }
    if ((dialog.windowFlags & kWindowCaption) != 0) {
        style |= WS_CAPTION;
    }
    if ((dialog.windowFlags & kWindowSystemMenu) != 0) {
        style |= WS_SYSMENU;
    }
    if ((dialog.windowFlags & kWindowModalFrame) != 0) {
        style |= DS_MODALFRAME;
    }
    return style;
}

uint32_t DialogExtendedStyle(const DialogTemplate& dialog) {
    return (dialog.windowFlags & kWindowTaskbarButton) != 0 ? WS_EX_APPWINDOW : 0;
}

uint32_t ControlStyle(const ControlTemplate& control) {
    uint32_t style = WS_CHILD | KindStyle(control.kind);
    const uint32_t flags = control.flags;
    if ((flags & kControlHiddenAtStart) == 0) {
        style |= WS_VISIBLE;
    }
    if (control.kind == ControlKind::Edit) {
        style |= (flags & kControlMasked) != 0 ? ES_PASSWORD : 0;
        style |= (flags & kControlAutoHScroll) != 0 ? ES_AUTOHSCROLL : 0;
    }
    if (control.kind == ControlKind::ListBox) {
        style |= (flags & kControlSorted) != 0 ? LBS_SORT : 0;
        style |= (flags & kControlNoSelection) != 0 ? LBS_NOSEL : 0;
    }
    if (control.kind == ControlKind::ProgressBar && (flags & kControlSmooth) != 0) {
        style |= PBS_SMOOTH;
    }
    if (control.kind == ControlKind::Label && (flags & kControlNoWordWrap) != 0) {
        style = (style & ~static_cast<uint32_t>(SS_TYPEMASK)) | SS_LEFTNOWORDWRAP;
    }
    style |= (flags & kControlVScroll) != 0 ? WS_VSCROLL : 0;
    style |= (flags & kControlBorder) != 0 ? WS_BORDER : 0;
    return style;
}

uint16_t ControlClassAtom(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
        case ControlKind::Image:
        case ControlKind::Icon:
            return kStaticAtom;
        case ControlKind::GroupBox:
        case ControlKind::Button:
        case ControlKind::DefaultButton:
        case ControlKind::CheckBox:
            return kButtonAtom;
        case ControlKind::Edit:
            return kEditAtom;
        case ControlKind::ListBox:
            return kListBoxAtom;
        case ControlKind::ProgressBar:
            return 0;
    }
    return 0;
}

std::vector<uint8_t> BuildDialogTemplate(const DialogTemplate& dialog) {
    Writer out;
    out.Dword(DialogStyle(dialog));
    out.Dword(DialogExtendedStyle(dialog));
    out.Word(static_cast<uint16_t>(dialog.controls.size()));
    out.Short(0);  // placed by the window itself once created
    out.Short(0);
    out.Short(dialog.cx);
    out.Short(dialog.cy);
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(dialog.caption);
    out.Word(static_cast<uint16_t>(dialog.pointSize));
    out.Text(dialog.fontName);
    for (const ControlTemplate& control : dialog.controls) {
        WriteControl(out, control);
    }
    return out.Take();
}

}  // namespace corvane::win32
