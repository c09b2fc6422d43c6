#include "app/cli/FileArguments.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/files/FileSelection.h"
#include "app/ui/MainWindowRecord.h"

namespace corvane::cli {

namespace {

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

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The deepest folder that holds every path.
std::string CommonFolder(const std::vector<std::string>& paths) {
    std::string common = Folder(paths[0]);
    for (const std::string& path : paths) {
        while (common != "/" && path.compare(0, common.size() + 1, common + "/") != 0) {
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
        char resolved[PATH_MAX];
        FILE* readable = std::fopen(file.c_str(), "r");
        if (readable == nullptr || realpath(file.c_str(), resolved) == nullptr) {
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
        result.fileOffset = static_cast<uint32_t>(path.find_last_of('/') + 1);
    } else {
        const std::string folder = CommonFolder(paths);
        result.buffer.assign(folder.begin(), folder.end());
        result.buffer.push_back('\0');
        result.fileOffset = static_cast<uint32_t>(result.buffer.size());
        const size_t skip = folder == "/" ? 1 : folder.size() + 1;
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
