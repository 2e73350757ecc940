#pragma once
// What host tests use to set up and read back the simulated registry. These
// bypass the Reg* functions: they are not counted for injected failures and
// not recorded.
//
// Each Reg* call is recorded (see host_controls.h) under its own name, with
// the key it acts on as the argument:
//   RegOpenKeyExA, RegCreateKeyExA, RegDeleteKeyA   "<key path>\<subkey argument>" (no "\" when the argument is empty)
//   RegSetValueExA, RegQueryValueExA                "<key path> [<value name>]", "[]" for the default value
//   RegEnumKeyExA, RegEnumValueA                    "<key path> #<index>"
//   RegCloseKey                                     "<key path>"
// A key path starts with its root, e.g. "HKEY_CLASSES_ROOT\CLSID\{...}", with
// each name spelled as it was when the key was created; a subkey argument is
// shown as passed. A handle the store does not know shows as
// "<invalid handle 0x...>".
#include <optional>
#include <string>
#include <vector>

#include "host_registry.h"

namespace hostsim {

struct StoredValue {
    DWORD type;
    std::vector<BYTE> bytes;
    bool operator==(const StoredValue&) const = default;
};

// Empties both roots. Handles still open become unknown to the store, so each
// test starts with no open handle.
void ClearRegistry();

// `root` is HKEY_CLASSES_ROOT or HKEY_CURRENT_USER; `path` names a key below
// it ("A\\B"), the empty path the root itself. Names compare case-insensitively.
// Creates every missing level; false only for an unknown root or a malformed path.
bool CreateRegistryKey(HKEY root, const std::string& path);
bool RegistryKeyExists(HKEY root, const std::string& path);
// Names in enumeration order; empty for a missing key.
std::vector<std::string> RegistrySubkeys(HKEY root, const std::string& path);
// Value names in enumeration order, "" for the default value; empty for a missing key.
std::vector<std::string> RegistryValueNames(HKEY root, const std::string& path);
std::optional<StoredValue> ReadRegistryValue(HKEY root, const std::string& path, const std::string& name);

// Handles opened or created and not yet closed, including handles to deleted keys.
int OpenRegistryHandles();

}  // namespace hostsim
