// Work handed from thread to thread through GLib, whose locking
// ThreadSanitizer cannot see (GLib is not instrumented): the giver marks what
// it hands over, the taker marks taking it, and the sanitizer then knows the
// one happened before the other. Nothing at all without the sanitizer.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define CORVANE_USBFS_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define CORVANE_USBFS_TSAN 1
#endif
#endif

#if defined(CORVANE_USBFS_TSAN)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace corvane::usbfs {

inline void HandOver([[maybe_unused]] void* what) {
#if defined(CORVANE_USBFS_TSAN)
    __tsan_release(what);
#endif
}

inline void TakeOver([[maybe_unused]] void* what) {
#if defined(CORVANE_USBFS_TSAN)
    __tsan_acquire(what);
#endif
}

}  // namespace corvane::usbfs
