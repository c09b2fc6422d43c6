// The kernel debugger's output: everything DbgPrint writes, in order, kept
// for tests to read and clear. Thread-safe; optionally echoed to stderr.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::kernel {

class KernelTrace {
public:
    void Append(std::string_view text);
    void SetEcho(bool echo);

    std::string Text() const;
    // Complete and partial lines, without their line ends.
    std::vector<std::string> Lines() const;
    bool Contains(std::string_view text) const;
    // How many lines equal `line` exactly (no line end).
    std::size_t CountLine(std::string_view line) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::string text_;
    bool echo_ = false;
};

}  // namespace corvane::kernel
