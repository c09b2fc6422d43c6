// The download thread: sleeps on the reply event and its queue, serves the
// main window's requests, and runs one step of the job per reply.
#include "app/engine/DownloadJobOps.h"
#include "app/engine/JobState.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

bool HandleJobMessage(DownloadJob& job, uint32_t message) {
    DeviceRecord& record = job.context->devices[job.slot];
    switch (message) {
        case TM_START:
        case TM_DOWNLOAD:
            StepJob(job, job.slot);
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
            job.verifyOnly = 1;
            StepJob(job, job.slot);
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
