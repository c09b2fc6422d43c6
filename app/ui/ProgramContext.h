// The program-wide context: what every part of the program may reach of the
// main window and of the run's few shared services. One instance is made by
// the application at start-up, filled before any worker thread starts, and
// handed (by pointer) to the device link, the engine and the front end. The
// pointers do not own; the application owns the objects they point to and
// keeps them alive until every thread has ended.
//
// After start-up the context itself is only read, so threads may share it
// without a lock. The MainWindowRecord it points to is shared as described in
// MainWindowRecord.h; everything else a worker thread tells the main window
// travels as a posted message.
#pragma once

#include <cstdint>

#include "app/ui/MainWindowRecord.h"
#include "app/ui/OwnedText.h"
#include "platform/DebugOutput.h"
#include "platform/Message.h"
#include "platform/SettingsKey.h"
#include "platform/WindowMessageQueue.h"

namespace corvane {

struct ProgramContext {
    ProgramContext() = default;
    ProgramContext(const ProgramContext&) = delete;
    ProgramContext& operator=(const ProgramContext&) = delete;

    // The main window's record (the process-wide "main window pointer").
    MainWindowRecord* mainWindow = nullptr;
    // The open settings key; nullptr when it could not be opened or created.
    platform::SettingsKey* settingsKey = nullptr;
    // Messages to the main window, delivered on the UI thread in order.
    platform::WindowMessageQueue* mainWindowQueue = nullptr;
    // Diagnostic texts; silent unless the front end installs a sink (before
    // the worker threads start).
    platform::DebugOutput debugOutput;
};

// Any thread. False when there is no main window queue (the message is lost).
bool PostToMainWindow(const ProgramContext& context, uint32_t message, platform::WParam wParam = 0,
                      platform::LParam lParam = 0);

// Any thread: posts message with the text as lParam; the receiver takes it
// with TakePostedText and frees it. Without a queue the text is freed here and
// false is returned.
bool PostTextToMainWindow(const ProgramContext& context, uint32_t message, platform::WParam wParam,
                          OwnedText text);

// Frees what a posted message owns when it is dropped undelivered (the text of
// a WM_SET_CONTROL_TEXT, the notice of a WM_DEVICECHANGE); other messages
// own nothing.
void DiscardPostedMessage(const platform::Message& message);

// Writes a diagnostic text (OutputDebugStringA).
inline void DebugPrint(const ProgramContext& context, const char* text) {
    context.debugOutput.Write(text);
}

}  // namespace corvane
