#include "platform/host/host_registry_controls.h"
#include "registration/class_registration.h"
#include "resources/resource_texts.h"
#include "tests/support/class_registration_fixture.h"

namespace {

const char kExecutablePath[] = "C:\\Tools\\Host Program.exe";
const char kExecutableShortPath[] = "C:\\Tools\\HOSTPR~1.EXE";
HINSTANCE const kExecutable = reinterpret_cast<HINSTANCE>(0x400000);

class ClassRegistrationTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CreateKey(HKEY_CLASSES_ROOT, "CLSID");
        hostsim::SetExecutableModule(kExecutable);
        hostsim::SetModulePath(kExecutable, kExecutablePath);
        hostsim::SetString(kExecutable, 1, "Host program");
    }
    static HRESULT Register() { return serverModule.classTable[0].registrationRoutine(1); }
    static HRESULT Unregister() { return serverModule.classTable[0].registrationRoutine(0); }
    static HRESULT RegisterWith(HINSTANCE instance, DWORD flags) {
        ServerModule module{};
        module.instanceHandle = instance;
        return RegisterClassKeys(module, CLSID_AddInObject, "Quor.DSAddIn.1", "QUOR6LINK Developer Studio Add-in",
                                 1, static_cast<ClassRegistrationFlags>(flags));
    }
};

TEST_F(ClassRegistrationTest, TheClassRowRegistersTheNineValues) {
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), AddInClassRegistration());
}

TEST_F(ClassRegistrationTest, RegisteringAgainOverwritesTheSameValues) {
    SetValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), AddInClassRegistration());
}

TEST_F(ClassRegistrationTest, WithoutCLSIDOnlyTheProgIdKeysAreWritten) {
    hostsim::ClearRegistry();
    EXPECT_EQ(Register(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    RegistrySnapshot expected = AddInClassRegistration();
    std::erase_if(expected, [](const auto& key) { return key.first.rfind("CLSID", 0) == 0; });
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), expected);
}

struct FlagsCase {
    DWORD flags;
    const char* server;
    const char* threadingModel;
};

void PrintTo(const FlagsCase& c, std::ostream* out) { *out << "flags " << c.flags; }

class InprocServerFlagsTest : public ClassRegistrationTest, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(InprocServerFlagsTest, DecideTheServerAndItsThreadingModel) {
    const FlagsCase& c = GetParam();
    EXPECT_EQ(RegisterWith(kLibraryInstance, c.flags), S_OK);
    const auto model = c.threadingModel ? std::optional<std::string>(c.threadingModel) : std::nullopt;
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT),
              ClassRegistration(ADDIN_DISPLAY_NAME_TEXT, "InprocServer32", std::string(c.server), model));
}

INSTANTIATE_TEST_SUITE_P(Table, InprocServerFlagsTest,
                         ::testing::Values(FlagsCase{0, kLibraryPath, nullptr}, FlagsCase{1, kLibraryPath, "Apartment"},
                                           FlagsCase{2, kLibraryPath, "both"}, FlagsCase{3, kLibraryPath, "both"},
                                           FlagsCase{4, "AUTPRX32.DLL", nullptr},
                                           FlagsCase{5, "AUTPRX32.DLL", "Apartment"},
                                           FlagsCase{6, "AUTPRX32.DLL", "both"}, FlagsCase{7, "AUTPRX32.DLL", "both"},
                                           FlagsCase{8 | 2, kLibraryPath, "both"}));

struct LocalServerCase {
    const char* name;
    HINSTANCE instance;
    std::optional<DWORD> shortPathResult;
    HRESULT result;
    const char* server;  // null: no "LocalServer32"
};

void PrintTo(const LocalServerCase& c, std::ostream* out) { *out << c.name; }

class LocalServerTest : public ClassRegistrationTest, public ::testing::WithParamInterface<LocalServerCase> {};

TEST_P(LocalServerTest, GetsTheShortOrLongPathAndNoThreadingModel) {
    const LocalServerCase& c = GetParam();
    hostsim::SetShortPath(kExecutableShortPath, c.shortPathResult);
    EXPECT_EQ(RegisterWith(c.instance, ApartmentThreaded | BothThreaded | AutomationProxy), c.result);
    const auto server = c.server ? std::optional<std::string>(c.server) : std::nullopt;
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), ClassRegistration("Host program", "LocalServer32", server, std::nullopt));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LocalServerTest,
    ::testing::Values(LocalServerCase{"NullHandle", nullptr, std::nullopt, S_OK, kExecutableShortPath},
                      LocalServerCase{"ExecutableHandle", kExecutable, std::nullopt, S_OK, kExecutableShortPath},
                      LocalServerCase{"NoShortForm", nullptr, 0, S_OK, kExecutablePath},
                      LocalServerCase{"InvalidParameter", nullptr, 87, S_OK, kExecutablePath},
                      LocalServerCase{"ShortFormNeedsMoreThanMaxPath", nullptr, 261, S_OK, kExecutablePath},
                      LocalServerCase{"ShortFormFillsMaxPath", nullptr, 260, E_OUTOFMEMORY, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClassRegistrationTest, AMissingDescriptionIsEmpty) {
    hostsim::ResetModules();
    hostsim::SetModulePath(kLibraryInstance, kLibraryPath);
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), ClassRegistration("", "InprocServer32", kLibraryPath, "both"));
}

TEST_F(ClassRegistrationTest, APathThatDoesNotFitIsNeverWrittenCut) {
    hostsim::SetModulePath(kLibraryInstance, "C:\\" + std::string(300, 'x') + ".dll");
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), ClassRegistration(ADDIN_DISPLAY_NAME_TEXT, "InprocServer32", "", "both"));
}

TEST_F(ClassRegistrationTest, WithoutAClassIdTextNothingIsRegistered) {
    hostsim::FailCall("StringFromCLSID", 1, E_OUTOFMEMORY);
    hostsim::StartRecording();
    EXPECT_EQ(Register(), E_OUTOFMEMORY);
    EXPECT_TRUE(RecordedFunctions().empty());
}

TEST_F(ClassRegistrationTest, UnregisteringRemovesTheWholeTreesButNotCLSID) {
    ASSERT_EQ(Register(), S_OK);
    CreateKey(HKEY_CLASSES_ROOT, "Quor.DSAddIn.1\\Added\\By Someone");
    CreateKey(HKEY_CLASSES_ROOT, kClassKey + "\\Added");
    CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-000000000001}");
    CreateKey(HKEY_CLASSES_ROOT, "Unrelated");
    EXPECT_EQ(Unregister(), S_OK);
    const RegistrySnapshot expected = {
        {"CLSID", {}}, {"CLSID\\{00000000-0000-0000-0000-000000000001}", {}}, {"Unrelated", {}}};
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), expected);
}

TEST_F(ClassRegistrationTest, UnregisteringWhatIsNotThereChangesNothing) {
    CreateKey(HKEY_CLASSES_ROOT, "Unrelated");
    const RegistrySnapshot before = Snapshot(HKEY_CLASSES_ROOT);
    EXPECT_EQ(Unregister(), S_OK);
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), before);
}

TEST_F(ClassRegistrationTest, AProgIdTreeThatResistsDoesNotStopTheOthers) {
    ASSERT_EQ(Register(), S_OK);
    hostsim::FailCall("RegDeleteKeyA", 1, ERROR_ACCESS_DENIED);  // Quor.DSAddIn.1\CLSID
    EXPECT_EQ(Unregister(), S_OK);
    const RegistrySnapshot expected = {
        {"CLSID", {}}, {"Quor.DSAddIn.1", {{"", Sz(ADDIN_DISPLAY_NAME_TEXT)}}},
        {"Quor.DSAddIn.1\\CLSID", {{"", Sz(kClassIdText)}}}};
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), expected);
}

TEST_F(ClassRegistrationTest, NullOrEmptyNamesAreSkipped) {
    ASSERT_EQ(Register(), S_OK);
    hostsim::StartRecording();
    EXPECT_EQ(UnregisterClassKeys(CLSID_AddInObject, nullptr, ""), S_OK);
    const auto calls = hostsim::RecordedCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), (hostsim::RecordedCall{"RegOpenKeyExA", "HKEY_CLASSES_ROOT\\CLSID"}));
    const RegistrySnapshot snapshot = Snapshot(HKEY_CLASSES_ROOT);
    EXPECT_EQ(snapshot.count("Quor.DSAddIn.1"), 1u);
    EXPECT_EQ(snapshot.count(kClassKey), 0u);
}

TEST_F(ClassRegistrationTest, WithoutAClassIdTextOnlyTheProgIdTreesGo) {
    ASSERT_EQ(Register(), S_OK);
    hostsim::FailCall("StringFromCLSID", 1, E_OUTOFMEMORY);
    EXPECT_EQ(Unregister(), S_OK);
    RegistrySnapshot expected = AddInClassRegistration();
    std::erase_if(expected, [](const auto& key) { return key.first.rfind("CLSID", 0) != 0; });
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), expected);
}

}  // namespace
