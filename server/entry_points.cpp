// The two exports through which the COM runtime reaches the class table.
#include "app/library_module_state.h"
#include "platform/afx/afx_dll.h"
#include "platform/afx/afx_module_state.h"
#include "server/same_guid.h"
#include "server/server_module.h"

namespace {

// The second test and the making happen under the table lock, so a class object
// is made at most once; it is published only once complete.
HRESULT MakeCachedClassObject(ClassEntry& row) {
    HRESULT result = S_OK;
    EnterCriticalSection(&serverModule.classTableLock);
    if (!row.cachedClassObject.load(std::memory_order_relaxed)) {
        void* made = nullptr;
        result = row.classObjectCreator(row.instanceCreator, IID_IUnknown, &made);
        row.cachedClassObject.store(static_cast<IUnknown*>(made), std::memory_order_release);
    }
    LeaveCriticalSection(&serverModule.classTableLock);
    return result;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID requestedClass, REFIID requestedInterface, LPVOID* out) {
    AFX_MAINTAIN_STATE2 guard(GetLibraryModuleState());
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT result = S_OK;
    for (ClassEntry* row = serverModule.classTable; row->classId; ++row) {
        if (!row->classObjectCreator || !SameGuid(*row->classId, requestedClass)) continue;
        if (!row->cachedClassObject.load(std::memory_order_acquire)) result = MakeCachedClassObject(*row);
        if (IUnknown* classObject = row->cachedClassObject.load(std::memory_order_acquire)) {
            result = classObject->QueryInterface(requestedInterface, out);
        }
        break;
    }
    if (!*out && result == S_OK) result = CLASS_E_CLASSNOTAVAILABLE;
    return result;
}

STDAPI DllCanUnloadNow() {
    AFX_MAINTAIN_STATE2 guard(GetLibraryModuleState());
    if (AfxDllCanUnloadNow() != S_OK) return S_FALSE;
    return CurrentLockCount() == 0 ? S_OK : S_FALSE;
}
