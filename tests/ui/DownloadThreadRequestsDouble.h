// Stands in for the download thread: records the requests the main window
// posts, or refuses them as a slot without a thread does.
#pragma once

#include <cstdint>
#include <vector>

#include "app/ui/DownloadThreadRequests.h"

namespace corvane::test {

class DownloadThreadRequestsDouble : public DownloadThreadRequests {
public:
    bool Post(uint32_t message) override {
        if (!threadExists) {
            refused.push_back(message);
            return false;
        }
        posted.push_back(message);
        return true;
    }

    bool threadExists = true;
    std::vector<uint32_t> posted;
    std::vector<uint32_t> refused;
};

}  // namespace corvane::test
