// The kernel's runtime services as C functions: debug output, assertions,
// IRQL, events, pool and strings. Each reaches the live KernelHost.
#include <cstdarg>
#include <cstring>
#include <string_view>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/DbgFormat.h"
#include "platform/kernel/GenerationExports.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/Utf16.h"

using corvane::kernel::CurrentHost;
using corvane::kernel::RequireExportFrom2000;

namespace {

constexpr uint32_t kUntaggedPool = corvane::kernel::PoolTag("None");

bool IsPaged(POOL_TYPE type) {
    return type == PagedPool || type == PagedPoolCacheAligned;
}

std::u16string_view View(PCUNICODE_STRING text) {
    if (text == nullptr || text->Buffer == nullptr) {
        return {};
    }
    return std::u16string_view(text->Buffer, text->Length / sizeof(WCHAR));
}

// Driver Verifier stops a zero-byte allocation (BAD_POOL_CALLER); it is
// reported here and still served.
void CheckPoolSize(SIZE_T bytes) {
    if (bytes == 0) {
        CurrentHost().ReportViolation("pool allocation of zero bytes (BAD_POOL_CALLER)");
    }
}

}  // namespace

extern "C" {

ULONG DbgPrint(PCSTR Format, ...) {
    if (!CurrentHost().Trace().Wanted()) {
        return STATUS_SUCCESS;  // nobody reads it: formatting costs more than the transfer
    }
    va_list args;
    va_start(args, Format);
    std::string text = corvane::kernel::FormatDbgPrint(Format, args);
    va_end(args);
    CurrentHost().Trace().Append(text);
    return STATUS_SUCCESS;
}

VOID RtlAssert(PVOID FailedAssertion, PVOID FileName, ULONG LineNumber, PSTR Message) {
    corvane::kernel::AssertionRecord record;
    record.expression = FailedAssertion != nullptr ? static_cast<const char*>(FailedAssertion) : "";
    record.file = FileName != nullptr ? static_cast<const char*>(FileName) : "";
    record.line = LineNumber;
    record.message = Message != nullptr ? Message : "";
    CurrentHost().RecordAssertion(std::move(record));
}

KIRQL KeGetCurrentIrql(VOID) {
    return CurrentHost().Irql();
}

VOID KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State) {
    CurrentHost().Events().Initialize(Event, Type, State != FALSE);
}

LONG KeSetEvent(PRKEVENT Event, KPRIORITY, BOOLEAN) {
    return CurrentHost().Events().Set(Event);
}

VOID KeClearEvent(PRKEVENT Event) {
    CurrentHost().Events().Reset(Event);
}

LONG KeResetEvent(PRKEVENT Event) {
    return CurrentHost().Events().Reset(Event);
}

LONG KeReadStateEvent(PRKEVENT Event) {
    return CurrentHost().Events().Read(Event);
}

NTSTATUS KeWaitForSingleObject(PVOID Object, KWAIT_REASON, KPROCESSOR_MODE, BOOLEAN,
                               PLARGE_INTEGER Timeout) {
    if ((Timeout == nullptr || Timeout->QuadPart != 0) && CurrentHost().Irql() >= DISPATCH_LEVEL) {
        // IRQL_NOT_LESS_OR_EQUAL on Windows: only a zero time-out may be used there.
        CurrentHost().ReportViolation(
            "KeWaitForSingleObject at DISPATCH_LEVEL or above with a non-zero time-out "
            "(IRQL_NOT_LESS_OR_EQUAL)");
    }
    int64_t ticks = Timeout != nullptr ? Timeout->QuadPart : 0;
    return CurrentHost().Events().Wait(static_cast<PRKEVENT>(Object),
                                       Timeout != nullptr ? &ticks : nullptr);
}

PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
    CheckPoolSize(NumberOfBytes);
    return CurrentHost().Pool().Allocate(NumberOfBytes, Tag, IsPaged(PoolType));
}

PVOID ExAllocatePool(POOL_TYPE PoolType, SIZE_T NumberOfBytes) {
    CheckPoolSize(NumberOfBytes);
    return CurrentHost().Pool().Allocate(NumberOfBytes, kUntaggedPool, IsPaged(PoolType));
}

VOID ExFreePool(PVOID P) {
    CurrentHost().Pool().Free(P, 0);
}

VOID ExFreePoolWithTag(PVOID P, ULONG Tag) {
    RequireExportFrom2000("ExFreePoolWithTag");
    CurrentHost().Pool().Free(P, Tag);
}

VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
    DestinationString->Buffer = const_cast<PWSTR>(SourceString);
    if (SourceString == nullptr) {
        DestinationString->Length = 0;
        DestinationString->MaximumLength = 0;
        return;
    }
    std::size_t units = std::u16string_view(SourceString).size();
    if (units > 0x7FFE) {
        units = 0x7FFE;  // what a 16-bit byte count can hold
    }
    DestinationString->Length = static_cast<USHORT>(units * sizeof(WCHAR));
    DestinationString->MaximumLength = static_cast<USHORT>(units * sizeof(WCHAR) + sizeof(WCHAR));
}

LONG RtlCompareUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                             BOOLEAN CaseInSensitive) {
    return corvane::kernel::CompareUtf16(View(String1), View(String2), CaseInSensitive != FALSE);
}

BOOLEAN RtlEqualUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                              BOOLEAN CaseInSensitive) {
    return RtlCompareUnicodeString(String1, String2, CaseInSensitive) == 0 ? TRUE : FALSE;
}

VOID RtlFreeUnicodeString(PUNICODE_STRING UnicodeString) {
    if (UnicodeString == nullptr) {
        return;
    }
    if (UnicodeString->Buffer != nullptr) {
        CurrentHost().Pool().Free(UnicodeString->Buffer, 0);
    }
    UnicodeString->Buffer = nullptr;
    UnicodeString->Length = 0;
    UnicodeString->MaximumLength = 0;
}

}  // extern "C"
