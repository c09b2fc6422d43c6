// The two ways a job ends: EndJob (Stop, end of a download) and FailJob.
#include "app/engine/DownloadJobOps.h"
#include "app/engine/JobReporting.h"
#include "app/engine/JobState.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

void CloseJobFiles(DownloadJob& job) {
    DeviceRecord& record = job.context->devices[job.slot];
    if (job.sourceFile != nullptr) {
        std::fclose(job.sourceFile);
        job.sourceFile = nullptr;
    }
    if (record.stagedImage != nullptr) {
        std::fclose(record.stagedImage);
        record.stagedImage = nullptr;
    }
}

void EndJob(DownloadJob& job, bool announce) {
    EngineContext& context = *job.context;
    DeviceRecord& record = context.devices[job.slot];
    CloseJobFiles(job);
    if (record.replyEvent) {
        record.replyEvent->Reset();
    }
    record.state = Ended;
    // No run outlives the job: a verification flag left here would turn the
    // next run into a verification.
    job.verifyOnly = 0;
    job.verifyingDownload = 0;
    PostProgress(context, kProgressHideBar);
    if (announce) {
        PostControlTextId(context, kStatusLineControl, kStringWaitingForConnection);
        PostOperationDone(job, 0);
    }
}

void PostOperationDone(DownloadJob& job, uint32_t failed) {
    if (job.context->mainWindowQueue != nullptr) {
        job.context->mainWindowQueue->Post(WM_OPERATION_DONE, failed, job.serial);
    }
}

void FailJob(DownloadJob& job, uint32_t code, const char* detail) {
    EngineContext& context = *job.context;
    if (code == 1 && context.mainWindow != nullptr) {
        context.mainWindow->platformId[0] = '\0';
        PostControlText(context, kPlatformIdControl, "");
    }
    PostToMainWindow(context, WM_SHOW_ERROR, code, detail);
    EndJob(job, true);
}

}  // namespace corvane
