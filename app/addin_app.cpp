#include "app/addin_app.h"

#include "app/library_class_table.h"
#include "server/server_module.h"

BOOL AddInApp::InitInstance() {
    ServerInit(libraryClassTable, m_hInstance);
    return CWinApp::InitInstance();
}

int AddInApp::ExitInstance() {
    ServerTerm();
    return CWinApp::ExitInstance();
}
