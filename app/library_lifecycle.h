#pragma once
// The library's start and end, the same sequence on every build: on Windows the
// loader notifications run it, on the host the tests do. The module-state slot
// (AfxInitModuleStateSlot) must exist across both.
#include "platform/win32_api.h"

// Constructs the library's static objects and starts it; on failure everything is
// undone again. The caller's module state is current again afterwards.
BOOL LibraryAttach(HINSTANCE instance);
// Ends a started library and destroys its static objects; does nothing otherwise.
void LibraryDetach();
