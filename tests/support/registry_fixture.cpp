#include "tests/support/registry_fixture.h"

#include "platform/host/host_registry_controls.h"
#include "resources/resource_texts.h"

void RegistryTest::SetUp() {
    hostsim::ClearRegistry();
    hostsim::ResetModules();
    hostsim::SetModulePath(kLibraryInstance, kLibraryPath);
    hostsim::SetString(kLibraryInstance, IDS_ADDIN_DISPLAY_NAME, ADDIN_DISPLAY_NAME_TEXT);
    hostsim::SetString(kLibraryInstance, IDS_ADDIN_DESCRIPTION, ADDIN_DESCRIPTION_TEXT);
    StartedLibraryTest::SetUp();
}

void RegistryTest::TearDown() {
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
    EXPECT_EQ(hostsim::OutstandingTaskMemory(), 0);
    StartedLibraryTest::TearDown();
}

void RegistryTest::CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

void RegistryTest::SetValue(HKEY root, const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

std::vector<std::string> RegistryTest::RecordedFunctions() {
    std::vector<std::string> functions;
    for (const auto& call : hostsim::RecordedCalls()) {
        if (call.function.rfind("Reg", 0) == 0) functions.push_back(call.function);
    }
    return functions;
}
