#include "sim/usbfs/TaskThread.h"

namespace corvane::usbfs {

TaskThread::TaskThread() {
    thread_ = std::thread([this] { Run(); });
}

TaskThread::~TaskThread() {
    Stop();
}

bool TaskThread::Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    if (stopping_) {
        return false;
    }
    tasks_.push_back(std::move(task));
    changed_.notify_all();
    return true;
}

void TaskThread::Drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return tasks_.empty() && !running_; });
}

void TaskThread::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TaskThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) {
            return;  // stopping, and nothing left
        }
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = true;
        lock.unlock();
        task();
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace corvane::usbfs
