// Heap texts that change owner: settings read from the store, the .DLD path
// held by the main window record, and texts posted to the main window with
// WM_SET_CONTROL_TEXT. All of them are new[] allocations held as OwnedText,
// so every owner frees them the same way.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/Message.h"

namespace corvane {

using OwnedText = std::unique_ptr<char[]>;

// A new allocation of exactly strlen(text) + 1 bytes; nullptr counts as "".
OwnedText CopyText(const char* text);

// Hands a text over as a message parameter: the receiver takes it back with
// TakePostedText and so becomes its owner. Pair these two only.
platform::LParam ReleaseTextToParam(OwnedText text);
OwnedText TakePostedText(platform::LParam param);

}  // namespace corvane
