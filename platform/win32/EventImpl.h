// The inside of an Event on Windows: a manual-reset event object, shared with
// the message threads for MsgWaitForMultipleObjectsEx.
#pragma once

#include "platform/Event.h"
#include "platform/win32/WinApi.h"

namespace corvane::platform {

struct Event::Impl {
    HANDLE handle = nullptr;
};

}  // namespace corvane::platform
