// Faults that tests inject into the hosted kernel's services, each for the
// next call(s) only (pool failures are in PoolTracker).
#pragma once

#include <mutex>

#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class KernelFaults {
public:
    // IoAllocateIrp / IoBuildDeviceIoControlRequest return NULL.
    void FailNextIrpAllocations(int count);
    // IoCreateDevice fails with `status`.
    void FailNextCreateDevice(NTSTATUS status);
    // IoRegisterDeviceInterface fails with `status`.
    void FailNextRegisterInterface(NTSTATUS status);
    // IoAttachDeviceToDeviceStack returns NULL.
    void FailNextAttach();

    // Used by the kernel: true (and the status) when the call must fail.
    bool TakeIrpAllocationFailure();
    bool TakeCreateDeviceFailure(NTSTATUS* status);
    bool TakeRegisterInterfaceFailure(NTSTATUS* status);
    bool TakeAttachFailure();

private:
    std::mutex mutex_;
    int irpFailures_ = 0;
    bool createFails_ = false;
    NTSTATUS createStatus_ = STATUS_SUCCESS;
    bool registerFails_ = false;
    NTSTATUS registerStatus_ = STATUS_SUCCESS;
    bool attachFails_ = false;
};

}  // namespace corvane::kernel
