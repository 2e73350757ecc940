#pragma once
// The library's application object: it starts and ends the server module.
#include "platform/afx/afx_winapp.h"

class AddInApp final : public CWinApp {
public:
    AddInApp() : CWinApp(nullptr) {}

    BOOL InitInstance() override;
    int ExitInstance() override;
};
