#include <string>

#include "platform/host/host_registry_controls.h"
#include "registration/registry_key.h"
#include "tests/support/registry_fixture.h"

namespace {

using Functions = std::vector<std::string>;
constexpr LONG kInjected = 1234;

class RegistryKeyTest : public RegistryTest {
protected:
    static HKEY Open(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key), ERROR_SUCCESS);
        return key;
    }
    static bool Exists(const std::string& path) { return Snapshot(HKEY_CLASSES_ROOT).count(path) == 1; }
};

TEST_F(RegistryKeyTest, ClosingAnEmptyKeyCallsNothing) {
    RegistryKey key;
    RegistryKey held(Open(""));
    hostsim::StartRecording();
    EXPECT_EQ(key.CloseKey(), ERROR_SUCCESS);
    EXPECT_TRUE(RecordedFunctions().empty());
    EXPECT_EQ(held.CloseKey(), ERROR_SUCCESS);
    EXPECT_EQ(held.CloseKey(), ERROR_SUCCESS);
    EXPECT_EQ(RecordedFunctions(), Functions{"RegCloseKey"});
}

TEST_F(RegistryKeyTest, AFailedCloseStillEmptiesTheKey) {
    RegistryKey key(Open(""));
    hostsim::FailCall("RegCloseKey", 1, kInjected);
    EXPECT_EQ(key.CloseKey(), kInjected);
    EXPECT_EQ(key.Handle(), nullptr);
}

TEST_F(RegistryKeyTest, ANewKeyReplacesTheHeldOneAndReportsItsClose) {
    CreateKey(HKEY_CLASSES_ROOT, "First");
    RegistryKey key;
    ASSERT_EQ(key.OpenKey(HKEY_CLASSES_ROOT, "First", KEY_READ), ERROR_SUCCESS);
    const HKEY first = key.Handle();
    hostsim::FailCall("RegCloseKey", 1, kInjected);
    hostsim::StartRecording();
    EXPECT_EQ(key.CreateKey(HKEY_CLASSES_ROOT, "Second", nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), kInjected);
    EXPECT_EQ(RecordedFunctions(), (Functions{"RegCreateKeyExA", "RegCloseKey"}));
    EXPECT_NE(key.Handle(), first);
    EXPECT_EQ(key.WriteString("held", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT)["Second"][""], Sz("held"));
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
}

TEST_F(RegistryKeyTest, AFailedOpenOrCreateKeepsTheHeldKey) {
    RegistryKey key(Open(""));
    const HKEY held = key.Handle();
    EXPECT_EQ(key.OpenKey(HKEY_CLASSES_ROOT, "Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
    hostsim::FailCall("RegCreateKeyExA", 1, kInjected);
    EXPECT_EQ(key.CreateKey(HKEY_CLASSES_ROOT, "New", nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), kInjected);
    EXPECT_EQ(key.Handle(), held);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
    EXPECT_FALSE(Exists("New"));
    EXPECT_EQ(key.CloseKey(), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
}

TEST_F(RegistryKeyTest, TheHeldKeyCanBeTheParentOfItsReplacement) {
    CreateKey(HKEY_CLASSES_ROOT, "Parent\\Child");
    RegistryKey key;
    ASSERT_EQ(key.OpenKey(HKEY_CLASSES_ROOT, "Parent", KEY_READ), ERROR_SUCCESS);
    ASSERT_EQ(key.OpenKey(key.Handle(), "Child", KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
    ASSERT_EQ(key.CreateKey(key.Handle(), "Grandchild", nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
    EXPECT_TRUE(Exists("Parent\\Child\\Grandchild"));
}

TEST_F(RegistryKeyTest, CreateReportsTheDispositionWhenAsked) {
    RegistryKey key;
    DWORD disposition = 0;
    ASSERT_EQ(key.CreateKey(HKEY_CLASSES_ROOT, "Made", nullptr, 0, KEY_ALL_ACCESS, nullptr, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(key.CreateKey(HKEY_CLASSES_ROOT, "Made", nullptr, 0, KEY_ALL_ACCESS, nullptr, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
}

TEST_F(RegistryKeyTest, StringsAreStoredWithTheirZero) {
    RegistryKey key;
    ASSERT_EQ(key.CreateKey(HKEY_CLASSES_ROOT, "Texts", nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("default", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("", "Empty"), ERROR_SUCCESS);
    const KeyValues expected = {{"", Sz("default")}, {"Empty", {REG_SZ, std::string(1, '\0')}}};
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT)["Texts"], expected);
}

TEST_F(RegistryKeyTest, SubkeyStringsMakeOrReuseTheSubkeyAndCloseIt) {
    RegistryKey key;
    ASSERT_EQ(key.CreateKey(HKEY_CLASSES_ROOT, "Holder", nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), ERROR_SUCCESS);
    const HKEY held = key.Handle();
    EXPECT_EQ(key.WriteSubkeyString("Sub", "first", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteSubkeyString("Sub", "second", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteSubkeyString("Sub", "named", "Name"), ERROR_SUCCESS);
    EXPECT_EQ(key.Handle(), held);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
    const KeyValues expected = {{"", Sz("second")}, {"Name", Sz("named")}};
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT)["Holder\\Sub"], expected);
}

TEST_F(RegistryKeyTest, AFailedSubkeyWriteStillClosesTheSubkey) {
    RegistryKey key(HKEY_CLASSES_ROOT);
    hostsim::FailCall("RegSetValueExA", 1, kInjected);
    EXPECT_EQ(key.WriteSubkeyString("Sub", "text", nullptr), kInjected);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
    hostsim::FailCall("RegCreateKeyExA", 1, kInjected);
    EXPECT_EQ(key.WriteSubkeyString("Other", "text", nullptr), kInjected);
    EXPECT_FALSE(Exists("Other"));
}

TEST_F(RegistryKeyTest, DeletingAMissingTreeDeletesNothing) {
    CreateKey(HKEY_CLASSES_ROOT, "Kept");
    RegistryKey root(HKEY_CLASSES_ROOT);
    EXPECT_EQ(root.DeleteKeyTree("Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Exists("Kept"));
}

TEST_F(RegistryKeyTest, DeletingALeafIsOpenEnumerateCloseDelete) {
    CreateKey(HKEY_CLASSES_ROOT, "Leaf");
    RegistryKey root(HKEY_CLASSES_ROOT);
    hostsim::StartRecording();
    EXPECT_EQ(root.DeleteKeyTree("Leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RecordedFunctions(), (Functions{"RegOpenKeyExA", "RegEnumKeyExA", "RegCloseKey", "RegDeleteKeyA"}));
    EXPECT_FALSE(Exists("Leaf"));
}

TEST_F(RegistryKeyTest, ATreeIsDeletedDeepestFirst) {
    for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2", "Tree\\B"}) CreateKey(HKEY_CLASSES_ROOT, path);
    CreateKey(HKEY_CLASSES_ROOT, "Sibling");
    RegistryKey root(HKEY_CLASSES_ROOT);
    hostsim::StartRecording();
    EXPECT_EQ(root.DeleteKeyTree("Tree"), ERROR_SUCCESS);
    std::vector<std::string> deleted;
    for (const auto& call : hostsim::RecordedCalls()) {
        if (call.function == "RegDeleteKeyA") deleted.push_back(call.argument);
    }
    EXPECT_EQ(deleted, (Functions{"HKEY_CLASSES_ROOT\\Tree\\A\\A1", "HKEY_CLASSES_ROOT\\Tree\\A\\A2",
                                  "HKEY_CLASSES_ROOT\\Tree\\A", "HKEY_CLASSES_ROOT\\Tree\\B",
                                  "HKEY_CLASSES_ROOT\\Tree"}));
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), (RegistrySnapshot{{"Sibling", {}}}));
}

TEST_F(RegistryKeyTest, ANestedKeyThatCannotBeDeletedStopsTheDeletion) {
    for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2", "Tree\\B"}) CreateKey(HKEY_CLASSES_ROOT, path);
    RegistryKey root(HKEY_CLASSES_ROOT);
    hostsim::FailCall("RegDeleteKeyA", 2, kInjected);  // Tree\A\A2
    EXPECT_EQ(root.DeleteKeyTree("Tree"), kInjected);
    const RegistrySnapshot expected = {{"Tree", {}}, {"Tree\\A", {}}, {"Tree\\A\\A2", {}}, {"Tree\\B", {}}};
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), expected);
}

TEST_F(RegistryKeyTest, ADeepChainIsDeletedWithoutHeap) {
    // Level by level: the whole path at once would pass the registry's limit.
    HKEY level = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Chain", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &level, nullptr),
              ERROR_SUCCESS);
    for (int depth = 1; depth < 512; ++depth) {
        HKEY next = nullptr;
        ASSERT_EQ(RegCreateKeyExA(level, "L", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr), ERROR_SUCCESS);
        RegCloseKey(level);
        level = next;
    }
    RegCloseKey(level);
    RegistryKey root(HKEY_CLASSES_ROOT);
    const int blocks = hostsim::LiveHeapBlocks();
    EXPECT_EQ(root.DeleteKeyTree("Chain"), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocks);
    EXPECT_TRUE(Snapshot(HKEY_CLASSES_ROOT).empty());
}

TEST_F(RegistryKeyTest, AWideKeyIsDeleted) {
    HKEY wide = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Wide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wide, nullptr),
              ERROR_SUCCESS);
    for (int index = 0; index < 10000; ++index) {
        HKEY child = nullptr;
        ASSERT_EQ(RegCreateKeyExA(wide, ("Sub" + std::to_string(index)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &child, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(child);
    }
    RegCloseKey(wide);
    RegistryKey root(HKEY_CLASSES_ROOT);
    EXPECT_EQ(root.DeleteKeyTree("Wide"), ERROR_SUCCESS);
    EXPECT_TRUE(Snapshot(HKEY_CLASSES_ROOT).empty());
}

TEST_F(RegistryKeyTest, ASubkeyNameTooLongToReadStopsTheDeletionThere) {
    for (const char* path : {"Tree\\a", "Tree\\zz"}) CreateKey(HKEY_CLASSES_ROOT, path);
    const std::string longName(256, 'm');
    HKEY tree = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Tree", 0, KEY_ALL_ACCESS, &tree), ERROR_SUCCESS);
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyExA(tree, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(tree);
    RegistryKey root(HKEY_CLASSES_ROOT);
    EXPECT_EQ(root.DeleteKeyTree("Tree"), ERROR_ACCESS_DENIED);
    const RegistrySnapshot expected = {{"Tree", {}}, {"Tree\\" + longName, {}}, {"Tree\\zz", {}}};
    EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT), expected);
}

}  // namespace
