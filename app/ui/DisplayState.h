#pragma once

#include <cstdint>

namespace corvane {

// Which of the main window's controls can be used; see ApplyDisplayState.
enum DisplayState : uint32_t {
    WaitingForProjector = 0,
    Ready = 1,
    ClearingNvram = 2,
    ProgrammingIds = 3,
    Downloading = 4,
    Verifying = 5,
};

}  // namespace corvane
