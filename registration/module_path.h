#pragma once
#include "platform/win32_api.h"

// The full path of `module`'s file, zero-terminated in `buffer`. Returns
// ERROR_SUCCESS, or why the whole path could not be had; `buffer` is then empty,
// never a cut or unterminated path.
LONG GetModulePath(HINSTANCE module, char* buffer, DWORD capacity);
