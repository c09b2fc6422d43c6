// umockdev's preload library must be loaded into every process that is to
// see the test bed: corvane-usbfs's own (whose ioctl handler serves the
// nodes) and, through the environment, its command's. Like
// umockdev-wrapper, corvane-usbfs starts itself again with it when needed.
#pragma once

namespace corvane::usbfs {

// LD_PRELOAD names the library.
bool PreloadActive();

// Runs this program again, same arguments, with the library in front of
// LD_PRELOAD. Returns only when that fails (errno tells why).
void RestartUnderPreload(char** argv);

}  // namespace corvane::usbfs
