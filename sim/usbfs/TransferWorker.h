// The thread of one endpoint: runs the jobs queued for it one after the other,
// in order, so that a transfer blocked in the device (an IN waiting for a
// reply) holds up only its own endpoint. A queued job can be taken back until
// it starts.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace corvane::usbfs {

class TransferWorker {
public:
    TransferWorker();
    ~TransferWorker();  // Stop()
    TransferWorker(const TransferWorker&) = delete;
    TransferWorker& operator=(const TransferWorker&) = delete;

    // False after Stop(): the job will never run.
    bool Queue(uint64_t id, std::function<void()> job);
    // True when the job was still queued: it will not run.
    bool Cancel(uint64_t id);
    // Drops the queued jobs and waits for the running one to return.
    void Stop();

private:
    struct Job {
        uint64_t id;
        std::function<void()> work;
    };

    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace corvane::usbfs
