#pragma once
// The add-in the host creates and calls. It keeps nothing the host passes and
// holds one module lock for its whole life.
#include "addin/host_addin.h"
#include "platform/afx/afx_heap.h"

class AddInObject final : public HostAddIn, public AfxHeapAllocated {
public:
    AddInObject();
    ~AddInObject();
    AddInObject(const AddInObject&) = delete;
    AddInObject& operator=(const AddInObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID requestedInterface, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Connect(IUnknown* application, VARIANT_BOOL firstTime, LONG cookie,
                                      VARIANT_BOOL* connected) override;
    HRESULT STDMETHODCALLTYPE Disconnect(VARIANT_BOOL lastTime) override;

private:
    LONG volatile referenceCount = 0;
};

HRESULT CreateAddInObject(IUnknown* outer, REFIID requestedInterface, void** out);
