// Kernel routines that Windows 98 and ME (NTKERN) do not export. A driver that
// imports one does not load there at all; the hosted kernel cannot refuse the
// load, so it reports the call as a violation on those generations.
#pragma once

namespace corvane::kernel {

// Called first by each routine that exists only from Windows 2000 on.
void RequireExportFrom2000(const char* routine);

}  // namespace corvane::kernel
