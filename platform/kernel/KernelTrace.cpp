#include "platform/kernel/KernelTrace.h"

#include <cstdio>

namespace corvane::kernel {

void KernelTrace::Append(std::string_view text) {
    std::lock_guard lock(mutex_);
    if (keep_) {
        text_.append(text);
    }
    if (echo_) {
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

void KernelTrace::SetEcho(bool echo) {
    std::lock_guard lock(mutex_);
    echo_ = echo;
    wanted_ = echo_ || keep_;
}

void KernelTrace::SetKeeping(bool keep) {
    std::lock_guard lock(mutex_);
    keep_ = keep;
    wanted_ = echo_ || keep_;
}

std::string KernelTrace::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

std::vector<std::string> KernelTrace::Lines() const {
    std::vector<std::string> lines;
    std::string text = Text();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool KernelTrace::Contains(std::string_view text) const {
    std::lock_guard lock(mutex_);
    return text_.find(text) != std::string::npos;
}

std::size_t KernelTrace::CountLine(std::string_view line) const {
    std::size_t count = 0;
    for (const std::string& each : Lines()) {
        if (each == line) {
            ++count;
        }
    }
    return count;
}

void KernelTrace::Clear() {
    std::lock_guard lock(mutex_);
    text_.clear();
}

}  // namespace corvane::kernel
