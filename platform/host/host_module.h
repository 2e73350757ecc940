#pragma once
// Module, resource and text services: module paths, the string table, and the
// narrow/wide text helpers.
#include "host_types.h"

constexpr DWORD MAX_PATH = 260;
constexpr UINT CP_ACP = 0;
constexpr DWORD ERROR_GEN_FAILURE = 31;

void SetLastError(DWORD error);
DWORD GetLastError();

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int bufferMax);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
HMODULE GetModuleHandleA(LPCSTR moduleName);
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);

int lstrlenA(LPCSTR text);
int lstrlenW(LPCWSTR text);
int lstrcmpiA(LPCSTR first, LPCSTR second);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR narrow, int narrowSize,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);
