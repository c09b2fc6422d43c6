// The program's five windows as data: every control's id, kind, text,
// position and style, in dialog units. Every front end (Qt, terminal, Win32,
// the test fake) builds its windows from these tables, so a control exists
// once, with one id and one text, everywhere.
//
// Dialog units: x and cx are quarters of the dialog font's average character
// width, y and cy eighths of its height (see MapDialogUnits).
// Behaviour that belongs to the controller (edit limits, texts set at run
// time, enabling) is not part of a template.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "app/ui/ControlIds.h"

namespace corvane {

enum class ControlKind : uint8_t {
    Label,
    GroupBox,
    Edit,
    Button,
    DefaultButton,
    CheckBox,
    ListBox,
    ProgressBar,
    Image,  // a bitmap resource
    Icon,   // an icon resource
};

// Control flags.
inline constexpr uint32_t kControlHiddenAtStart = 1u << 0;
inline constexpr uint32_t kControlMasked = 1u << 1;       // edit: password characters
inline constexpr uint32_t kControlAutoHScroll = 1u << 2;  // edit: scrolls horizontally
inline constexpr uint32_t kControlSorted = 1u << 3;       // list box: sorted alphabetically
inline constexpr uint32_t kControlNoSelection = 1u << 4;  // list box: items cannot be selected
inline constexpr uint32_t kControlVScroll = 1u << 5;      // vertical scroll bar
inline constexpr uint32_t kControlSmooth = 1u << 6;       // progress bar: continuous fill
inline constexpr uint32_t kControlBorder = 1u << 7;
inline constexpr uint32_t kControlNoWordWrap = 1u << 8;  // label: one line, no wrapping

// Window flags.
inline constexpr uint32_t kWindowVisible = 1u << 0;  // shown when created (modal runs show anyway)
inline constexpr uint32_t kWindowCaption = 1u << 1;
inline constexpr uint32_t kWindowSystemMenu = 1u << 2;
inline constexpr uint32_t kWindowModalFrame = 1u << 3;
inline constexpr uint32_t kWindowTaskbarButton = 1u << 4;

// Every progress bar runs from 0 to 100 (a percentage).
inline constexpr int kProgressRangeMin = 0;
inline constexpr int kProgressRangeMax = 100;

struct ControlTemplate {
    int id;  // kIdStatic for controls the program never addresses
    ControlKind kind;
    const char* text;  // "" when the control has none
    int x, y, cx, cy;
    uint32_t flags = 0;
    int resourceId = 0;  // Image and Icon: the resource shown
};

struct DialogTemplate {
    int templateId;
    const char* caption;
    int cx, cy;
    const char* fontName;
    int pointSize;
    uint32_t windowFlags;
    std::span<const ControlTemplate> controls;
};

const DialogTemplate& MainWindowTemplate();      // 102
const DialogTemplate& ConfigDialogTemplate();    // 129
const DialogTemplate& PasswordDialogTemplate();  // 138
const DialogTemplate& AdvancedDialogTemplate();  // 139
const DialogTemplate& AboutDialogTemplate();     // 100

// All five, and one of them by template id (nullptr when unknown).
std::span<const DialogTemplate* const> AllDialogTemplates();
const DialogTemplate* FindDialogTemplate(int templateId);

// The control with this id in the window; nullptr when there is none, and
// for kIdStatic, which names no single control.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

// Dialog units to pixels as Windows converts a template: each value on its
// own, rounded to the nearest pixel (MulDiv), x and cx by baseUnitX / 4, y
// and cy by baseUnitY / 8. The base units are the dialog font's average
// character width and its height in pixels.
struct PixelRect {
    int x, y, cx, cy;
};
PixelRect MapDialogUnits(int x, int y, int cx, int cy, int baseUnitX, int baseUnitY);

// The horizontal base unit at which the window's texts show whole, for front
// ends whose font is not the one the templates were laid out in: baseUnitX
// widened a pixel at a time, up to half as wide again, until every control's
// neededWidth (pixels; 0 for no text) fits its width. A label with room for
// two lines may wrap and is left out.
int FittingBaseUnitX(const DialogTemplate& dialog, int baseUnitX, int baseUnitY,
                     const std::function<int(const ControlTemplate&)>& neededWidth);

}  // namespace corvane
