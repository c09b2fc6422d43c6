// USB 2.0 definitions: the descriptors of usbspec.h.
#pragma once

#include "usbspec.h"
