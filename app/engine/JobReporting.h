// What the download thread tells the main window, always by posted message.
//
// WM_SET_CONTROL_TEXT carries a new[] allocation (OwnedText) that the main
// window takes back with TakePostedText and frees; WM_SHOW_ERROR's detail is
// a constant or points into the main window's record and is not freed.
#pragma once

#include <cstdint>

#include "app/engine/EngineContext.h"

namespace corvane {

inline constexpr uint32_t kStatusLineControl = 1012;
inline constexpr uint32_t kPlatformIdControl = 1014;
inline constexpr uint32_t kPartNumberControl = 1025;
inline constexpr uint32_t kSerialNumberControl = 1026;

// WM_SET_PROGRESS values beside the percentage, as 32-bit numbers.
inline constexpr uint32_t kProgressShowBar = 0xFFFFFFFF;
inline constexpr uint32_t kProgressHideBar = 0xFFFFFFFE;

void PostToMainWindow(EngineContext& context, uint32_t message, uint32_t wParam,
                      const void* lParam = nullptr);
void PostProgress(EngineContext& context, uint32_t value);

// Posts a heap copy of text for the control.
void PostControlText(EngineContext& context, uint32_t control, const char* text);

// Posts the string-table text of stringId ("" for an unknown id).
void PostControlTextId(EngineContext& context, uint32_t control, uint32_t stringId);

}  // namespace corvane
