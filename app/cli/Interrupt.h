// Ctrl-C while a device command runs: the handler only counts; the main
// loop looks at the count between messages and presses Stop.
#pragma once

#include <signal.h>

namespace corvane::cli {

class InterruptWatch {
public:
    // Installs the SIGINT and SIGTERM handler for the watch's lifetime.
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Interruptions since the watch began.
    int Count() const;

private:
    struct sigaction previousInt_ = {};
    struct sigaction previousTerm_ = {};
};

}  // namespace corvane::cli
