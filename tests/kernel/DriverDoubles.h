// Small WDM drivers for the hosted kernel's tests.
//
// LowerDriverDouble: one device object whose requests a test answers through
// `onRequest` (by default: complete with STATUS_SUCCESS); it can also keep
// requests pending for another thread to complete.
//
// FilterDriverDouble: a device attached above another that passes every
// request down with a completion routine and writes what happens into a
// shared log.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel::test {

class EventLog {
public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

class LowerDriverDouble {
public:
    LowerDriverDouble(KernelHost& host, EventLog* log = nullptr, const char* name = "lower");
    ~LowerDriverDouble();

    PDEVICE_OBJECT Device() const { return device_; }
    std::function<NTSTATUS(PDEVICE_OBJECT, PIRP)> onRequest;

    // Makes every request pend; TakePending waits for the next one.
    void PendRequests();
    PIRP TakePending();

private:
    static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp);

    KernelHost& host_;
    EventLog* log_;
    std::string name_;
    PDRIVER_OBJECT driver_;
    PDEVICE_OBJECT device_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PIRP> pending_;
};

class FilterDriverDouble {
public:
    // Attaches above `below` (the top of its stack).
    FilterDriverDouble(KernelHost& host, PDEVICE_OBJECT below, EventLog& log, const char* name);
    ~FilterDriverDouble();

    PDEVICE_OBJECT Device() const { return device_; }

    // The completion routine's flags and its answer.
    bool onSuccess = true;
    bool onError = true;
    bool onCancel = true;
    bool stopCompletion = false;                // return STATUS_MORE_PROCESSING_REQUIRED
    bool skipInsteadOfCopy = false;             // pass down without a completion routine
    PDEVICE_OBJECT completionDevice = nullptr;  // what the routine was given
    BOOLEAN completionSawPending = FALSE;

private:
    static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp);
    static NTSTATUS NTAPI OnComplete(PDEVICE_OBJECT device, PIRP irp, PVOID context);

    KernelHost& host_;
    EventLog& log_;
    std::string name_;
    PDRIVER_OBJECT driver_;
    PDEVICE_OBJECT device_ = nullptr;
    PDEVICE_OBJECT lower_ = nullptr;
};

std::string Hex(NTSTATUS status);

}  // namespace corvane::kernel::test
