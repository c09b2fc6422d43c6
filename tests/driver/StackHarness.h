// Dornik loaded on its own driver object above a LowerDriverDouble, in a
// hosted kernel: the test drives every request itself (Plug and Play, power,
// create, close, device control, read, write) and sees everything the driver
// sends below.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver/KernelApi.h"
#include "platform/kernel/KernelHost.h"
#include "sim/UsbDescriptorSpec.h"
#include "tests/driver/LowerDriverDouble.h"

namespace corvane::drivertest {

inline constexpr ULONG kDornikTag = 0x206D6457;  // "Wdm "
inline constexpr ULONG kUsbdTag = 0x44425355;    // "USBD"

// The projector as the virtual projector presents it in flash mode.
sim::UsbDescriptorSpec ProjectorSpec();

class StackHarness {
public:
    explicit StackHarness(kernel::WindowsGeneration generation = kernel::WindowsGeneration::WinXp,
                          const sim::UsbDescriptorSpec& deviceSpec = ProjectorSpec());
    ~StackHarness();
    StackHarness(const StackHarness&) = delete;
    StackHarness& operator=(const StackHarness&) = delete;

    kernel::KernelHost& Host() { return host_; }
    LowerDriverDouble& Lower() { return *lower_; }
    PDRIVER_OBJECT Driver() const { return driver_; }
    PDEVICE_OBJECT Fdo() const { return fdo_; }

    // AddDevice for the double's physical device object.
    NTSTATUS AddDevice();
    // AddDevice, then a start request; the start's status.
    NTSTATUS AddAndStart();

    kernel::RequestResult Pnp(UCHAR minor, DEVICE_CAPABILITIES* capabilities = nullptr);
    kernel::RequestResult Power(UCHAR minor, POWER_STATE_TYPE type, POWER_STATE state,
                                POWER_ACTION shutdown = PowerActionNone);
    // Removal; afterwards the device object is gone.
    kernel::RequestResult Remove();

    kernel::RequestResult Create();
    kernel::RequestResult Close();
    kernel::RequestResult IoControl(ULONG code, const void* in, ULONG inLength, void* out,
                                    ULONG outLength);
    kernel::RequestResult Read(void* buffer, ULONG length);
    kernel::RequestResult Write(const void* buffer, ULONG length);

    std::vector<std::string> TraceLines() { return host_.Trace().Lines(); }
    void ClearTrace() { host_.Trace().Clear(); }
    // What the driver allocated itself or through the USBD library; the
    // interface's link name lives until removal and is not counted.
    size_t OutstandingPool() {
        return host_.Pool().Outstanding(kDornikTag) + host_.Pool().Outstanding(kUsbdTag);
    }

private:
    kernel::KernelHost host_;
    std::unique_ptr<LowerDriverDouble> lower_;
    PDRIVER_OBJECT driver_ = nullptr;
    PDEVICE_OBJECT fdo_ = nullptr;
    PFILE_OBJECT file_ = nullptr;
    bool removed_ = false;
};

}  // namespace corvane::drivertest
