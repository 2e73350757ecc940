#include "platform/host/host_registry_controls.h"
#include "tests/support/addin_registration_fixture.h"

namespace {

constexpr LONG kInjected = 1234;

class AddInRegistrationTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CreateKey(HKEY_CURRENT_USER, kAddInList);
    }
    static void ExpectNothingUnderClassesRoot() { EXPECT_TRUE(Snapshot(HKEY_CLASSES_ROOT).empty()); }
};

TEST_F(AddInRegistrationTest, WritesTheThreeValuesByteForByte) {
    EXPECT_EQ(DllRegisterServer(), S_OK);
    const RegistrySnapshot registry = Snapshot(HKEY_CURRENT_USER);
    EXPECT_EQ(registry, AddInRegistration());
    const KeyValues& values = registry.at(kAddInKey);
    EXPECT_EQ(values.at("Description").bytes.size(), 65u);
    EXPECT_EQ(values.at("DisplayName").bytes.size(), 18u);
    ExpectNothingUnderClassesRoot();
}

TEST_F(AddInRegistrationTest, WithoutTheHostsListNothingIsCreated) {
    hostsim::ClearRegistry();
    CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft");
    const RegistrySnapshot before = Snapshot(HKEY_CURRENT_USER);
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), before);
    ExpectNothingUnderClassesRoot();
}

TEST_F(AddInRegistrationTest, OtherValuesStayAndTheThreeAreOverwritten) {
    SetValue(HKEY_CURRENT_USER, kAddInKey, "DisplayName", "stale");
    SetValue(HKEY_CURRENT_USER, kAddInKey, "Keyboard", "Ctrl+Q");
    EXPECT_EQ(DllRegisterServer(), S_OK);
    RegistrySnapshot expected = AddInRegistration();
    expected[kAddInKey]["Keyboard"] = Sz("Ctrl+Q");
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), expected);
}

TEST_F(AddInRegistrationTest, TwiceIsOnceAndUnregisteringKeepsIt) {
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), AddInRegistration());
}

TEST_F(AddInRegistrationTest, TextsComeFromTheLibraryWhateverModuleCalls) {
    OtherModuleState caller;
    HINSTANCE const callerInstance = reinterpret_cast<HINSTANCE>(0x20000000);
    caller.m_hCurrentResourceHandle = callerInstance;
    hostsim::SetString(callerInstance, 1, "the caller's own string");
    AFX_MAINTAIN_STATE2 callerState(&caller);
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), AddInRegistration());
}

TEST_F(AddInRegistrationTest, AListThatCannotBeOpenedIsAFailure) {
    hostsim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(DllRegisterServer(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER).count(kAddInKey), 0u);
}

TEST_F(AddInRegistrationTest, AnAddInKeyThatCannotBeMadeIsAFailure) {
    hostsim::FailCall("RegCreateKeyExA", 1, kInjected);
    EXPECT_EQ(DllRegisterServer(), HRESULT_FROM_WIN32(kInjected));
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER).count(kAddInKey), 0u);
}

class FailedValueTest : public AddInRegistrationTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailedValueTest, TheOtherValuesAreStillWrittenAndTheFirstFailureReported) {
    const int index = GetParam() == std::string("Description") ? 1 : GetParam() == std::string("DisplayName") ? 2 : 3;
    hostsim::FailCall("RegSetValueExA", index, kInjected);
    EXPECT_EQ(DllRegisterServer(), HRESULT_FROM_WIN32(kInjected));
    RegistrySnapshot expected = AddInRegistration();
    expected[kAddInKey].erase(GetParam());
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), expected);
}

INSTANTIATE_TEST_SUITE_P(EachValue, FailedValueTest, ::testing::Values("Description", "DisplayName", "Filename"));

struct PathCase {
    const char* name;
    std::string path;
    LONG injected;
    HRESULT result;
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class ModulePathTest : public AddInRegistrationTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ModulePathTest, FilenameIsWholeOrNotWritten) {
    const PathCase& c = GetParam();
    hostsim::SetModulePath(kLibraryInstance, c.path);
    if (c.injected) hostsim::FailCall("GetModuleFileNameA", 1, c.injected);
    EXPECT_EQ(DllRegisterServer(), c.result);
    RegistrySnapshot expected = AddInRegistration(c.path);
    if (c.result != S_OK) expected[kAddInKey].erase("Filename");
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModulePathTest,
    ::testing::Values(PathCase{"FitsWithItsZero", "C:\\" + std::string(1017, 'p') + ".dl", 0, S_OK},
                      PathCase{"OneTooLong", "C:\\" + std::string(1018, 'p') + ".dl", 0,
                               HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
                      PathCase{"FarTooLong", "C:\\" + std::string(5000, 'p'), 0,
                               HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
                      PathCase{"NotFound", kLibraryPath, ERROR_FILE_NOT_FOUND,
                               HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddInRegistrationTest, AFailedCloseLosesNothing) {
    hostsim::FailCall("RegCloseKey", 1, kInjected);
    hostsim::FailCall("RegCloseKey", 2, kInjected);
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER), AddInRegistration());
}

}  // namespace
