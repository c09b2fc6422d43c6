// The threads a virtual projector runs for itself (reporting a departure it
// caused during a transfer, coming back after a restart). Owned by the device
// and joined, never detached. Starting one never waits for a running one:
// only threads that have finished their work are joined on the way.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane::sim {

class DeviceThreads {
public:
    DeviceThreads() = default;
    ~DeviceThreads() { JoinAll(); }
    DeviceThreads(const DeviceThreads&) = delete;
    DeviceThreads& operator=(const DeviceThreads&) = delete;

    void Start(std::function<void()> work);
    void JoinAll();

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    std::mutex mutex_;
    std::vector<Entry> threads_;
};

}  // namespace corvane::sim
