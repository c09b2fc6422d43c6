// The Windows headers, for the .cpp files of the platform layer and the Win32
// front end only: never include this from a header that program code sees.
// <windows.h> turns many names into macros (GetMessage, PostMessage,
// LoadString, DispatchMessage, ...) that collide with the program's own, so
// those are undone here and the A functions are called by their full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef CreateWindow
#undef DispatchMessage
#undef GetMessage
#undef GetPrivateProfileSection
#undef LoadString
#undef PathFindFileName
#undef PathIsRelative
#undef PostMessage
#undef SendMessage
