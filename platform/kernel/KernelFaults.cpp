#include "platform/kernel/KernelFaults.h"

namespace corvane::kernel {

void KernelFaults::FailNextIrpAllocations(int count) {
    std::lock_guard lock(mutex_);
    irpFailures_ = count;
}

void KernelFaults::FailNextCreateDevice(NTSTATUS status) {
    std::lock_guard lock(mutex_);
    createFails_ = true;
    createStatus_ = status;
}

void KernelFaults::FailNextRegisterInterface(NTSTATUS status) {
    std::lock_guard lock(mutex_);
    registerFails_ = true;
    registerStatus_ = status;
}

void KernelFaults::FailNextAttach() {
    std::lock_guard lock(mutex_);
    attachFails_ = true;
}

bool KernelFaults::TakeIrpAllocationFailure() {
    std::lock_guard lock(mutex_);
    if (irpFailures_ <= 0) {
        return false;
    }
    --irpFailures_;
    return true;
}

bool KernelFaults::TakeCreateDeviceFailure(NTSTATUS* status) {
    std::lock_guard lock(mutex_);
    if (!createFails_) {
        return false;
    }
    createFails_ = false;
    *status = createStatus_;
    return true;
}

bool KernelFaults::TakeRegisterInterfaceFailure(NTSTATUS* status) {
    std::lock_guard lock(mutex_);
    if (!registerFails_) {
        return false;
    }
    registerFails_ = false;
    *status = registerStatus_;
    return true;
}

bool KernelFaults::TakeAttachFailure() {
    std::lock_guard lock(mutex_);
    bool fails = attachFails_;
    attachFails_ = false;
    return fails;
}

}  // namespace corvane::kernel
