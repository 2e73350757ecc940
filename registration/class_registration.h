#pragma once
// A class's COM registration under HKEY_CLASSES_ROOT: its two ProgID keys and its
// class-id key with the server subkey.
#include "platform/win32_api.h"
#include "server/server_module.h"

enum ClassRegistrationFlags : DWORD {
    ApartmentThreaded = 1,
    BothThreaded = 2,
    AutomationProxy = 4,
};

// Stops at the first key that cannot be made and reports it; the values and
// subkeys written along the way never change the result.
HRESULT RegisterClassKeys(const ServerModule& module, REFCLSID classId, LPCSTR progId,
                          LPCSTR versionIndependentProgId, UINT descriptionId, ClassRegistrationFlags flags);
// Removes the trees again, as far as it can; always S_OK. A null or empty name
// is skipped.
HRESULT UnregisterClassKeys(REFCLSID classId, LPCSTR progId, LPCSTR versionIndependentProgId);

// The add-in class's registration routine: nonzero registers, zero unregisters.
HRESULT UpdateClassRegistration(LONG registering);
