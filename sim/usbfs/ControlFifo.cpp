#include "sim/usbfs/ControlFifo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/usbfs/PortPath.h"

namespace corvane::usbfs {

std::optional<ControlCommand> ParseControlLine(std::string_view line, std::string* error) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    while (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    if (line.empty() || line.front() == '#') {
        error->clear();
        return std::nullopt;
    }
    const size_t space = line.find(' ');
    const std::string_view verb = line.substr(0, space);
    std::string_view port = space == std::string_view::npos ? "" : line.substr(space + 1);
    while (!port.empty() && port.front() == ' ') {
        port.remove_prefix(1);
    }
    if ((verb != "plug" && verb != "unplug") || !ParsePortPath(port)) {
        *error = "not a control command (plug PORT, unplug PORT): \"" + std::string(line) + "\"";
        return std::nullopt;
    }
    return ControlCommand{verb == "plug", std::string(port)};
}

ControlFifo::ControlFifo(std::string path, std::function<void(const std::string&)> line)
    : path_(std::move(path)), line_(std::move(line)) {
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0) {
        if (mkfifo(path_.c_str(), 0600) != 0) {
            throw std::runtime_error("cannot make the FIFO " + path_ + ": " + std::strerror(errno));
        }
        created_ = true;
    } else if (!S_ISFIFO(info.st_mode)) {
        throw std::runtime_error(path_ + " is not a FIFO");
    }
    // Open for writing too: the FIFO then never reads as ended when a writer
    // closes it, and the next writer is heard.
    fd_ = open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    stop_ = eventfd(0, EFD_CLOEXEC);
    if (fd_ < 0 || stop_ < 0) {
        const std::string reason = std::strerror(errno);
        Close();
        throw std::runtime_error("cannot open the FIFO " + path_ + ": " + reason);
    }
    thread_ = std::thread([this] { Run(); });
}

ControlFifo::~ControlFifo() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stop_, &one, sizeof(one));
        thread_.join();
    }
    Close();
}

void ControlFifo::Close() {
    for (int fd : {fd_, stop_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    fd_ = stop_ = -1;
    if (created_) {
        unlink(path_.c_str());
        created_ = false;
    }
}

void ControlFifo::Run() {
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        char buffer[512];
        const ssize_t count = read(fd_, buffer, sizeof(buffer));
        if (count <= 0) {
            continue;
        }
        pending.append(buffer, static_cast<size_t>(count));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            line_(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
}

}  // namespace corvane::usbfs
