#include "app/library_lifecycle.h"

#include "app/addin_app.h"
#include "app/library_module_state.h"
#include "app/static_slot.h"
#include "platform/afx/afx_dll.h"

namespace {

StaticSlot<_AFX_DLL_MODULE_STATE> libraryModuleState;
StaticSlot<AddInApp> application;
bool started = false;

void DestroyStaticObjects() {
    application.Destroy();
    libraryModuleState.Destroy();
}

// Runs with the library's module state current.
BOOL StartLibrary(HINSTANCE instance) {
    libraryModuleState.Construct();
    application.Construct();
    if (!AfxWinInit(instance)) {
        DestroyStaticObjects();
        return FALSE;
    }
    if (!application.get()->InitInstance()) {
        application.get()->ExitInstance();
        AfxWinTerm();
        DestroyStaticObjects();
        return FALSE;
    }
    return TRUE;
}

}  // namespace

AFX_MODULE_STATE* GetLibraryModuleState() { return libraryModuleState.get(); }

BOOL LibraryAttach(HINSTANCE instance) {
    AFX_MAINTAIN_STATE2 libraryState(GetLibraryModuleState());
    started = StartLibrary(instance);
    return started;
}

void LibraryDetach() {
    if (!started) return;
    AFX_MAINTAIN_STATE2 libraryState(GetLibraryModuleState());
    application.get()->ExitInstance();
    AfxWinTerm();
    DestroyStaticObjects();
    started = false;
}
