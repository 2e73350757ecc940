#include "addin/addin_object.h"

#include "app/library_module_state.h"
#include "platform/afx/afx_module_state.h"
#include "server/interface_table.h"
#include "server/server_module.h"

namespace {

const InterfaceEntry addInInterfaces[] = {
    {&IID_HostAddIn, 0, kInterfaceAtOffset},
    {nullptr, 0, 0},
};

}  // namespace

AddInObject::AddInObject() { Lock(); }

AddInObject::~AddInObject() { Unlock(); }

HRESULT STDMETHODCALLTYPE AddInObject::QueryInterface(REFIID requestedInterface, void** out) {
    return QueryInterfaceFromTable(this, addInInterfaces, requestedInterface, out);
}

ULONG STDMETHODCALLTYPE AddInObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&referenceCount)); }

ULONG STDMETHODCALLTYPE AddInObject::Release() {
    const LONG count = InterlockedDecrement(&referenceCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE AddInObject::Connect(IUnknown*, VARIANT_BOOL, LONG, VARIANT_BOOL* connected) {
    AFX_MAINTAIN_STATE2 guard(GetLibraryModuleState());
    if (!connected) return E_POINTER;
    *connected = VARIANT_TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::Disconnect(VARIANT_BOOL) {
    AFX_MAINTAIN_STATE2 guard(GetLibraryModuleState());
    return S_OK;
}

HRESULT CreateAddInObject(IUnknown* outer, REFIID requestedInterface, void** out) {
    if (outer) return CLASS_E_NOAGGREGATION;
    AddInObject* object = AfxNewObject<AddInObject>();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(requestedInterface, out);
    if (result != S_OK) delete object;
    return result;
}
