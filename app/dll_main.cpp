// The loader's notifications; thread notifications need nothing from the library.
#include "app/library_lifecycle.h"
#include "platform/afx/afx_module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (AfxInitModuleStateSlot() && LibraryAttach(instance)) return TRUE;
        AfxTermModuleStateSlot();
        return FALSE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        LibraryDetach();
        AfxTermModuleStateSlot();
    }
    return TRUE;
}
