#include <cerrno>

#include "platform/portable/AtomicFile.h"

namespace corvane::platform {

bool WriteAll(int fd, std::string_view content, FileSystemCalls& calls) {
    while (!content.empty()) {
        const ssize_t n = calls.Write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace corvane::platform
