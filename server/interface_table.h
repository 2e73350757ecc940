#pragma once
// How each COM object of the library states the interfaces it answers.
#include "platform/win32_api.h"

// The one kind of row: the interface lies at the object's start plus the offset.
constexpr DWORD kInterfaceAtOffset = 1;

// A table ends with an all-zero row; its first row also stands for IUnknown.
struct InterfaceEntry {
    const IID* interfaceId;
    DWORD interfaceOffset;
    DWORD kind;
};

HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table, REFIID requestedInterface, void** out);
