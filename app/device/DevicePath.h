// Interface paths as the device record keeps them: whole, NUL-terminated in
// its 260 bytes. A path that does not fit is refused rather than cut, since a
// cut path could never match the removal notice of its device.
#pragma once

#include <cstddef>

#include "app/engine/DeviceRecord.h"

namespace corvane {

// Copies path into the record; false (record unchanged) when it does not fit.
bool StoreDevicePath(DeviceRecord& record, const char* path);
// The arrival test: the same path, case-sensitively.
bool IsSameDevicePath(const DeviceRecord& record, const char* path);
// The removal test: the same path without regard to case. nameCapacity bounds
// the notice's name; a name without a NUL within it never matches.
bool MatchesRemovedPath(const DeviceRecord& record, const char* name, std::size_t nameCapacity);

}  // namespace corvane
