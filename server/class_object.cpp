#include "server/class_object.h"

#include "server/interface_table.h"
#include "server/same_guid.h"

namespace {

const InterfaceEntry classObjectInterfaces[] = {
    {&IID_IClassFactory, 0, kInterfaceAtOffset},
    {nullptr, 0, 0},
};

}  // namespace

HRESULT STDMETHODCALLTYPE ClassFactoryBase::CreateInstance(IUnknown* outer, REFIID requestedInterface, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !SameGuid(requestedInterface, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return instanceCreator(outer, requestedInterface, out);
}

HRESULT STDMETHODCALLTYPE ClassFactoryBase::LockServer(BOOL lock) {
    if (lock) {
        Lock();
    } else {
        Unlock();
    }
    return S_OK;
}

ClassObject::ClassObject(InstanceCreator creator) : ClassFactoryBase(creator) { InitializeCriticalSection(&cacheLock); }

ClassObject::~ClassObject() { DeleteCriticalSection(&cacheLock); }

HRESULT STDMETHODCALLTYPE ClassObject::QueryInterface(REFIID requestedInterface, void** out) {
    return QueryInterfaceFromTable(this, classObjectInterfaces, requestedInterface, out);
}

ULONG STDMETHODCALLTYPE ClassObject::AddRef() {
    EnterCriticalSection(&cacheLock);
    const LONG count = InterlockedIncrement(&referenceCount);
    if (count == 2) Lock();
    LeaveCriticalSection(&cacheLock);
    return static_cast<ULONG>(count);
}

// A count that reaches 0 comes from 1, when no module lock was held, so
// destruction never unlocks.
ULONG STDMETHODCALLTYPE ClassObject::Release() {
    EnterCriticalSection(&cacheLock);
    const LONG count = InterlockedDecrement(&referenceCount);
    LeaveCriticalSection(&cacheLock);
    if (count == 0) {
        delete this;
        return 0;
    }
    if (count == 1) Unlock();
    return static_cast<ULONG>(count);
}

HRESULT CreateClassObject(InstanceCreator context, REFIID requestedInterface, void** out) {
    ClassObject* object = AfxNewObject<ClassObject>(context);
    if (!object) return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(requestedInterface, out);
    if (result != S_OK) delete object;
    return result;
}
