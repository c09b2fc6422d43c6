// The WDM subset that the hosted driver uses, declared with the DDK's names,
// fields, constants and macro semantics. On Linux the user-mode kernel in
// platform/kernel implements every function declared here; on Windows the
// driver compiles against the real DDK instead.
//
// Layouts follow the DDK where the driver reaches into a structure (IRP,
// IO_STACK_LOCATION, DEVICE_OBJECT, DRIVER_OBJECT); members the driver never
// touches are left out.
#pragma once

#include "ntdef.h"
#include "ntstatus.h"

EXTERN_C_START

// ---- Debug output and assertions --------------------------------------------

// Windows formats: %S and %ws take a UTF-16 string, %wZ a PUNICODE_STRING,
// %d %u %x %X and their l forms are 32-bit.
ULONG DbgPrint(PCSTR Format, ...);
VOID RtlAssert(PVOID FailedAssertion, PVOID FileName, ULONG LineNumber, PSTR Message);

#if DBG
#define ASSERT(exp) \
    (VOID)((!(exp)) ? RtlAssert((PVOID) #exp, (PVOID)__FILE__, __LINE__, NULL), FALSE : TRUE)
#define ASSERTMSG(msg, exp) \
    (VOID)((!(exp)) ? RtlAssert((PVOID) #exp, (PVOID)__FILE__, __LINE__, (PCHAR)msg), FALSE : TRUE)
#define KdPrint(_x_) DbgPrint _x_
#else
#define ASSERT(exp) ((VOID)0)
#define ASSERTMSG(msg, exp) ((VOID)0)
#define KdPrint(_x_)
#endif

#define PAGED_CODE()

// ---- IRQL --------------------------------------------------------------------

#define PASSIVE_LEVEL 0
#define LOW_LEVEL 0
#define APC_LEVEL 1
#define DISPATCH_LEVEL 2
#define HIGH_LEVEL 31

KIRQL KeGetCurrentIrql(VOID);

// ---- Interlocked operations --------------------------------------------------

FORCEINLINE LONG InterlockedIncrement(LONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedDecrement(LONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange,
                                            LONG Comparand) {
    __atomic_compare_exchange_n(Destination, &Comparand, Exchange, 0, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comparand;
}

// ---- Dispatcher objects --------------------------------------------------------

typedef enum _EVENT_TYPE { NotificationEvent, SynchronizationEvent } EVENT_TYPE;

typedef enum _KWAIT_REASON {
    Executive,
    FreePage,
    PageIn,
    PoolAllocation,
    DelayExecution,
    Suspended,
    UserRequest
} KWAIT_REASON;

typedef enum _MODE { KernelMode, UserMode, MaximumMode } MODE;

typedef struct _DISPATCHER_HEADER {
    UCHAR Type;
    UCHAR Absolute;
    UCHAR Size;
    UCHAR Inserted;
    volatile LONG SignalState;
    LIST_ENTRY WaitListHead;
} DISPATCHER_HEADER;

typedef struct _KEVENT {
    DISPATCHER_HEADER Header;
} KEVENT, *PKEVENT, *PRKEVENT;

VOID KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State);
LONG KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait);
VOID KeClearEvent(PRKEVENT Event);
LONG KeResetEvent(PRKEVENT Event);
LONG KeReadStateEvent(PRKEVENT Event);
// Timeout: NULL waits forever; a negative value is relative, in 100 ns units.
NTSTATUS KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                               BOOLEAN Alertable, PLARGE_INTEGER Timeout);

// ---- Pool ----------------------------------------------------------------------

typedef enum _POOL_TYPE {
    NonPagedPool,
    PagedPool,
    NonPagedPoolMustSucceed,
    DontUseThisType,
    NonPagedPoolCacheAligned,
    PagedPoolCacheAligned,
    NonPagedPoolCacheAlignedMustS,
    MaxPoolType
} POOL_TYPE;

PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
PVOID ExAllocatePool(POOL_TYPE PoolType, SIZE_T NumberOfBytes);
VOID ExFreePool(PVOID P);
VOID ExFreePoolWithTag(PVOID P, ULONG Tag);

// ---- Strings -----------------------------------------------------------------

VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString);
LONG RtlCompareUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                             BOOLEAN CaseInSensitive);
BOOLEAN RtlEqualUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                              BOOLEAN CaseInSensitive);
// Frees a buffer that the kernel allocated for the string (link names).
VOID RtlFreeUnicodeString(PUNICODE_STRING UnicodeString);

EXTERN_C_END

#include "wdm_io.h"
#include "wdm_pnp.h"
