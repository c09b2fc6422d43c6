// corvane's command line: --settings FILE, and --simulate with the terminal
// front end's --sim-* options (read by the same parser).
#pragma once

#include <string>
#include <vector>

#include "app/cli/DeviceOptions.h"

namespace corvane::qt {

// The arguments after the program's name; an error text for anything else.
std::string ReadCorvaneOptions(const std::vector<std::string>& arguments,
                               cli::DeviceOptions& options);

}  // namespace corvane::qt
