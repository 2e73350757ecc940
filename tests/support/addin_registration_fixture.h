#pragma once
// The host's add-in list and the add-in's key in it.
#include <string>

#include "tests/support/registry_fixture.h"

inline const char kAddInList[] = "Software\\Microsoft\\DevStudio\\6.0\\AddIns";
inline const std::string kAddInKey = std::string(kAddInList) + "\\Quor.DSAddIn.1";

// HKEY_CURRENT_USER with the add-in list and the add-in's three values.
RegistrySnapshot AddInRegistration(const std::string& filename = kLibraryPath);
