// A thread that runs posted tasks one at a time, in the order they were
// posted. The emulation's hub thread: everything that changes the test bed
// (arrivals, departures, sysfs updates) happens there, off the threads that
// report them.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace corvane::usbfs {

class TaskThread {
public:
    TaskThread();
    ~TaskThread();  // Stop()
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    // False once stopping: the task will not run.
    bool Post(std::function<void()> task);
    // Returns when every task posted before it has run.
    void Drain();
    // Runs what is posted already, then ends the thread.
    void Stop();

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool running_ = false;  // a task is running
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace corvane::usbfs
