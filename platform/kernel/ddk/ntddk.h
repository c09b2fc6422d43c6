// The driver-facing kernel subset; on the hosted kernel ntddk.h adds nothing
// to wdm.h.
#pragma once

#include "wdm.h"
