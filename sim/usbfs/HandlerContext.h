// The thread umockdev runs ioctl handlers on: its test bed's worker, with a
// GMainContext of its own. Learnt from the first callback on that thread;
// from then on any thread can hand work to it. Work for IoctlData (client
// memory) must run there, since umockdev writes it back from there.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>

typedef struct _GMainContext GMainContext;
typedef struct _GSource GSource;

namespace corvane::usbfs {

class HandlerContext {
public:
    HandlerContext() = default;
    ~HandlerContext();
    HandlerContext(const HandlerContext&) = delete;
    HandlerContext& operator=(const HandlerContext&) = delete;

    // On the handler thread: remembers it.
    void Learn();
    // Runs `work` on the handler thread (now, if called there); false when
    // that thread is not known yet.
    bool Post(std::function<void()> work);
    // On the handler thread: runs `work` there after `delay` (once, or every
    // `delay` while it returns true). The source is for Cancel().
    GSource* After(std::chrono::milliseconds delay, std::function<bool()> work);
    static void Cancel(GSource* source);
    // Lets go of the source without stopping it: it runs until its work
    // returns false.
    static void LetRun(GSource* source);

private:
    std::mutex mutex_;
    GMainContext* context_ = nullptr;
};

}  // namespace corvane::usbfs
