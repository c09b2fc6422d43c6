#include "sim/usbfs/TransferWorker.h"

#include <algorithm>

namespace corvane::usbfs {

TransferWorker::TransferWorker() {
    thread_ = std::thread([this] { Run(); });
}

TransferWorker::~TransferWorker() {
    Stop();
}

bool TransferWorker::Queue(uint64_t id, std::function<void()> job) {
    std::lock_guard lock(mutex_);
    if (stopping_) {
        return false;
    }
    queue_.push_back({id, std::move(job)});
    changed_.notify_all();
    return true;
}

bool TransferWorker::Cancel(uint64_t id) {
    std::lock_guard lock(mutex_);
    const auto it =
        std::find_if(queue_.begin(), queue_.end(), [id](const Job& job) { return job.id == id; });
    if (it == queue_.end()) {
        return false;
    }
    queue_.erase(it);
    return true;
}

void TransferWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TransferWorker::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;  // stopping
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job.work();
    }
}

}  // namespace corvane::usbfs
