// Saving a file so that it is never torn: whoever reads it, and whatever
// happens during the save (a crash, a full disk), sees either the whole old
// content or the whole new one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::platform {

// The system calls a save makes that can fail part-way; a test double
// replaces them to make a save fail at any step.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    // write, fsync and rename (on Windows _write, _commit and a MoveFileExA
    // that replaces the target), from the platform's AtomicFile.cpp.
    virtual ssize_t Write(int fd, const void* data, size_t size);
    virtual int Sync(int fd);
    virtual int Rename(const char* from, const char* to);
};

// Writes all of content, going on after short writes and interruptions.
bool WriteAll(int fd, std::string_view content, FileSystemCalls& calls);

// Writes content into a new temporary file in path's folder, flushes it to
// the disk and renames it over path. False when any step fails; path is then
// untouched and the temporary file is removed. A file that already exists
// keeps its permission bits; a new one is readable by its owner only.
bool ReplaceFileAtomically(const std::string& path, std::string_view content,
                           FileSystemCalls& calls);

// Creates the folder and its missing parents (owner access only). True when
// the folder exists afterwards.
bool CreateFolders(const std::string& folder);

// The folder part of a path ("." for a bare file name).
std::string FolderOf(const std::string& path);

}  // namespace corvane::platform
