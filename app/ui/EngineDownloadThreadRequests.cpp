#include "app/engine/DownloadJob.h"
#include "app/engine/EngineContext.h"
#include "app/ui/DownloadThreadRequests.h"

namespace corvane {

bool EngineDownloadThreadRequests::Post(uint32_t message) {
    DownloadJob* job = engine_.devices[0].job;
    if (job == nullptr || !job->thread) {
        return false;
    }
    return job->thread->Post(message, 0, 0);
}

}  // namespace corvane
