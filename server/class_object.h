#pragma once
// The class factory of a class of the library. The class table's own reference
// does not keep the library loaded: the object holds one module lock exactly
// while somebody besides the table holds it.
#include "platform/afx/afx_heap.h"
#include "platform/win32_api.h"
#include "server/server_module.h"

class ClassFactoryBase : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID requestedInterface, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

protected:
    explicit ClassFactoryBase(InstanceCreator creator) : instanceCreator(creator) {}
    ~ClassFactoryBase() = default;

    LONG volatile referenceCount = 0;
    InstanceCreator instanceCreator;
};

class ClassObject final : public ClassFactoryBase, public AfxHeapAllocated {
public:
    explicit ClassObject(InstanceCreator creator);
    ~ClassObject();
    ClassObject(const ClassObject&) = delete;
    ClassObject& operator=(const ClassObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID requestedInterface, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

private:
    CRITICAL_SECTION cacheLock;
};

HRESULT CreateClassObject(InstanceCreator context, REFIID requestedInterface, void** out);
