// The Plug and Play thread and the function driver's loading and unloading.
#include "platform/kernel/PnpManager.h"

#include <future>

namespace corvane::kernel {

PnpManager::PnpManager(KernelHost& host) : host_(host) {
    thread_ = std::thread([this] { Run(); });
    std::lock_guard lock(queueMutex_);
    threadId_ = thread_.get_id();
}

PnpManager::~PnpManager() {
    Stop();
}

void PnpManager::Run() {
    std::unique_lock lock(queueMutex_);
    for (;;) {
        queueChanged_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;
        }
        std::function<void()> work = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        work();
        lock.lock();
        busy_ = false;
        if (queue_.empty()) {
            idle_.notify_all();
        }
    }
}

void PnpManager::Post(std::function<void()> work) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(work));
    }
    queueChanged_.notify_one();
}

void PnpManager::RunAndWait(const std::function<void()>& work) {
    if (OnPnpThread()) {
        work();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    Post([&work, &done] {
        work();
        done.set_value();
    });
    finished.wait();
}

void PnpManager::WaitIdle() {
    if (OnPnpThread()) {
        return;
    }
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

bool PnpManager::OnPnpThread() const {
    return std::this_thread::get_id() == threadId_;
}

void PnpManager::Stop() {
    {
        std::lock_guard lock(queueMutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
    }
    queueChanged_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PnpManager::RegisterDriver(PDRIVER_INITIALIZE entry, std::u16string serviceName) {
    std::lock_guard lock(mutex_);
    entry_ = entry;
    serviceName_ = std::move(serviceName);
}

bool PnpManager::DriverLoaded() const {
    std::lock_guard lock(mutex_);
    return driver_ != nullptr;
}

int PnpManager::DriverEntryCalls() const {
    std::lock_guard lock(mutex_);
    return entryCalls_;
}

int PnpManager::DriverUnloadCalls() const {
    std::lock_guard lock(mutex_);
    return unloadCalls_;
}

PDRIVER_OBJECT PnpManager::Driver() const {
    std::lock_guard lock(mutex_);
    return driver_;
}

bool PnpManager::EnsureDriverLoaded() {
    PDRIVER_INITIALIZE entry;
    std::u16string name;
    {
        std::lock_guard lock(mutex_);
        if (driver_ != nullptr) {
            return true;
        }
        if (entry_ == nullptr) {
            return false;
        }
        entry = entry_;
        name = serviceName_;
        ++entryCalls_;
    }
    PDRIVER_OBJECT driver = host_.Io().CreateDriverObject(name);
    driver->DriverInit = entry;
    std::u16string path = u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + name;
    UNICODE_STRING registryPath{static_cast<USHORT>(path.size() * 2),
                                static_cast<USHORT>(path.size() * 2 + 2), path.data()};
    NTSTATUS status = entry(driver, &registryPath);
    if (!NT_SUCCESS(status)) {
        host_.Io().DeleteDriverObject(driver);
        return false;
    }
    std::lock_guard lock(mutex_);
    driver_ = driver;
    return true;
}

void PnpManager::UnloadDriverIfUnused() {
    PDRIVER_OBJECT driver;
    {
        std::lock_guard lock(mutex_);
        if (driver_ == nullptr || driver_->DeviceObject != nullptr) {
            return;
        }
        for (const auto& [pdo, node] : nodes_) {
            // Handles left after a removal still send their closes to the driver.
            if (node.hasStack || node.openFiles > 0) {
                return;
            }
        }
        driver = driver_;
        driver_ = nullptr;
        ++unloadCalls_;
    }
    if (driver->DriverUnload != nullptr) {
        driver->DriverUnload(driver);
    }
    host_.Io().DeleteDriverObject(driver);
}

}  // namespace corvane::kernel
