// USB 1.0 definitions: the descriptors of usbspec.h.
#pragma once

#include "usbspec.h"
