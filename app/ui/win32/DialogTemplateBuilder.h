// The shared dialog templates as Win32 in-memory dialog templates (DLGTEMPLATE
// followed by one DLGITEMTEMPLATE per control), so that Windows itself builds
// every window from exactly the shared ids, texts, dialog units and styles.
//
// Each control kind has the styles the resource compiler gives its statement
// (LTEXT, GROUPBOX, EDITTEXT, PUSHBUTTON, DEFPUSHBUTTON, AUTOCHECKBOX, LISTBOX
// without its implied extras, a progress bar, CONTROL with SS_BITMAP / SS_ICON);
// the template's flags add to them and nothing else does.
#pragma once

#include <cstdint>
#include <vector>

#include "app/ui/DialogTemplates.h"

namespace corvane::win32 {

// Predefined window classes by atom; 0 for a class given by name.
inline constexpr uint16_t kButtonAtom = 0x0080;
inline constexpr uint16_t kEditAtom = 0x0081;
inline constexpr uint16_t kStaticAtom = 0x0082;
inline constexpr uint16_t kListBoxAtom = 0x0083;
inline constexpr const char* kProgressClassName = "msctls_progress32";

uint32_t DialogStyle(const DialogTemplate& dialog);
uint32_t DialogExtendedStyle(const DialogTemplate& dialog);
uint32_t ControlStyle(const ControlTemplate& control);
// The class atom of the control's kind; 0 when the class goes by name.
uint16_t ControlClassAtom(ControlKind kind);

// The template's bytes. The vector's storage is aligned for a DWORD (operator
// new's alignment), as DialogBoxIndirect and CreateDialogIndirect require;
// every item inside is DWORD-aligned from the start of the buffer.
std::vector<uint8_t> BuildDialogTemplate(const DialogTemplate& dialog);

}  // namespace corvane::win32
