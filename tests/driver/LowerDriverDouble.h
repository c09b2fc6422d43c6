// The device object below Dornik in tests that need full control of what the
// USB stack answers: it serves descriptor requests from a descriptor set,
// selects configurations by handing out pipe handles, answers bulk transfers
// from a script, and completes each request at once or later (pending), as
// the test says. It records everything it was sent.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "driver/KernelApi.h"
#include "platform/kernel/IoManager.h"
#include "sim/DescriptorSet.h"
#include "sim/UsbDescriptorSpec.h"

namespace corvane::drivertest {

enum class Completion { Immediate, Pending };

struct UrbRecord {
    USHORT function = 0;
    ULONG transferFlags = 0;
    ULONG length = 0;  // asked for
    USBD_PIPE_HANDLE pipe = nullptr;
    UCHAR descriptorType = 0;
    UCHAR index = 0;
    USHORT languageId = 0;
    bool hasConfiguration = false;  // select: a configuration (not a deconfiguration)
    std::vector<uint8_t> out;       // bytes of an OUT transfer
};

struct PendingReply {
    NTSTATUS status = STATUS_SUCCESS;
    std::vector<uint8_t> bytes;
};

class LowerDriverDouble {
public:
    LowerDriverDouble(kernel::IoManager& io, const sim::UsbDescriptorSpec& deviceSpec);
    ~LowerDriverDouble();
    LowerDriverDouble(const LowerDriverDouble&) = delete;
    LowerDriverDouble& operator=(const LowerDriverDouble&) = delete;

    PDEVICE_OBJECT Pdo() const { return pdo_; }

    // ---- URBs
    void SetUrbCompletion(Completion completion);
    // The next `count` URBs of `function` fail with `status` (nothing moved).
    void FailUrbs(USHORT function, NTSTATUS status, int count = 1);
    // After `skip` requests for descriptor `type`, the next one fails with `status`.
    void FailDescriptor(UCHAR type, int skip, NTSTATUS status);
    // The next IN transfer gets `bytes`; without a queued reply an IN
    // transfer waits (it pends) until one is queued or FailWaitingIn.
    void QueueIn(std::vector<uint8_t> bytes, NTSTATUS status = STATUS_SUCCESS);
    void FailWaitingIn(NTSTATUS status);
    bool WaitForWaitingIn(int timeoutMs);
    // URB_FUNCTION_ABORT_PIPE fails the waiting IN transfers with
    // STATUS_CANCELLED (by default it is not supported).
    void AnswerAbortPipe();
    // OUT transfers fail with this status from now on (success by default).
    void SetOutStatus(NTSTATUS status);
    // SELECT_CONFIGURATION leaves the pipe handles of interface `position` null.
    void WithholdPipes(size_t position);
    std::vector<UrbRecord> Urbs() const;
    size_t CountUrbs(USHORT function) const;
    void ClearUrbs();

    // ---- Plug and Play and power
    // How the next request of `minor` ends; by default at once, with success
    // for start, removal and surprise removal, unchanged status otherwise.
    void SetPnpAnswer(UCHAR minor, NTSTATUS status, Completion completion);
    void SetPowerAnswer(NTSTATUS status);
    std::vector<UCHAR> PnpMinors() const;
    std::vector<UCHAR> PowerMinors() const;

    static USBD_PIPE_HANDLE PipeHandleFor(size_t interfacePosition, size_t pipe);
    static constexpr uintptr_t kConfigurationHandle = 0xC0F1;

private:
    struct Answer {
        NTSTATUS status;
        Completion completion;
    };

    static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp);
    NTSTATUS OnInternalControl(PIRP irp);
    NTSTATUS OnPnp(PIRP irp);
    NTSTATUS OnPower(PIRP irp);
    NTSTATUS ServeUrb(PURB urb, PIRP irp, bool* waiting);
    NTSTATUS ServeDescriptor(struct _URB_CONTROL_DESCRIPTOR_REQUEST& request);
    NTSTATUS ServeSelect(struct _URB_SELECT_CONFIGURATION& select);
    NTSTATUS Finish(PIRP irp, NTSTATUS status, Completion completion);
    void CompleteLater(PIRP irp, NTSTATUS status);
    void CompleteIn(PIRP irp, const PendingReply& reply);

    kernel::IoManager& io_;
    sim::DescriptorSet descriptors_;
    PDRIVER_OBJECT driver_ = nullptr;
    PDEVICE_OBJECT pdo_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Completion urbCompletion_ = Completion::Immediate;
    std::map<USHORT, std::pair<NTSTATUS, int>> urbFailures_;
    struct DescriptorFailure {
        int skip;
        NTSTATUS status;
    };
    std::map<UCHAR, DescriptorFailure> descriptorFailures_;
    std::deque<PendingReply> inReplies_;
    std::deque<PIRP> waitingIn_;
    NTSTATUS outStatus_ = STATUS_SUCCESS;
    bool answerAbort_ = false;
    size_t withheldPipes_ = SIZE_MAX;
    std::vector<UrbRecord> urbs_;
    std::map<UCHAR, Answer> pnpAnswers_;
    NTSTATUS powerStatus_ = STATUS_SUCCESS;
    std::vector<UCHAR> pnpMinors_;
    std::vector<UCHAR> powerMinors_;
    std::vector<std::thread> completers_;
};

}  // namespace corvane::drivertest
