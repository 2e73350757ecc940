#include "platform/afx/afx_winapp.h"

#include "platform/afx/afx_host_hooks.h"
#include "platform/afx/afx_module_state.h"

CWinApp::CWinApp(LPCSTR appName) : m_pszAppName(appName) {
    AfxGetModuleState()->m_pCurrentWinApp = this;
    AfxHostTrace("CWinApp::CWinApp");
}

CWinApp::~CWinApp() {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    if (state && state->m_pCurrentWinApp == this) state->m_pCurrentWinApp = nullptr;
    AfxHostTrace("CWinApp::~CWinApp");
}

BOOL CWinApp::InitInstance() {
    AfxHostTrace("CWinApp::InitInstance");
    return AfxHostFault("CWinApp::InitInstance") ? FALSE : TRUE;
}

int CWinApp::ExitInstance() {
    AfxHostTrace("CWinApp::ExitInstance");
    return 0;
}
