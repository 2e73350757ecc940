#pragma once
// The framework's start and end of a library, and its say in whether the
// library may be unloaded.
#include "platform/win32_api.h"

// Records the instance handle as the current module's resource handle and in its
// application.
BOOL AfxWinInit(HINSTANCE instance);
void AfxWinTerm();

// S_OK when the framework has nothing against unloading the current module.
HRESULT AfxDllCanUnloadNow();
void AfxOleLockApp();
void AfxOleUnlockApp();
