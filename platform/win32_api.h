#pragma once
// The one way the library reaches Win32 and COM: the SDK headers on Windows,
// our own simulation of the subset the library uses everywhere else.
#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <olectl.h>
#else
#include "host/host_win32.h"
#endif
