#include "platform/afx/afx_module_state.h"

#include "platform/afx/afx_host_hooks.h"

namespace {
DWORD moduleStateSlot = TLS_OUT_OF_INDEXES;
}

_AFX_DLL_MODULE_STATE::_AFX_DLL_MODULE_STATE() { AfxHostTrace("_AFX_DLL_MODULE_STATE::_AFX_DLL_MODULE_STATE"); }

_AFX_DLL_MODULE_STATE::~_AFX_DLL_MODULE_STATE() { AfxHostTrace("_AFX_DLL_MODULE_STATE::~_AFX_DLL_MODULE_STATE"); }

BOOL AfxInitModuleStateSlot() {
    if (moduleStateSlot == TLS_OUT_OF_INDEXES) moduleStateSlot = TlsAlloc();
    return moduleStateSlot != TLS_OUT_OF_INDEXES;
}

void AfxTermModuleStateSlot() {
    if (moduleStateSlot != TLS_OUT_OF_INDEXES) TlsFree(moduleStateSlot);
    moduleStateSlot = TLS_OUT_OF_INDEXES;
}

AFX_MODULE_STATE* AfxGetModuleState() { return static_cast<AFX_MODULE_STATE*>(TlsGetValue(moduleStateSlot)); }

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state) {
    AFX_MODULE_STATE* previous = AfxGetModuleState();
    TlsSetValue(moduleStateSlot, state);
    return previous;
}
