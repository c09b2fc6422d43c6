#include "app/engine/DownloadJob.h"

namespace corvane {

DownloadJob::~DownloadJob() {
    if (sourceFile != nullptr) {
        std::fclose(sourceFile);
        sourceFile = nullptr;
    }
}

}  // namespace corvane
