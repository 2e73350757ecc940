#pragma once
// A started library over an empty registry, with its file path and string
// table in place; every test ends with no registry key and no class-id text
// left open.
#include "platform/host/host_module_controls.h"
#include "tests/support/library_fixture.h"
#include "tests/support/registry_snapshot.h"

inline const char kLibraryPath[] = "C:\\Program Files\\Quor6Link\\QUOR6LINK.dll";

class RegistryTest : public StartedLibraryTest {
protected:
    void SetUp() override;
    void TearDown() override;

    static void CreateKey(HKEY root, const std::string& path);
    static void SetValue(HKEY root, const std::string& path, const char* name, const std::string& text);
    // The registry functions among the recorded calls, in order.
    static std::vector<std::string> RecordedFunctions();
};
