// A USB function driver for the hosted kernel's Plug and Play and bus tests,
// written as real WDM code: it registers an interface at AddDevice, forwards
// the start request and waits, enables its interface, reads the descriptors,
// selects the configuration with USBD_CreateConfigurationRequestEx and keeps
// the pipe handles, and moves data with bulk URBs for its control requests.
// Its state is process-wide because a driver entry point has no context.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/ddk/usbdlib.h"
#include "platform/kernel/ddk/usbioctl.h"
#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel::test {

inline constexpr GUID kTestInterfaceClass = {
    0x90247D63, 0x6177, 0x11D4, {0xA7, 0x97, 0x00, 0x40, 0xD0, 0x0A, 0x43, 0xA5}};

// Device-control codes of the double.
inline constexpr ULONG kEchoCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900, METHOD_BUFFERED, 0);
inline constexpr ULONG kFailCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x901, METHOD_BUFFERED, 0);
inline constexpr ULONG kWarnCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x902, METHOD_BUFFERED, 0);
// Input: BulkRequest. Output: BulkReply.
inline constexpr ULONG kBulkCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x903, METHOD_BUFFERED, 0);

struct BulkRequest {
    uint32_t in;         // 1: the IN pipe, 0: the OUT pipe
    uint32_t flags;      // URB TransferFlags
    uint32_t length;     // bytes to move (at most 64)
    uint32_t stalePipe;  // 1: use a pipe handle of an earlier configuration
    uint32_t abortPipe;  // 1: abort the pipe instead of a transfer
    uint8_t data[64];
};
struct BulkReply {
    int32_t status;
    uint32_t length;
    uint8_t data[64];
};

struct FunctionDriverState {
    int entries = 0;
    int unloads = 0;
    int addDevices = 0;
    NTSTATUS startStatus = STATUS_SUCCESS;  // forced start result when not success
    std::vector<std::string> pnp;           // minor functions seen, in order
    std::vector<std::string> power;
    USBD_PIPE_HANDLE oldInPipe = nullptr;  // from the previous configuration
};

void ResetFunctionDriver();
FunctionDriverState FunctionDriverSnapshot();
void SetFunctionDriverStartStatus(NTSTATUS status);
// Runs inside the start request, once the interface is enabled.
void SetFunctionDriverStartHook(std::function<void()> hook);

extern "C" NTSTATUS NTAPI FunctionDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING path);

}  // namespace corvane::kernel::test
