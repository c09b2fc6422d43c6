// The states of a download job, in the order of their values.
#pragma once

#include <cstdint>

namespace corvane {

enum JobState : uint32_t {
    SyncStart = 0,        // job created, nothing sent yet
    SyncWait = 1,         // "Sync\r" sent
    PlatformWait = 2,     // "P" sent (platform identifier)
    ReadIds = 3,          // reading part and serial number
    ClearNvramStart = 4,  // Clear NVRAM requested
    ClearNvramWait = 5,   // "C" sent
    ProgramIdsStart = 6,  // writing new identification numbers requested
    ProgramIdsWait = 7,   // identification numbers being written
    Idle = 8,             // identified and ready; a trigger starts the current file
    IdentifyWait = 9,     // "I" sent
    PartitionsWait = 10,  // "B" sent
    VerifyWait = 11,      // verification of the current file under way
    EraseWait = 12,       // erasing the partitions of the current file
    ProgramWait = 13,     // programming the current file
    FileDone = 14,        // "X" sent, or nothing to program; the next step completes the file
    Ended = 15,           // job ended; no step does anything
};

}  // namespace corvane
