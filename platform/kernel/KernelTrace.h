// The kernel debugger's output: everything DbgPrint writes, in order, kept
// for tests to read and clear. Thread-safe; optionally echoed to stderr.
// A program that runs for hours keeps none of it (the driver traces every
// transfer, so a kept trace would grow with every download).
#pragma once

#include <atomic>
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
    // Keeping is on until turned off.
    void SetKeeping(bool keep);
    // Whether appended text goes anywhere (kept or echoed); when it does
    // not, DbgPrint need not even format it.
    bool Wanted() const { return wanted_.load(std::memory_order_relaxed); }

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
    bool keep_ = true;
    std::atomic<bool> wanted_{true};
};

}  // namespace corvane::kernel
