#pragma once
// The application object: one per module, found through the module state.
#include "platform/win32_api.h"

class CWinApp {
public:
    // Registers the new object as the application of the current module state.
    explicit CWinApp(LPCSTR appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
};
