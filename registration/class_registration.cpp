#include "registration/class_registration.h"

#include <initializer_list>

#include "registration/class_id_text.h"
#include "registration/module_path.h"
#include "registration/registry_key.h"

namespace {

constexpr DWORD kDescriptionCapacity = 256;

LONG WriteProgIdKey(LPCSTR name, LPCSTR description, LPCSTR classIdText) {
    RegistryKey progIdKey;
    const LONG created = progIdKey.CreateKey(HKEY_CLASSES_ROOT, name, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_SET_VALUE, nullptr, nullptr);
    if (created != ERROR_SUCCESS) return created;
    progIdKey.WriteString(description, nullptr);
    progIdKey.WriteSubkeyString("CLSID", classIdText, nullptr);
    return ERROR_SUCCESS;
}

bool IsLocalServer(const ServerModule& module) {
    return !module.instanceHandle || module.instanceHandle == GetModuleHandleA(nullptr);
}

HRESULT RegisterLocalServer(RegistryKey& classKey, LPCSTR modulePath) {
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(modulePath, shortPath, MAX_PATH);
    if (length == MAX_PATH) return E_OUTOFMEMORY;
    // 0 and ERROR_INVALID_PARAMETER mean no short form; above MAX_PATH nothing
    // was written.
    const bool useLongPath = length == 0 || length == ERROR_INVALID_PARAMETER || length > MAX_PATH;
    classKey.WriteSubkeyString("LocalServer32", useLongPath ? modulePath : shortPath, nullptr);
    return S_OK;
}

void RegisterInprocServer(RegistryKey& classKey, LPCSTR modulePath, ClassRegistrationFlags flags) {
    classKey.WriteSubkeyString("InprocServer32", flags & AutomationProxy ? "AUTPRX32.DLL" : modulePath, nullptr);
    const LPCSTR model = flags & BothThreaded ? "both" : flags & ApartmentThreaded ? "Apartment" : nullptr;
    if (model) classKey.WriteSubkeyString("InprocServer32", model, "ThreadingModel");
}

}  // namespace

HRESULT RegisterClassKeys(const ServerModule& module, REFCLSID classId, LPCSTR progId,
                          LPCSTR versionIndependentProgId, UINT descriptionId, ClassRegistrationFlags flags) {
    char description[kDescriptionCapacity];
    description[0] = '\0';  // stays empty when the string is missing
    LoadStringA(module.instanceHandle, descriptionId, description, kDescriptionCapacity);
    char modulePath[MAX_PATH];
    GetModulePath(module.instanceHandle, modulePath, MAX_PATH);
    const ClassIdText classIdText(classId);
    if (!classIdText.Text()) return E_OUTOFMEMORY;

    for (LPCSTR name : {progId, versionIndependentProgId}) {
        const LONG written = WriteProgIdKey(name, description, classIdText.Text());
        if (written != ERROR_SUCCESS) return HRESULT_FROM_WIN32(written);
    }
    RegistryKey classKey;
    LONG result = classKey.OpenKey(HKEY_CLASSES_ROOT, "CLSID", kKeyReadWrite);
    if (result == ERROR_SUCCESS) {
        // The class-id key takes the place of "CLSID" in the same object.
        result = classKey.CreateKey(classKey.Handle(), classIdText.Text(), nullptr, REG_OPTION_NON_VOLATILE,
                                    kKeyReadWrite, nullptr, nullptr);
    }
    if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
    classKey.WriteString(description, nullptr);
    classKey.WriteSubkeyString("ProgID", progId, nullptr);
    classKey.WriteSubkeyString("VersionIndependentProgID", versionIndependentProgId, nullptr);
    if (IsLocalServer(module)) return RegisterLocalServer(classKey, modulePath);
    RegisterInprocServer(classKey, modulePath, flags);
    return S_OK;
}

HRESULT UnregisterClassKeys(REFCLSID classId, LPCSTR progId, LPCSTR versionIndependentProgId) {
    RegistryKey rootKey(HKEY_CLASSES_ROOT);
    for (LPCSTR name : {progId, versionIndependentProgId}) {
        if (name && lstrcmpiA(name, "") != 0) rootKey.DeleteKeyTree(name);
    }
    const ClassIdText classIdText(classId);
    if (classIdText.Text() && rootKey.OpenKey(HKEY_CLASSES_ROOT, "CLSID", kKeyReadWrite) == ERROR_SUCCESS) {
        rootKey.DeleteKeyTree(classIdText.Text());
    }
    return S_OK;
}
