// Basic Windows kernel types for the hosted driver on Linux: the subset of the
// DDK's ntdef.h that the driver and the user-mode kernel use, with Windows
// widths on LP64 (ULONG and NTSTATUS stay 32-bit, ULONG_PTR is pointer-sized,
// WCHAR is a 16-bit UTF-16 unit).
#pragma once

#include <stddef.h>
#include <stdint.h>

#define NTAPI
#define DDKAPI
#define FASTCALL
#define NTKERNELAPI
#define NTSYSAPI
#define NTHALAPI
#define DECLSPEC_IMPORT
#define FORCEINLINE inline
#define IN
#define OUT
#define OPTIONAL
#define CONST const
// Members the DDK aligns to pointer size, so that Parameters.Others.ArgumentN
// overlays the same members as on Windows.
#define POINTER_ALIGNMENT __attribute__((aligned(sizeof(void*))))

#ifdef __cplusplus
#define EXTERN_C extern "C"
#define EXTERN_C_START extern "C" {
#define EXTERN_C_END }
#else
#define EXTERN_C extern
#define EXTERN_C_START
#define EXTERN_C_END
#endif

typedef void VOID;
typedef void* PVOID;
typedef char CHAR;
typedef char* PCHAR;
typedef char* PSTR;
typedef const char* PCSTR;
typedef uint8_t UCHAR;
typedef uint8_t* PUCHAR;
typedef int8_t CCHAR;
typedef int16_t SHORT;
typedef int16_t CSHORT;
typedef uint16_t USHORT;
typedef uint16_t* PUSHORT;
typedef int32_t LONG;
typedef int32_t* PLONG;
typedef uint32_t ULONG;
typedef uint32_t* PULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t* PULONG_PTR;
typedef size_t SIZE_T;
typedef uint8_t BOOLEAN;
typedef uint8_t* PBOOLEAN;
typedef char16_t WCHAR;
typedef char16_t* PWCHAR;
typedef char16_t* PWSTR;
typedef const char16_t* PCWSTR;
typedef PVOID HANDLE;
typedef LONG NTSTATUS;
typedef LONG KPRIORITY;
typedef UCHAR KIRQL;
typedef KIRQL* PKIRQL;
typedef CCHAR KPROCESSOR_MODE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef struct _LIST_ENTRY {
    struct _LIST_ENTRY* Flink;
    struct _LIST_ENTRY* Blink;
} LIST_ENTRY, *PLIST_ENTRY;

typedef struct _GUID {
    ULONG Data1;
    USHORT Data2;
    USHORT Data3;
    UCHAR Data4[8];
} GUID, *PGUID;
typedef const GUID* LPCGUID;

// Length and MaximumLength count bytes, not characters.
typedef struct _UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;
typedef const UNICODE_STRING* PCUNICODE_STRING;

#define NT_SUCCESS(Status) (((NTSTATUS)(Status)) >= 0)
#define NT_INFORMATION(Status) ((((ULONG)(Status)) >> 30) == 1)
#define NT_WARNING(Status) ((((ULONG)(Status)) >> 30) == 2)
#define NT_ERROR(Status) ((((ULONG)(Status)) >> 30) == 3)

#define FIELD_OFFSET(type, field) ((LONG)offsetof(type, field))
#define CONTAINING_RECORD(address, type, field) \
    ((type*)((PCHAR)(address) - (ULONG_PTR)(&((type*)0)->field)))

#define RtlCopyMemory(Destination, Source, Length) \
    __builtin_memcpy((Destination), (Source), (Length))
#define RtlMoveMemory(Destination, Source, Length) \
    __builtin_memmove((Destination), (Source), (Length))
#define RtlFillMemory(Destination, Length, Fill) __builtin_memset((Destination), (Fill), (Length))
#define RtlZeroMemory(Destination, Length) __builtin_memset((Destination), 0, (Length))
#define RtlEqualMemory(Destination, Source, Length) \
    (!__builtin_memcmp((Destination), (Source), (Length)))
