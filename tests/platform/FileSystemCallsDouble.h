// System calls of a save that fail where a test says: after some bytes have
// been written (a full disk), at the flush, at the rename; or that write only
// a few bytes at a time or get interrupted, as real writes may.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "platform/portable/AtomicFile.h"

namespace corvane::platform::test {

class FileSystemCallsDouble : public FileSystemCalls {
public:
    size_t failWriteAfter = SIZE_MAX;  // bytes accepted before writes fail
    size_t chunk = SIZE_MAX;           // most bytes one write takes
    int interruptions = 0;             // writes that fail with EINTR first
    bool failSync = false;
    bool failRename = false;
    size_t written = 0;
    int writeCalls = 0;

    ssize_t Write(int fd, const void* data, size_t size) override {
        ++writeCalls;
        if (interruptions > 0) {
            --interruptions;
            errno = EINTR;
            return -1;
        }
        if (written >= failWriteAfter) {
            errno = ENOSPC;
            return -1;
        }
        size = std::min({size, chunk, failWriteAfter - written});
        const ssize_t n = FileSystemCalls::Write(fd, data, size);
        if (n > 0) {
            written += static_cast<size_t>(n);
        }
        return n;
    }
    int Sync(int fd) override {
        if (failSync) {
            errno = EIO;
            return -1;
        }
        return FileSystemCalls::Sync(fd);
    }
    int Rename(const char* from, const char* to) override {
        if (failRename) {
            errno = EXDEV;
            return -1;
        }
        return FileSystemCalls::Rename(from, to);
    }
};

}  // namespace corvane::platform::test
