#include "app/cli/FileArguments.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/files/FileSelection.h"
#include "app/ui/MainWindowRecord.h"
#include "platform/Paths.h"

namespace corvane::cli {

namespace {

// The absolute, canonical form of a path; nullptr when it cannot be found.
#if defined(_WIN32)
constexpr size_t kResolvedSize = _MAX_PATH;
char* ResolvePath(const char* path, char* resolved) {
    return _fullpath(resolved, path, kResolvedSize);
}
#else
constexpr size_t kResolvedSize = PATH_MAX;
char* ResolvePath(const char* path, char* resolved) {
    return realpath(path, resolved);
}
#endif

bool IsListName(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return extension == ".DLD";
}

constexpr char kSeparator = platform::kPathSeparator;

// The length of an absolute path's root: "/" on Linux; "C:\" (or a lone
// "\") on Windows.
size_t RootLength(const std::string& path) {
    if (kSeparator == '\\' && path.size() >= 3 && path[1] == ':') {
        return 3;
    }
    return 1;
}

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of(kSeparator);
    const size_t root = RootLength(path);
    return slash == std::string::npos || slash < root ? path.substr(0, root)
                                                      : path.substr(0, slash);
}

bool InFolder(const std::string& path, const std::string& folder) {
    const std::string prefix = folder.size() == RootLength(folder) ? folder : folder + kSeparator;
    return path.compare(0, prefix.size(), prefix) == 0;
}

// The deepest folder that holds every path.
std::string CommonFolder(const std::vector<std::string>& paths) {
    std::string common = Folder(paths[0]);
    for (const std::string& path : paths) {
        while (common.size() > RootLength(common) && !InFolder(path, common)) {
            common = Folder(common);
        }
    }
    return common;
}

}  // namespace

std::string ChooseFiles(const std::vector<std::string>& files, OpenFileResult& result) {
    if (files.size() > static_cast<size_t>(kMaxFiles)) {
        return "at most " + std::to_string(kMaxFiles) + " firmware files";
    }
    std::vector<std::string> paths;
    size_t lists = 0;
    for (const std::string& file : files) {
        char resolved[kResolvedSize];
        FILE* readable = std::fopen(file.c_str(), "r");
        if (readable == nullptr || ResolvePath(file.c_str(), resolved) == nullptr) {
            const std::string reason = std::strerror(errno);
            if (readable != nullptr) {
                std::fclose(readable);
            }
            return "cannot open " + file + ": " + reason;
        }
        std::fclose(readable);
        paths.emplace_back(resolved);
        lists += IsListName(file) ? 1 : 0;
    }
    if (lists > 0 && files.size() > 1) {
        return "a .DLD list is given alone";
    }
    result = {};
    if (paths.size() == 1) {
        const std::string& path = paths[0];
        result.buffer.assign(path.begin(), path.end());
        result.buffer.push_back('\0');
        result.fileOffset = static_cast<uint32_t>(path.find_last_of(kSeparator) + 1);
    } else {
        const std::string folder = CommonFolder(paths);
        for (const std::string& path : paths) {
            if (!InFolder(path, folder)) {
                return "the files are not on one drive";
            }
        }
        result.buffer.assign(folder.begin(), folder.end());
        result.buffer.push_back('\0');
        result.fileOffset = static_cast<uint32_t>(result.buffer.size());
        const size_t skip = folder.size() == RootLength(folder) ? folder.size() : folder.size() + 1;
        for (const std::string& path : paths) {
            result.buffer.insert(result.buffer.end(), path.begin() + static_cast<long>(skip),
                                 path.end());
            result.buffer.push_back('\0');
        }
        result.buffer.push_back('\0');
    }
    if (result.buffer.size() > kFileDialogBufferSize) {
        return "the file names take more than " + std::to_string(kFileDialogBufferSize) +
               " characters";
    }
    return {};
}

}  // namespace corvane::cli
