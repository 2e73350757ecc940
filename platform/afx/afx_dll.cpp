#include "platform/afx/afx_dll.h"

#include "platform/afx/afx_host_hooks.h"
#include "platform/afx/afx_module_state.h"
#include "platform/afx/afx_winapp.h"

BOOL AfxWinInit(HINSTANCE instance) {
    AfxHostTrace("AfxWinInit");
    if (AfxHostFault("AfxWinInit")) return FALSE;
    AFX_MODULE_STATE* state = AfxGetModuleState();
    state->m_hCurrentResourceHandle = instance;
    if (state->m_pCurrentWinApp) state->m_pCurrentWinApp->m_hInstance = instance;
    return TRUE;
}

void AfxWinTerm() { AfxHostTrace("AfxWinTerm"); }

HRESULT AfxDllCanUnloadNow() {
    LONG volatile* locks = &AfxGetModuleState()->m_nObjectCount;
    return __atomic_load_n(locks, __ATOMIC_RELAXED) == 0 ? S_OK : S_FALSE;
}

void AfxOleLockApp() { InterlockedIncrement(&AfxGetModuleState()->m_nObjectCount); }

void AfxOleUnlockApp() { InterlockedDecrement(&AfxGetModuleState()->m_nObjectCount); }
