// Self-registration: announcing the add-in in the host's per-user add-in list.
#include "app/library_module_state.h"
#include "platform/afx/afx_string.h"
#include "registration/addin_names.h"
#include "registration/module_path.h"
#include "registration/string_value.h"
#include "resources/addin_string_id.h"
#include "server/server_module.h"

namespace {

constexpr char kAddInListPath[] = "Software\\Microsoft\\DevStudio\\6.0\\AddIns";
constexpr DWORD kModulePathCapacity = 1024;

// Remembers the first failing call, so that later writes still happen.
class FirstFailure {
public:
    void Note(LONG result) {
        if (code == ERROR_SUCCESS) code = result;
    }
    HRESULT Result() const { return HRESULT_FROM_WIN32(code); }

private:
    LONG code = ERROR_SUCCESS;
};

void WriteAddInValues(HKEY addInKey, FirstFailure& failure) {
    CString text;
    text.LoadStringA(static_cast<UINT>(AddInStringId::Description));
    failure.Note(SetStringValue(addInKey, "Description", text));
    text.LoadStringA(static_cast<UINT>(AddInStringId::DisplayName));
    failure.Note(SetStringValue(addInKey, "DisplayName", text));
    char path[kModulePathCapacity];
    const LONG pathResult = GetModulePath(serverModule.instanceHandle, path, kModulePathCapacity);
    failure.Note(pathResult);
    if (pathResult == ERROR_SUCCESS) failure.Note(SetStringValue(addInKey, "Filename", path));
}

}  // namespace

// A user without the host has no add-in list: nothing to announce, and no failure.
STDAPI DllRegisterServer() {
    AFX_MAINTAIN_STATE2 guard(GetLibraryModuleState());
    HKEY addInList = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, kAddInListPath, 0, KEY_ALL_ACCESS, &addInList);
    if (opened == ERROR_FILE_NOT_FOUND) return S_OK;
    if (opened != ERROR_SUCCESS) return HRESULT_FROM_WIN32(opened);
    FirstFailure failure;
    HKEY addInKey = nullptr;
    failure.Note(RegCreateKeyExA(addInList, kAddInProgId, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &addInKey, nullptr));
    if (addInKey) {
        WriteAddInValues(addInKey, failure);
        RegCloseKey(addInKey);
    }
    RegCloseKey(addInList);
    return failure.Result();
}

STDAPI DllUnregisterServer() {
    AFX_MAINTAIN_STATE2 guard(GetLibraryModuleState());
    return S_OK;
}
