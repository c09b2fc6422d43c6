// Working through the main window's file list: start a file (open, convert,
// erase or verify), complete it (verify after the download, next file or
// restart the projector), and the outcome of a verification.
#include <chrono>
#include <cstring>
#include <thread>

#include "app/engine/DownloadJobOps.h"
#include "app/engine/JobReporting.h"
#include "app/engine/JobState.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"
#include "app/files/FirmwareImage.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"
#include "platform/Paths.h"

namespace corvane {

namespace {

// The status lines that carry a file name fit the status label's buffer.
constexpr size_t kFileStatusSize = 52;
constexpr auto kRestartPause = std::chrono::milliseconds(100);

}  // namespace

const char* CurrentFilePath(const EngineContext& context) {
    const MainWindowRecord* window = context.mainWindow;
    if (window == nullptr || window->currentFileIndex >= kMaxFiles) {
        return nullptr;
    }
    const char* path = window->filePaths[window->currentFileIndex];
    // An entry that fills its field without a terminator is no usable path.
    return strnlen(path, kPathChars + 1) <= kPathChars ? path : nullptr;
}

const char* CurrentFileName(const EngineContext& context) {
    const char* path = CurrentFilePath(context);
    return path != nullptr ? platform::PathFindFileName(path) : "";
}

void StartCurrentFile(DownloadJob& job) {
    EngineContext& context = *job.context;
    DeviceRecord& record = context.devices[job.slot];
    // A verify-only run moves from file to file without EndJob.
    CloseJobFiles(job);
    const char* path = CurrentFilePath(context);
    // Binary, so that Windows reads the bytes Linux reads: its text mode would
    // end the file at a Ctrl-Z anywhere, the converter ends it at one that
    // starts a line (and folds CR LF itself).
    job.sourceFile = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (job.sourceFile == nullptr) {
        FailJob(job, 7);
        return;
    }
    PostControlTextId(context, kStatusLineControl, kStringScanningFile);
    const int marked =
        ConvertFirmwareImage(context, job.slot, job.sourceFile, context.partitionFlags);
    if (marked == kConvertFormatError) {
        FailJob(job, 4, path);
        return;
    }
    if (marked == kConvertPlatformMismatch) {
        FailJob(job, 5);
        return;
    }
    if (marked < 0) {
        // No staged image could be made: the file cannot be processed.
        FailJob(job, 7);
        return;
    }
    if (marked == 0) {
        // Nothing to program or compare: the file is complete at once.
        if (job.verifyOnly) {
            ApplyVerifyResult(job, 1);
        } else {
            record.state = FileDone;
            StepJob(job, job.slot);
        }
        return;
    }
    if (job.verifyOnly) {
        BeginVerification(job);
        return;
    }
    EraseRequestBegin(context, job.slot);
    record.state = EraseWait;
}

void BeginVerification(DownloadJob& job) {
    EngineContext& context = *job.context;
    char status[kFileStatusSize];
    ComposeFileStatus(status, sizeof(status), "Verifying ", CurrentFileName(context), "");
    PostControlText(context, kStatusLineControl, status);
    if (VerifyRequestBegin(context, job.slot, context.partitionFlags) != 0) {
        ApplyVerifyResult(job, 1);  // nothing flagged: nothing to compare
        return;
    }
    context.devices[job.slot].state = VerifyWait;
}

void ApplyVerifyResult(DownloadJob& job, int result) {
    EngineContext& context = *job.context;
    DeviceRecord& record = context.devices[job.slot];
    MainWindowRecord* window = context.mainWindow;
    switch (result) {
        case 4:
            FailJob(job, 10, "Verify");
            break;
        case 6:
            FailJob(job, 7, CurrentFilePath(context));
            break;
        case 1:
            if (job.verifyingDownload) {
                record.state = FileDone;
                StepJob(job, job.slot);
                break;
            }
            window->currentFileIndex += 1;
            record.state = Idle;
            if (window->currentFileIndex < window->fileCount) {
                StepJob(job, job.slot);
            } else {
                job.verifyOnly = 0;
                CloseJobFiles(job);  // the run is over
                PostOperationDone(job, 0);
            }
            break;
        case 3:
            if (job.verifyingDownload) {
                FailJob(job, 9);
            } else {
                job.verifyOnly = 0;
                CloseJobFiles(job);  // the remaining files are not verified
                PostOperationDone(job, 1);
                record.state = Idle;
            }
            break;
        default:
            break;
    }
}

void CompleteCurrentFile(DownloadJob& job) {
    EngineContext& context = *job.context;
    DeviceRecord& record = context.devices[job.slot];
    MainWindowRecord* window = context.mainWindow;
    PostProgress(context, kProgressHideBar);
    if (window->VerifyDownloads) {
        if (!job.verifyingDownload) {
            job.verifyingDownload = 1;
            BeginVerification(job);
            return;
        }
        job.verifyingDownload = 0;
    }
    if (record.stagedImage != nullptr) {
        std::fclose(record.stagedImage);
        record.stagedImage = nullptr;
    }
    window->currentFileIndex += 1;
    if (window->currentFileIndex < window->fileCount) {
        EndJob(job, false);
        record.state = Idle;
        StepJob(job, job.slot);
        return;
    }
    window->downloadFinished = 1;
    // The completion goes out before "R": the window must have it before
    // the restart takes the projector away, or the projector's return (and
    // its new job) would overtake it.
    EndJob(job, true);
    SendCommandTo(context, job.slot, "R");
    std::this_thread::sleep_for(kRestartPause);
}

}  // namespace corvane
