#include "sim/usbfs/PreloadRestart.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace corvane::usbfs {

namespace {

constexpr const char* kPreloadLibrary = "libumockdev-preload.so.0";

void Prepend(const char* variable, const std::string& value, char separator) {
    const char* old = std::getenv(variable);
    const std::string joined = old != nullptr && *old != '\0' ? value + separator + old : value;
    setenv(variable, joined.c_str(), 1);
}

}  // namespace

bool PreloadActive() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr &&
           std::string(preload).find("libumockdev-preload") != std::string::npos;
}

void RestartUnderPreload(char** argv) {
    Prepend("LD_PRELOAD", kPreloadLibrary, ':');
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer wants its runtime loaded first; the preload library
    // comes first here, which it tolerates once told.
    Prepend("ASAN_OPTIONS", "verify_asan_link_order=0", ':');
#endif
#if defined(__SANITIZE_THREAD__)
    // The libraries under the emulation lock in ways ThreadSanitizer cannot
    // see; the commands it serves inherit the same suppressions.
    Prepend("TSAN_OPTIONS", std::string("suppressions=") + CORVANE_USBFS_TSAN_SUPPRESSIONS, ' ');
#endif
    execv("/proc/self/exe", argv);
}

}  // namespace corvane::usbfs
