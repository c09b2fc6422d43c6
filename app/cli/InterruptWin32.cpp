#include <atomic>

#include "app/cli/Interrupt.h"
#include "platform/win32/WinApi.h"

namespace corvane::cli {

namespace {

// The console calls its handlers on a thread of its own; the count is the
// one thing they share with the program.
std::atomic<int> interruptions = 0;

// A program that does not end after the first two (a thread stuck in a
// device that does not answer) is ended by the third.
constexpr int kForcedExitAfter = 3;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            if (++interruptions >= kForcedExitAfter) {
                ExitProcess(1);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

// The console keeps a list of handlers: removing ours puts back the ones
// that were there before.
struct InterruptWatch::Previous {};

InterruptWatch::InterruptWatch() : previous_(std::make_unique<Previous>()) {
    interruptions = 0;
    SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() {
    SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
}

int InterruptWatch::Count() const {
    return interruptions;
}

}  // namespace corvane::cli
