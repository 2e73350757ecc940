#pragma once
// Test controls for the module, string-table and OLE text services.
#include <optional>
#include <string>

#include "host_types.h"

namespace hostsim {

// Forgets every path, string and forced answer below.
void ResetModules();

// The path GetModuleFileNameA answers for `module`; a null module stands for the
// process's executable. An unknown module fails with ERROR_MOD_NOT_FOUND.
void SetModulePath(HINSTANCE module, std::string path);
// What GetModuleHandleA(NULL) answers.
void SetExecutableModule(HINSTANCE module);
// GetShortPathNameA writes `shortPath` when it fits; `forcedResult` makes it
// return that value instead, writing nothing.
void SetShortPath(std::string shortPath, std::optional<DWORD> forcedResult = std::nullopt);
void SetString(HINSTANCE module, UINT id, std::string text);

// Texts from StringFromCLSID not yet given back with CoTaskMemFree.
int OutstandingTaskMemory();

}  // namespace hostsim
