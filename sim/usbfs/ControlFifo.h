// Commands from outside while corvane-usbfs runs, one a line on a FIFO:
// "unplug PORT" and "plug PORT" pull and plug the cable of the projector on
// PORT, so that a test can do it from another process.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace corvane::usbfs {

struct ControlCommand {
    bool plug = false;  // false: unplug
    std::string port;
};

// nullopt, with the reason in *error, for a line that is no command; blank
// lines and lines starting with '#' give nullopt and no error.
std::optional<ControlCommand> ParseControlLine(std::string_view line, std::string* error);

// Reads lines from the FIFO on a thread of its own and hands each to `line`.
class ControlFifo {
public:
    // Creates the FIFO if there is none; throws std::runtime_error when the
    // path is something else or cannot be opened.
    ControlFifo(std::string path, std::function<void(const std::string&)> line);
    ~ControlFifo();  // stops reading; removes the FIFO if it made it
    ControlFifo(const ControlFifo&) = delete;
    ControlFifo& operator=(const ControlFifo&) = delete;

private:
    void Run();
    void Close();

    std::string path_;
    std::function<void(const std::string&)> line_;
    bool created_ = false;
    int fd_ = -1;
    int stop_ = -1;  // eventfd that ends the reading thread
    std::thread thread_;
};

}  // namespace corvane::usbfs
