#pragma once
// The host's add-in interface: its identifier and slot order are the host's own.
#include "platform/win32_api.h"

extern const IID IID_HostAddIn;

struct HostAddIn : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Connect(IUnknown* application, VARIANT_BOOL firstTime, LONG cookie,
                                              VARIANT_BOOL* connected) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect(VARIANT_BOOL lastTime) = 0;

protected:
    ~HostAddIn() = default;
};
