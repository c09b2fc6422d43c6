// A posted message: the same three values that travel between the program's
// threads and to its main window. Parameters are pointer-sized so that a
// parameter can carry an object's address on every target.
#pragma once

#include <cstdint>

namespace corvane::platform {

using WParam = uintptr_t;
using LParam = intptr_t;

struct Message {
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

}  // namespace corvane::platform
