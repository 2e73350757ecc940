#pragma once
#include <cstring>

#include "platform/win32_api.h"

// Identifiers are equal when all four of their 32-bit words are.
inline bool SameGuid(const GUID& first, const GUID& second) {
    DWORD firstWords[4];
    DWORD secondWords[4];
    std::memcpy(firstWords, &first, sizeof firstWords);
    std::memcpy(secondWords, &second, sizeof secondWords);
    return firstWords[0] == secondWords[0] && firstWords[1] == secondWords[1] && firstWords[2] == secondWords[2] &&
           firstWords[3] == secondWords[3];
}
