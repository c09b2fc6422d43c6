// Ctrl-C while a device command runs: the handler only counts; the main
// loop looks at the count between messages and presses Stop. On Linux the
// handler catches SIGINT and SIGTERM, on Windows the console's Ctrl-C,
// Ctrl-Break and close events.
#pragma once

#include <memory>

namespace corvane::cli {

class InterruptWatch {
public:
    // Installs the handler for the watch's lifetime.
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Interruptions since the watch began.
    int Count() const;

private:
    struct Previous;  // the handlers to put back
    std::unique_ptr<Previous> previous_;
};

}  // namespace corvane::cli
