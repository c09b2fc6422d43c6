#include "platform/kernel/GenerationExports.h"

#include <string>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/KernelHost.h"

namespace corvane::kernel {

void RequireExportFrom2000(const char* routine) {
    KernelHost& host = CurrentHost();
    WindowsGeneration generation = host.Generation();
    if (generation == WindowsGeneration::Win98 || generation == WindowsGeneration::WinMe) {
        host.ReportViolation(std::string(routine) +
                             " is not exported by the Windows 98 and ME kernels: the driver "
                             "would not load there");
    }
}

}  // namespace corvane::kernel
