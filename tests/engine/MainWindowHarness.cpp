#include "MainWindowHarness.h"

#include "app/ui/OwnedText.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {

PostedMessage Done(uint32_t failed) {
    return {WM_OPERATION_DONE, failed, false, {}, nullptr};
}
PostedMessage Error(uint32_t code) {
    return {WM_SHOW_ERROR, code, false, {}, nullptr};
}
PostedMessage Error(uint32_t code, const char* detail) {
    return {WM_SHOW_ERROR, code, true, detail, nullptr};
}
PostedMessage Text(uint32_t control, const std::string& text) {
    return {WM_SET_CONTROL_TEXT, control, true, text, nullptr};
}
PostedMessage Progress(uint32_t value) {
    return {WM_SET_PROGRESS, value, false, {}, nullptr};
}

std::string Describe(const PostedMessage& message) {
    std::string line;
    switch (message.message) {
        case WM_OPERATION_DONE:
            line = "DONE(";
            break;
        case WM_SHOW_ERROR:
            line = "ERROR(";
            break;
        case WM_SET_CONTROL_TEXT:
            line = "TEXT(";
            break;
        case WM_SET_PROGRESS:
            line = "PROGRESS(";
            break;
        default:
            line = "MSG" + std::to_string(message.message) + "(";
    }
    line += std::to_string(static_cast<int32_t>(message.wParam));
    if (message.hasText) {
        line += ", \"" + message.text + "\"";
    }
    return line + ")";
}

MainWindowHarness::MainWindowHarness() {
    record.MatchFilesToHardware = 0;
}

MainWindowHarness::~MainWindowHarness() {
    Drain();
}

bool MainWindowHarness::TakeOne(std::chrono::milliseconds timeout) {
    platform::Message message;
    if (!queue.Take(message, static_cast<uint32_t>(timeout.count()))) {
        return false;
    }
    PostedMessage posted{
        message.message, static_cast<uint32_t>(message.wParam), false, {}, nullptr};
    if (message.message == WM_SET_CONTROL_TEXT) {
        OwnedText text = TakePostedText(message.lParam);  // the window owns it
        posted.hasText = true;
        posted.text = text ? text.get() : "";
    } else if (message.message == WM_SHOW_ERROR && message.lParam != 0) {
        posted.hasText = true;  // the sender's: only read
        posted.detail = reinterpret_cast<const void*>(message.lParam);
        posted.text = reinterpret_cast<const char*>(message.lParam);
    }
    messages_.push_back(posted);
    return true;
}

void MainWindowHarness::Drain() {
    while (TakeOne(std::chrono::milliseconds(0))) {
    }
}

bool MainWindowHarness::WaitFor(const PostedMessage& expected, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !TakeOne(left)) {
            return false;
        }
        if (messages_.back() == expected) {
            return true;
        }
    }
}

bool MainWindowHarness::StaysQuiet(std::chrono::milliseconds quiet) {
    return !TakeOne(quiet);
}

std::vector<PostedMessage> MainWindowHarness::Of(uint32_t message) const {
    std::vector<PostedMessage> found;
    for (const PostedMessage& posted : messages_) {
        if (posted.message == message) {
            found.push_back(posted);
        }
    }
    return found;
}

std::vector<std::string> MainWindowHarness::TextsOf(uint32_t control) const {
    std::vector<std::string> texts;
    for (const PostedMessage& posted : messages_) {
        if (posted.message == WM_SET_CONTROL_TEXT && posted.wParam == control) {
            texts.push_back(posted.text);
        }
    }
    return texts;
}

int MainWindowHarness::Count(const PostedMessage& expected) const {
    int count = 0;
    for (const PostedMessage& posted : messages_) {
        count += posted == expected ? 1 : 0;
    }
    return count;
}

std::string MainWindowHarness::Dump() const {
    std::string all;
    for (const PostedMessage& posted : messages_) {
        all += Describe(posted) + "\n";
    }
    return all;
}

}  // namespace corvane::test
