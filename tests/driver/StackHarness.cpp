#include "tests/driver/StackHarness.h"

#include <gtest/gtest.h>

#include "driver/Driver.h"
#include "platform/kernel/DeviceInterfaces.h"
#include "sim/ProjectorConfig.h"
#include "sim/ProjectorDescriptors.h"

namespace corvane::drivertest {

namespace {

kernel::KernelHost::Options HostOptions(kernel::WindowsGeneration generation) {
    kernel::KernelHost::Options options;
    options.generation = generation;
    return options;
}

UNICODE_STRING RegistryPath() {
    static char16_t path[] = u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Dornik";
    UNICODE_STRING string;
    string.Buffer = path;
    string.Length = static_cast<USHORT>((sizeof(path) - sizeof(char16_t)));
    string.MaximumLength = static_cast<USHORT>(sizeof(path));
    return string;
}

}  // namespace

sim::UsbDescriptorSpec ProjectorSpec() {
    sim::ProjectorConfig config;
    return sim::ProjectorDescriptorSpec(config.usb, sim::ProjectorMode::Flash, config.serialNumber);
}

StackHarness::StackHarness(kernel::WindowsGeneration generation,
                           const sim::UsbDescriptorSpec& deviceSpec)
    : host_(HostOptions(generation)) {
    lower_ = std::make_unique<LowerDriverDouble>(host_.Io(), deviceSpec);
    // As a bus names its physical devices, so interfaces can be registered for it.
    host_.Interfaces().SetInstanceName(lower_->Pdo(), u"USB#VID_1209&PID_0001#DOUBLE");
    driver_ = host_.Io().CreateDriverObject(u"\\Driver\\Dornik");
    UNICODE_STRING path = RegistryPath();
    DriverEntry(driver_, &path);
}

StackHarness::~StackHarness() {
    if (fdo_ != nullptr && !removed_) {
        if (file_ != nullptr) {
            Close();
        }
        Remove();
    }
    if (file_ != nullptr) {
        host_.Io().DeleteFileObject(file_);
    }
    host_.Interfaces().ForgetDevice(lower_->Pdo());
    lower_.reset();
    if (driver_->DriverUnload != nullptr) {
        driver_->DriverUnload(driver_);
    }
    host_.Io().DeleteDriverObject(driver_);
    // Whatever a test made the driver do, it kept the kernel's rules.
    EXPECT_TRUE(host_.Violations().empty()) << ::testing::PrintToString(host_.Violations());
}

NTSTATUS StackHarness::AddDevice() {
    NTSTATUS status = driver_->DriverExtension->AddDevice(driver_, lower_->Pdo());
    if (NT_SUCCESS(status)) {
        fdo_ = lower_->Pdo()->AttachedDevice;
    }
    return status;
}

NTSTATUS StackHarness::AddAndStart() {
    NTSTATUS status = AddDevice();
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return Pnp(IRP_MN_START_DEVICE).status;
}

kernel::RequestResult StackHarness::Pnp(UCHAR minor, DEVICE_CAPABILITIES* capabilities) {
    PIRP irp = host_.Io().NewHostIrp(fdo_);
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;  // what every Plug and Play request starts with
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_PNP;
    next->MinorFunction = minor;
    if (minor == IRP_MN_QUERY_CAPABILITIES) {
        next->Parameters.DeviceCapabilities.Capabilities = capabilities;
    }
    return host_.Io().SendAndWait(fdo_, irp);
}

kernel::RequestResult StackHarness::Power(UCHAR minor, POWER_STATE_TYPE type, POWER_STATE state,
                                          POWER_ACTION shutdown) {
    PIRP irp = host_.Io().NewHostIrp(fdo_);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_POWER;
    next->MinorFunction = minor;
    next->Parameters.Power.Type = type;
    next->Parameters.Power.State = state;
    next->Parameters.Power.ShutdownType = shutdown;
    return host_.Io().SendAndWait(fdo_, irp);
}

kernel::RequestResult StackHarness::Remove() {
    // The device object may be gone when this returns: keep its memory for the host.
    host_.Io().Reference(fdo_);
    kernel::RequestResult result = Pnp(IRP_MN_REMOVE_DEVICE);
    host_.Io().Dereference(fdo_);
    removed_ = true;
    return result;
}

kernel::RequestResult StackHarness::Create() {
    if (file_ == nullptr) {
        file_ = host_.Io().CreateFileObject(fdo_);
    }
    return host_.Io().SendFileRequest(fdo_, file_, IRP_MJ_CREATE);
}

kernel::RequestResult StackHarness::Close() {
    return host_.Io().SendFileRequest(fdo_, file_, IRP_MJ_CLOSE);
}

kernel::RequestResult StackHarness::IoControl(ULONG code, const void* in, ULONG inLength, void* out,
                                              ULONG outLength) {
    if (file_ == nullptr) {
        file_ = host_.Io().CreateFileObject(fdo_);
    }
    return host_.Io().DeviceControl(fdo_, file_, code, in, inLength, out, outLength);
}

kernel::RequestResult StackHarness::Read(void* buffer, ULONG length) {
    if (file_ == nullptr) {
        file_ = host_.Io().CreateFileObject(fdo_);
    }
    return host_.Io().ReadWrite(fdo_, file_, IRP_MJ_READ, buffer, length);
}

kernel::RequestResult StackHarness::Write(const void* buffer, ULONG length) {
    if (file_ == nullptr) {
        file_ = host_.Io().CreateFileObject(fdo_);
    }
    return host_.Io().ReadWrite(fdo_, file_, IRP_MJ_WRITE, const_cast<void*>(buffer), length);
}

}  // namespace corvane::drivertest
