// How the main window hands a request (TM_DOWNLOAD, TM_VERIFY, TM_STOP,
// TM_PROGRAM_IDS, TM_CLEAR_NVRAM) to the download thread of projector slot 0.
#pragma once

#include <cstdint>

namespace corvane {

struct EngineContext;

class DownloadThreadRequests {
public:
    virtual ~DownloadThreadRequests() = default;
    // Posts message with both parameters 0; false when the slot has no
    // download thread (the request is dropped).
    virtual bool Post(uint32_t message) = 0;
};

// Posts to the thread of the job in the engine's slot 0.
class EngineDownloadThreadRequests : public DownloadThreadRequests {
public:
    explicit EngineDownloadThreadRequests(EngineContext& engine) : engine_(engine) {}
    bool Post(uint32_t message) override;

private:
    EngineContext& engine_;
};

}  // namespace corvane
