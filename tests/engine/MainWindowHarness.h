// Plays the main window's part for the engine's tests: owns the record and
// the window message queue, takes every posted message, keeps a copy of it
// and frees the texts the window owns.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/ui/MainWindowRecord.h"
#include "platform/WindowMessageQueue.h"

namespace corvane::test {

struct PostedMessage {
    uint32_t message = 0;
    uint32_t wParam = 0;  // every engine parameter is a 32-bit number
    bool hasText = false;
    std::string text;              // WM_SET_CONTROL_TEXT text, or WM_SHOW_ERROR detail
    const void* detail = nullptr;  // where the detail text lies (not compared)

    bool operator==(const PostedMessage& other) const {
        return message == other.message && wParam == other.wParam && hasText == other.hasText &&
               text == other.text;
    }
};

PostedMessage Done(uint32_t failed = 0);
PostedMessage Error(uint32_t code);
PostedMessage Error(uint32_t code, const char* detail);  // detail compared as text
PostedMessage Text(uint32_t control, const std::string& text);
PostedMessage Progress(uint32_t value);
std::string Describe(const PostedMessage& message);
inline void PrintTo(const PostedMessage& message, std::ostream* out) {
    *out << Describe(message);
}

class MainWindowHarness {
public:
    MainWindowHarness();
    ~MainWindowHarness();

    MainWindowRecord record;
    platform::WindowMessageQueue queue;

    // Takes what is queued now.
    void Drain();
    // Takes messages until a new one equals `expected`; false on time-out.
    bool WaitFor(const PostedMessage& expected,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Takes messages for `quiet` and fails if any arrives.
    bool StaysQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));

    const std::vector<PostedMessage>& Messages() const { return messages_; }
    std::vector<PostedMessage> Of(uint32_t message) const;
    std::vector<std::string> TextsOf(uint32_t control) const;
    int Count(const PostedMessage& expected) const;
    void Clear() { messages_.clear(); }
    std::string Dump() const;

private:
    bool TakeOne(std::chrono::milliseconds timeout);

    std::vector<PostedMessage> messages_;
};

}  // namespace corvane::test
