#pragma once
// Module states: what the framework acts for is the module state current on the
// calling thread.
#include "platform/win32_api.h"

class CWinApp;

struct AFX_MODULE_STATE {
    CWinApp* m_pCurrentWinApp = nullptr;
    HINSTANCE m_hCurrentResourceHandle = nullptr;
    // Outstanding locks against unloading the module (AfxOleLockApp).
    LONG volatile m_nObjectCount = 0;
};

// The state of a library built on the framework.
struct _AFX_DLL_MODULE_STATE : AFX_MODULE_STATE {
    _AFX_DLL_MODULE_STATE();
    ~_AFX_DLL_MODULE_STATE();
    _AFX_DLL_MODULE_STATE(const _AFX_DLL_MODULE_STATE&) = delete;
    _AFX_DLL_MODULE_STATE& operator=(const _AFX_DLL_MODULE_STATE&) = delete;
};

// The per-thread slot that holds the current module state. It is made before the
// library starts and freed after it ends; making or freeing it twice is harmless.
BOOL AfxInitModuleStateSlot();
void AfxTermModuleStateSlot();

AFX_MODULE_STATE* AfxGetModuleState();
// Makes `state` current on this thread and returns the one that was.
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state);

// Makes a module state current for the life of the object, then gives the
// caller's back.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* moduleState) : m_pPrevModuleState(AfxSetModuleState(moduleState)) {}
    ~AFX_MAINTAIN_STATE2() { AfxSetModuleState(m_pPrevModuleState); }
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    AFX_MODULE_STATE* m_pPrevModuleState;
};
