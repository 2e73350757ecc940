#pragma once
// The owner of one open registry key: whatever it holds is closed by it, on every
// path. Results are Win32 codes, passed on as the registry gave them.
#include "platform/win32_api.h"

// The access the tree delete and the class-id key open and create keys with.
inline constexpr REGSAM kKeyReadWrite = KEY_READ | KEY_WRITE;

class RegistryKey {
public:
    RegistryKey() = default;
    explicit RegistryKey(HKEY held) : keyHandle(held) {}
    ~RegistryKey() { CloseKey(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Handle() const { return keyHandle; }

    // Empties the object even when the close fails; the close is not retried.
    LONG CloseKey();
    // On success the new key replaces the held one, which is then closed (the
    // parent may be the held key itself); the result is that close's. On failure
    // the held key stays.
    LONG CreateKey(HKEY parent, LPCSTR name, LPSTR keyClass, DWORD options, REGSAM access,
                   SECURITY_ATTRIBUTES* security, LPDWORD disposition);
    LONG OpenKey(HKEY parent, LPCSTR name, REGSAM access);
    // A null value name means the key's default value.
    LONG WriteString(LPCSTR text, LPCSTR valueName);
    LONG WriteSubkeyString(LPCSTR subkeyName, LPCSTR text, LPCSTR valueName);
    // Deletes held\name and everything beneath it, deepest first; stops at the
    // first failure, keeping what was deleted before it.
    LONG DeleteKeyTree(LPCSTR name);

private:
    LONG Adopt(LONG result, HKEY opened);

    HKEY keyHandle = nullptr;
};
