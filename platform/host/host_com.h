#pragma once
// The COM basics the library implements: identifiers and the two standard interfaces,
// declared with their published slot order.
#include "host_types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID requestedInterface, void** out) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID requestedInterface, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// The exports of an in-process server, as the SDK declares them.
STDAPI DllGetClassObject(REFCLSID requestedClass, REFIID requestedInterface, LPVOID* out);
STDAPI DllCanUnloadNow();
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
