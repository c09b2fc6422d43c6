// Running the tests' helper programs (the libusb lister, corvane-usbfs) as
// processes of their own, with this process's environment: under the preload
// library, with $UMOCKDEV_DIR pointing at the test bed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::usbfs::testing {

struct ChildResult {
    int status = -1;     // exit code, or 128 + signal
    std::string output;  // stdout and stderr
};

// Runs `argv` and waits for it; `user` names an account to run it as
// (needs root).
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& user = {});

}  // namespace corvane::usbfs::testing
