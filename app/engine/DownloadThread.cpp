// The download thread: sleeps on the reply event and its queue, serves the
// main window's requests, and runs one step of the job per reply.
#include "app/engine/DownloadJobOps.h"
#include "app/engine/JobState.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {

// Error 8, "Could not communicate with projector": the job has ended (an
// error, Stop, or a finished download) and no run can start until the
// projector is identified again.
constexpr uint32_t kJobEndedError = 8;

// Download and Verify start a run only from Idle. An ended job answers at
// once, so that the window does not wait for an operation that never runs;
// a busy job (the window offers neither then) is left alone.
void StartRun(DownloadJob& job, bool verifyOnly) {
    const uint32_t state = job.context->devices[job.slot].state;
    if (state == Ended) {
        FailJob(job, kJobEndedError);
        return;
    }
    if (state != Idle) {
        return;
    }
    job.verifyOnly = verifyOnly ? 1 : 0;
    job.verifyingDownload = 0;
    StepJob(job, job.slot);
}

}  // namespace

bool HandleJobMessage(DownloadJob& job, uint32_t message) {
    DeviceRecord& record = job.context->devices[job.slot];
    switch (message) {
        case TM_START:
            StepJob(job, job.slot);
            break;
        case TM_DOWNLOAD:
            StartRun(job, false);
            break;
        case TM_PROGRAM_IDS:
            record.state = ProgramIdsStart;
            StepJob(job, job.slot);
            break;
        case TM_CLEAR_NVRAM:
            record.state = ClearNvramStart;
            StepJob(job, job.slot);
            break;
        case TM_VERIFY:
            StartRun(job, true);
            break;
        case TM_STOP:
            EndJob(job, true);
            break;
        case TM_QUIT:
            return false;
        default:
            break;
    }
    return true;
}

uint32_t DownloadThreadMain(void* param) {
    DownloadJob* job = static_cast<DownloadJob*>(param);
    if (job == nullptr || !job->thread) {
        return 1;
    }
    platform::MessageThread& thread = *job->thread;
    if (job->context == nullptr || job->context->mainWindow == nullptr ||
        job->slot >= kDeviceSlots || !job->context->devices[job->slot].replyEvent) {
        // Not bound to a usable record: take messages (so the starter's posts
        // succeed) but do nothing until told to end.
        while (thread.GetMessage().message != TM_QUIT) {
        }
        return 1;
    }
    DeviceRecord& record = job->context->devices[job->slot];
    const platform::Event& replyEvent = *record.replyEvent;
    record.state = SyncStart;
    for (;;) {
        thread.WaitForEventOrMessage(replyEvent);
        while (thread.HasMessages()) {
            if (!HandleJobMessage(*job, thread.GetMessage().message)) {
                return 0;
            }
        }
        if (replyEvent.Wait(0)) {
            record.replyEvent->Reset();
            StepJob(*job, job->slot);
        }
    }
}

}  // namespace corvane
