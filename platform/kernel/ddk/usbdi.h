// USBD interface: usb.h and the internal USB I/O control codes.
#pragma once

#include "usb.h"
#include "usbioctl.h"
