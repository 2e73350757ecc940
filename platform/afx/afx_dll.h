#pragma once
// The framework's start and end of a library, and its say in whether the
// library may be unloaded.
#include "platform/win32_api.h"

// Records the instance handle in the current module state and its application.
BOOL AfxWinInit(HINSTANCE instance);
void AfxWinTerm();

// S_OK when the framework has nothing against unloading the current module.
HRESULT AfxDllCanUnloadNow();
void AfxOleLockApp();
void AfxOleUnlockApp();
