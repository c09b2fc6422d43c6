// One download job: everything done with one connected projector, run by its
// download thread. Created by the device link, which binds slot and thread
// before the thread is resumed, and deleted by it after the thread has ended.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/engine/ReaderLink.h"
#include "platform/MessageThread.h"

namespace corvane {

struct EngineContext;

inline constexpr int kIdentificationSize = 12;

struct DownloadJob {
    explicit DownloadJob(EngineContext* engine) : context(engine) {}
    // Closes the source file if it is still open; the thread object goes with
    // the job (the device link has joined the thread before).
    ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    char identification[kIdentificationSize] = {};  // reply to "I" up to its carriage return
    FILE* sourceFile = nullptr;                     // firmware file being processed
    uint8_t slot = kUnboundSlot;
    std::unique_ptr<platform::MessageThread> thread;
    uint8_t verifyOnly = 0;         // the current run verifies instead of downloading
    uint8_t verifyingDownload = 0;  // the verification after a download is running
    // The partition table is this projector's: only then may the job be Idle.
    uint8_t identified = 0;
    // Set by the device link before the thread starts, never 0. Its
    // WM_OPERATION_DONE carries it, so that the window can tell the
    // completion of a job that is already gone from its current job's.
    uint32_t serial = 0;
    EngineContext* context;
};

}  // namespace corvane
