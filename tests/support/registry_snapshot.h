#pragma once
// The registry as tests compare it: every key below a root, by path, with its
// values, read through the registry API itself.
#include <map>
#include <string>

#include "platform/win32_api.h"

struct CaseInsensitiveLess {
    bool operator()(const std::string& first, const std::string& second) const;
};

struct RegistryValue {
    DWORD type;
    std::string bytes;
    bool operator==(const RegistryValue&) const = default;
};

// Value name ("" for the default value) to value.
using KeyValues = std::map<std::string, RegistryValue, CaseInsensitiveLess>;
// Key path below the root ("A\\B") to its values.
using RegistrySnapshot = std::map<std::string, KeyValues, CaseInsensitiveLess>;

RegistrySnapshot Snapshot(HKEY root);
// A REG_SZ value as stored: the text and its zero.
RegistryValue Sz(const std::string& text);
std::string Describe(const RegistrySnapshot& snapshot);
// Lets GoogleTest show a snapshot readably when a comparison fails.
void PrintTo(const RegistrySnapshot& snapshot, std::ostream* out);
