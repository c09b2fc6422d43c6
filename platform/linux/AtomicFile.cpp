#include "platform/portable/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace corvane::platform {

ssize_t FileSystemCalls::Write(int fd, const void* data, size_t size) {
    return ::write(fd, data, size);
}

int FileSystemCalls::Sync(int fd) {
    return ::fsync(fd);
}

int FileSystemCalls::Rename(const char* from, const char* to) {
    return std::rename(from, to);
}

namespace {

// Makes the rename itself durable; not every file system can sync a folder,
// so a failure here does not undo a save that has already taken place.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool CreateFolders(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) {
        return !folder.empty();
    }
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && !(errno == EEXIST && IsFolder(part))) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

bool ReplaceFileAtomically(const std::string& path, std::string_view content,
                           FileSystemCalls& calls) {
    std::string temporary = path + ".tmp-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    bool ok = true;
    if (stat(path.c_str(), &existing) == 0) {
        ok = fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, content, calls) && calls.Sync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && calls.Rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

}  // namespace corvane::platform
