// <windows.h> for this folder's .cpp files only (never for a header the rest
// of the program includes). Include it after every program header: its macros
// would rename the program's own names (DispatchMessage, WM_COMMAND, ...).
// The macros that collide with DialogHandler's and the queue's members are
// removed; call the ANSI functions by their full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DispatchMessage
#undef GetMessage
#undef PostMessage
#undef SendMessage
#undef LoadString
