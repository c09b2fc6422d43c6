#include "platform/kernel/CurrentHost.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace corvane::kernel {

namespace {
std::atomic<KernelHost*> currentHost{nullptr};
}

KernelHost& CurrentHost() {
    KernelHost* host = currentHost.load(std::memory_order_acquire);
    if (host == nullptr) {
        BugCheck("kernel service called without a KernelHost");
    }
    return *host;
}

KernelHost* CurrentHostOrNull() {
    return currentHost.load(std::memory_order_acquire);
}

void InstallCurrentHost(KernelHost* host) {
    KernelHost* expected = nullptr;
    if (!currentHost.compare_exchange_strong(expected, host, std::memory_order_acq_rel)) {
        BugCheck("a second KernelHost was created while one is alive");
    }
}

void RemoveCurrentHost(KernelHost* host) {
    KernelHost* expected = host;
    currentHost.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

void BugCheck(const char* what) {
    std::fprintf(stderr, "hosted kernel: fatal: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace corvane::kernel
