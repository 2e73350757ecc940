#pragma once
// What registering the add-in class leaves under HKEY_CLASSES_ROOT.
#include <optional>
#include <string>

#include "tests/support/registry_fixture.h"

inline const char kClassIdText[] = "{3FD687E9-DE8C-11D1-A602-00A0C9566593}";
inline const std::string kClassKey = std::string("CLSID\\") + kClassIdText;

// A registry holding only "CLSID", with the class registered on it as an
// in-process or local server.
RegistrySnapshot ClassRegistration(const std::string& description, const std::string& serverSubkey,
                                   const std::optional<std::string>& server,
                                   const std::optional<std::string>& threadingModel);
// The registration of the add-in class as the library makes it.
RegistrySnapshot AddInClassRegistration();
