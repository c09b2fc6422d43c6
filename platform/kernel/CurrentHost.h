// The one process-wide pointer of the hosted kernel: the kernel services are
// C functions (DbgPrint, ExAllocatePoolWithTag, IoCallDriver ...) with no
// context argument, so they reach the KernelHost that is alive through this
// pointer. KernelHost sets it when it is constructed and clears it when it is
// destroyed; only one host may exist at a time.
#pragma once

namespace corvane::kernel {

class KernelHost;

// The live host; a kernel service called without one stops the process.
KernelHost& CurrentHost();
KernelHost* CurrentHostOrNull();

// Used by KernelHost only.
void InstallCurrentHost(KernelHost* host);
void RemoveCurrentHost(KernelHost* host);

// A fatal kernel error (the bug check of a real kernel): prints and aborts.
[[noreturn]] void BugCheck(const char* what);

}  // namespace corvane::kernel
