#include "sim/DeviceThreads.h"

#include <utility>

namespace corvane::sim {

void DeviceThreads::Start(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    for (auto it = threads_.begin(); it != threads_.end();) {
        if (it->done->load()) {
            it->thread.join();  // its work is over: the join is immediate
            it = threads_.erase(it);
        } else {
            ++it;
        }
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), done] {
        work();
        done->store(true);
    });
    threads_.push_back({std::move(thread), std::move(done)});
}

void DeviceThreads::JoinAll() {
    std::vector<Entry> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (Entry& entry : threads) {
        entry.thread.join();
    }
}

}  // namespace corvane::sim
