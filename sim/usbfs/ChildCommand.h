// Runs the command corvane-usbfs serves, with this process's environment (so
// it inherits $UMOCKDEV_DIR and the preload library), and waits for it.
#pragma once

#include <string>
#include <vector>

namespace corvane::usbfs {

// Blocks SIGINT, SIGTERM, SIGHUP and SIGCHLD in the calling thread and every
// thread it starts afterwards: call it first thing in main(), so that only
// RunChildCommand takes them.
void HoldTerminationSignals();

// Runs `command` (looked up in PATH) and waits for it. A SIGINT, SIGTERM or
// SIGHUP sent to this process is passed on to it (one from the terminal
// reaches it directly). Returns its exit code, 128 + the signal that ended
// it, or 127 when it could not be started.
int RunChildCommand(const std::vector<std::string>& command);

}  // namespace corvane::usbfs
