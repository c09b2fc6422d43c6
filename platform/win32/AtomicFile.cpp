#include "platform/portable/AtomicFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/win32/WinApi.h"

namespace corvane::platform {

ssize_t FileSystemCalls::Write(int fd, const void* data, size_t size) {
    // One _write takes at most an unsigned int's worth; WriteAll goes on.
    const auto chunk = static_cast<unsigned int>(size < 0x40000000u ? size : 0x40000000u);
    return _write(fd, data, chunk);
}

int FileSystemCalls::Sync(int fd) {
    return _commit(fd);
}

// rename() of the C runtime refuses an existing target on Windows.
int FileSystemCalls::Rename(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

namespace {

// A new file next to path that nobody else has; -1 when none can be made.
int CreateTemporary(const std::string& path, std::string& temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(random());
        const int fd = _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                             _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

// "C:\a\b" -> "C:\a", "C:\a" -> "C:\", "\a" -> "\", "a" -> ".".
std::string FolderOf(const std::string& path) {
    size_t slash = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsSeparator(path[i])) {
            slash = i;
        }
    }
    if (slash == std::string::npos) {
        return ".";
    }
    const size_t root = path.size() >= 2 && path[1] == ':' ? 3 : 1;
    return path.substr(0, slash < root ? std::min(root, path.size()) : slash);
}

bool CreateFolders(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

bool ReplaceFileAtomically(const std::string& path, std::string_view content,
                           FileSystemCalls& calls) {
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, content, calls) && calls.Sync(fd) == 0;
    ok = _close(fd) == 0 && ok;
    ok = ok && calls.Rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        _unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace corvane::platform
