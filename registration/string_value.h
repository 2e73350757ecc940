#pragma once
#include "platform/win32_api.h"

// Writes `text` as a REG_SZ value, its zero counted in the size; a null name
// means the key's default value.
inline LONG SetStringValue(HKEY key, LPCSTR valueName, LPCSTR text) {
    return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1));
}
