#include "registration/registry_key.h"

#include "registration/string_value.h"

namespace {
// Key names are at most 255 characters.
constexpr DWORD kKeyNameCapacity = 256;
}  // namespace

LONG RegistryKey::CloseKey() {
    if (!keyHandle) return ERROR_SUCCESS;
    const LONG result = RegCloseKey(keyHandle);
    keyHandle = nullptr;
    return result;
}

LONG RegistryKey::Adopt(LONG result, HKEY opened) {
    if (result != ERROR_SUCCESS) return result;
    const LONG closed = CloseKey();
    keyHandle = opened;
    return closed;
}

LONG RegistryKey::CreateKey(HKEY parent, LPCSTR name, LPSTR keyClass, DWORD options, REGSAM access,
                            SECURITY_ATTRIBUTES* security, LPDWORD disposition) {
    HKEY created = nullptr;
    const LONG result =
        RegCreateKeyExA(parent, name, 0, keyClass, options, access, security, &created, disposition);
    return Adopt(result, created);
}

LONG RegistryKey::OpenKey(HKEY parent, LPCSTR name, REGSAM access) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(parent, name, 0, access, &opened);
    return Adopt(result, opened);
}

LONG RegistryKey::WriteString(LPCSTR text, LPCSTR valueName) {
    return SetStringValue(keyHandle, valueName, text);
}

LONG RegistryKey::WriteSubkeyString(LPCSTR subkeyName, LPCSTR text, LPCSTR valueName) {
    HKEY subkey = nullptr;
    DWORD disposition = 0;
    const LONG created = RegCreateKeyExA(keyHandle, subkeyName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                         nullptr, &subkey, &disposition);
    if (created != ERROR_SUCCESS) return created;
    const LONG written = SetStringValue(subkey, valueName, text);
    RegCloseKey(subkey);
    return written;
}

// No heap: one name buffer and one key per level, on the stack.
LONG RegistryKey::DeleteKeyTree(LPCSTR name) {
    RegistryKey child;
    const LONG opened = child.OpenKey(keyHandle, name, kKeyReadWrite);
    if (opened != ERROR_SUCCESS) return opened;
    char subkeyName[kKeyNameCapacity];
    DWORD capacity = kKeyNameCapacity;
    FILETIME lastWrite;
    // Index 0 each time: the subkey just deleted no longer occupies it.
    while (RegEnumKeyExA(child.keyHandle, 0, subkeyName, &capacity, nullptr, nullptr, nullptr, &lastWrite) ==
           ERROR_SUCCESS) {
        const LONG deleted = child.DeleteKeyTree(subkeyName);
        if (deleted != ERROR_SUCCESS) return deleted;
        capacity = kKeyNameCapacity;
    }
    child.CloseKey();
    return RegDeleteKeyA(keyHandle, name);
}
