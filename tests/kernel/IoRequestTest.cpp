// The I/O manager's user-mode request paths: METHOD_BUFFERED device control
// (output copied back only when the status is not an error), METHOD_NEITHER,
// neither-I/O and buffered reads and writes, and the default answer for
// major functions a driver has no routine for.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/kernel/KernelHost.h"
#include "tests/kernel/DriverDoubles.h"

namespace corvane::kernel::test {
namespace {

constexpr ULONG kBuffered = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x820, METHOD_BUFFERED, 0);
constexpr ULONG kNeither = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x821, METHOD_NEITHER, 0);

class IoRequestTest : public ::testing::Test {
protected:
    KernelHost host;
    LowerDriverDouble device{host};

    // The driver fills the whole system buffer with `fill` and completes with
    // `status` and `information`.
    void Answer(NTSTATUS status, ULONG_PTR information, uint8_t fill) {
        device.onRequest = [=](PDEVICE_OBJECT, PIRP irp) {
            PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
            ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
            ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
            std::memset(irp->AssociatedIrp.SystemBuffer, fill, in > out ? in : out);
            irp->IoStatus.Status = status;
            irp->IoStatus.Information = information;
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            return status;
        };
    }

    RequestResult Control(ULONG code, const void* in, ULONG inLength, void* out, ULONG outLength) {
        return host.Io().DeviceControl(device.Device(), nullptr, code, in, inLength, out,
                                       outLength);
    }
};

TEST_F(IoRequestTest, BufferedInputArrivesInOneSystemBufferOfTheLargerSize) {
    uint8_t in[3] = {7, 8, 9};
    uint8_t out[16] = {};
    device.onRequest = [&](PDEVICE_OBJECT, PIRP irp) {
        auto* buffer = static_cast<uint8_t*>(irp->AssociatedIrp.SystemBuffer);
        EXPECT_NE(buffer, in);
        EXPECT_NE(buffer, out);
        EXPECT_EQ(std::memcmp(buffer, in, 3), 0);
        EXPECT_EQ(buffer[15], 0);  // the rest of the buffer is zero, not stale
        irp->IoStatus.Status = STATUS_SUCCESS;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_SUCCESS;
    };
    EXPECT_EQ(Control(kBuffered, in, 3, out, 16).status, STATUS_SUCCESS);
}

// Output is copied back up to the information unless the status is an error.
TEST_F(IoRequestTest, OutputCopiedBackOnSuccessOrWarningButNotOnAnError) {
    const struct {
        NTSTATUS status;
        ULONG_PTR information;
        ULONG_PTR returned;
        int copied;
    } cases[] = {
        {STATUS_SUCCESS, 4, 4, 4},
        {STATUS_BUFFER_OVERFLOW, 8, 8, 8},
        {STATUS_UNSUCCESSFUL, 8, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        Answer(c.status, c.information, 0x5A);
        uint8_t out[8] = {};
        RequestResult result = Control(kBuffered, nullptr, 0, out, sizeof out);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.information, c.returned);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(out[i], i < c.copied ? 0x5A : 0) << i;
        }
        EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
    }
}

// Windows would copy the reported bytes over the caller's buffer: a violation,
// and the copy is still kept inside the buffer.
TEST_F(IoRequestTest, InformationBeyondTheOutputBufferIsAViolation) {
    const struct {
        ULONG_PTR information;
        bool broken;
    } cases[] = {{8, false}, {9, true}, {4096, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.information);
        host.ClearViolations();
        Answer(STATUS_SUCCESS, c.information, 0x5A);
        uint8_t out[9] = {};
        uint8_t in[16] = {};
        EXPECT_EQ(Control(kBuffered, in, sizeof in, out, 8).information, 8u);
        EXPECT_EQ(out[7], 0x5A);
        EXPECT_EQ(out[8], 0);  // nothing written past the caller's buffer
        ASSERT_EQ(host.Violations().size(), c.broken ? 1u : 0u);
        if (c.broken) {
            EXPECT_NE(host.Violations()[0].find("larger than its output buffer (8 bytes)"),
                      std::string::npos);
        }
    }
}

TEST_F(IoRequestTest, NeitherMethodPassesTheCallersBuffers) {
    uint8_t in[2] = {};
    uint8_t out[2] = {};
    device.onRequest = [&](PDEVICE_OBJECT, PIRP irp) {
        EXPECT_EQ(IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.Type3InputBuffer,
                  in);
        EXPECT_EQ(irp->UserBuffer, out);
        EXPECT_EQ(irp->AssociatedIrp.SystemBuffer, nullptr);
        irp->IoStatus.Status = STATUS_SUCCESS;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_SUCCESS;
    };
    EXPECT_EQ(Control(kNeither, in, 2, out, 2).status, STATUS_SUCCESS);
}

TEST_F(IoRequestTest, NeitherIoReadWorksOnTheCallersBuffer) {
    uint8_t buffer[10] = {};
    device.onRequest = [&](PDEVICE_OBJECT, PIRP irp) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
        EXPECT_EQ(stack->MajorFunction, IRP_MJ_READ);
        EXPECT_EQ(stack->Parameters.Read.Length, 10u);
        EXPECT_EQ(irp->UserBuffer, buffer);
        static_cast<uint8_t*>(irp->UserBuffer)[0] = 0x42;
        irp->IoStatus.Status = STATUS_SUCCESS;
        irp->IoStatus.Information = 1;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_SUCCESS;
    };
    RequestResult result =
        host.Io().ReadWrite(device.Device(), nullptr, IRP_MJ_READ, buffer, sizeof buffer);
    EXPECT_EQ(result.information, 1u);
    EXPECT_EQ(buffer[0], 0x42);
}

TEST_F(IoRequestTest, BufferedIoWriteCopiesTheCallersBytesIn) {
    device.Device()->Flags |= DO_BUFFERED_IO;
    uint8_t data[3] = {1, 2, 3};
    device.onRequest = [&](PDEVICE_OBJECT, PIRP irp) {
        EXPECT_NE(irp->AssociatedIrp.SystemBuffer, data);
        EXPECT_EQ(std::memcmp(irp->AssociatedIrp.SystemBuffer, data, 3), 0);
        EXPECT_EQ(IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length, 3u);
        irp->IoStatus.Status = STATUS_SUCCESS;
        irp->IoStatus.Information = 3;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_SUCCESS;
    };
    EXPECT_EQ(host.Io().ReadWrite(device.Device(), nullptr, IRP_MJ_WRITE, data, 3).information, 3u);
}

TEST_F(IoRequestTest, MajorFunctionWithoutRoutineIsAnInvalidRequest) {
    PDRIVER_OBJECT bare = host.Io().CreateDriverObject(u"bare");
    PDEVICE_OBJECT target = nullptr;
    ASSERT_EQ(IoCreateDevice(bare, 0, nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &target),
              STATUS_SUCCESS);
    uint8_t out[4] = {9, 9, 9, 9};
    RequestResult result =
        host.Io().DeviceControl(target, nullptr, kBuffered, nullptr, 0, out, sizeof out);
    EXPECT_EQ(result.status, STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(host.Io().SendFileRequest(target, nullptr, IRP_MJ_CREATE).status,
              STATUS_INVALID_DEVICE_REQUEST);
    IoDeleteDevice(target);
    host.Io().DeleteDriverObject(bare);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(IoRequestTest, DeviceExtensionStartsZeroedAndDeviceStartsInitializing) {
    PDRIVER_OBJECT bare = host.Io().CreateDriverObject(u"bare");
    PDEVICE_OBJECT target = nullptr;
    ASSERT_EQ(IoCreateDevice(bare, 64, nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &target),
              STATUS_SUCCESS);
    auto* extension = static_cast<uint8_t*>(target->DeviceExtension);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(extension[i], 0) << i;
    }
    EXPECT_TRUE(target->Flags & DO_DEVICE_INITIALIZING);
    EXPECT_EQ(bare->DeviceObject, target);
    IoDeleteDevice(target);
    EXPECT_EQ(bare->DeviceObject, nullptr);
    host.Io().DeleteDriverObject(bare);
}

TEST_F(IoRequestTest, CreateDeviceFailureCanBeInjected) {
    host.Faults().FailNextCreateDevice(STATUS_INSUFFICIENT_RESOURCES);
    PDEVICE_OBJECT target = reinterpret_cast<PDEVICE_OBJECT>(1);
    EXPECT_EQ(IoCreateDevice(device.Device()->DriverObject, 0, nullptr, FILE_DEVICE_UNKNOWN, 0,
                             FALSE, &target),
              STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(target, nullptr);
}

}  // namespace
}  // namespace corvane::kernel::test
