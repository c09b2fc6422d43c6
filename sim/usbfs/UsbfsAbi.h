// The kernel's usbfs ioctl interface (request numbers, usbdevfs_urb and the
// other records), which needs the ioctl macros in front of it.
#pragma once

// clang-format off
#include <sys/ioctl.h>
#include <linux/usbdevice_fs.h>
// clang-format on
