#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/host_controls.h"
#include "platform/host/host_registry_controls.h"
#include "platform/win32_api.h"

namespace {

using Names = std::vector<std::string>;
using Bytes = std::vector<BYTE>;
using hostsim::RecordedCall;

constexpr LONG kInjected = 4321;
// Odd, so never one of the store's handles: tells "left alone" from "set to null".
HKEY const kPoison = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0xBAD1));
constexpr DWORD kUntouched = 0xDEAD;
HKEY const kLocalMachine = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Parameterized cases show by their name, in test names and failure messages.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::ClearRegistry();
        hostsim::ClearFaults();
    }
    void TearDown() override {
        hostsim::StopRecording();
        hostsim::ClearFaults();
    }

    static HKEY Create(HKEY parent, const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static DWORD CreateAndClose(HKEY parent, const char* path) {
        HKEY key = nullptr;
        DWORD disposition = kUntouched;
        EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        return disposition;
    }
    static HKEY Open(HKEY parent, const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(parent, path, 0, KEY_READ, &key), ERROR_SUCCESS);
        return key;
    }
    // The text and its zero, as the library writes strings.
    static void SetText(HKEY key, const char* name, const std::string& text) {
        EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    static std::string EnumKeyName(HKEY key, DWORD index) {
        char name[512];
        DWORD size = sizeof name;
        EXPECT_EQ(RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        return std::string(name, size);
    }
};

// --- keys ----------------------------------------------------------------

TEST_F(RegistryStoreTest, CreateMakesEveryMissingLevelAndReportsWhetherTheLastWasNew) {
    EXPECT_EQ(CreateAndClose(HKEY_CURRENT_USER, "Software\\Microsoft\\DevStudio\\6.0\\AddIns"), REG_CREATED_NEW_KEY);
    EXPECT_TRUE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Microsoft"));
    EXPECT_TRUE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Microsoft\\DevStudio\\6.0\\AddIns"));
    EXPECT_EQ(CreateAndClose(HKEY_CURRENT_USER, "Software\\Microsoft\\DevStudio\\6.0\\AddIns"),
              REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(CreateAndClose(HKEY_CURRENT_USER, "software\\MICROSOFT"), REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(CreateAndClose(HKEY_CURRENT_USER, "Software\\Microsoft\\Other"), REG_CREATED_NEW_KEY);
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, "Software\\Microsoft"), (Names{"DevStudio", "Other"}));
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
}

TEST_F(RegistryStoreTest, OpenOfAMissingKeyFailsCreatesNothingAndNullsTheHandle) {
    hostsim::CreateRegistryKey(HKEY_CLASSES_ROOT, "Present");
    for (const char* path : {"Missing", "Missing\\Deeper", "Present\\Missing"}) {
        SCOPED_TRACE(path);
        HKEY key = kPoison;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(key, nullptr);
    }
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CLASSES_ROOT, ""), Names{"Present"});
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CLASSES_ROOT, "Present"), Names{});
}

TEST_F(RegistryStoreTest, NamesMatchInAnyCaseAndKeepTheCaseTheyWereCreatedWith) {
    EXPECT_EQ(CreateAndClose(HKEY_CLASSES_ROOT, "Quor.DSAddIn\\CLSID"), REG_CREATED_NEW_KEY);
    EXPECT_EQ(CreateAndClose(HKEY_CLASSES_ROOT, "QUOR.dsaddin\\clsid"), REG_OPENED_EXISTING_KEY);
    HKEY key = Open(HKEY_CLASSES_ROOT, "quor.dsaddin\\Clsid");
    SetText(key, "Value", "first");
    SetText(key, "VALUE", "second");
    RegCloseKey(key);
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CLASSES_ROOT, ""), Names{"Quor.DSAddIn"});
    EXPECT_EQ(hostsim::RegistryValueNames(HKEY_CLASSES_ROOT, "Quor.DSAddIn\\CLSID"), Names{"Value"});
    EXPECT_EQ(hostsim::ReadRegistryValue(HKEY_CLASSES_ROOT, "quor.dsaddin\\clsid", "value"),
              (hostsim::StoredValue{REG_SZ, BytesOf(std::string("second", 7))}));
}

TEST_F(RegistryStoreTest, AnEmptyOrNullSubkeyOpensAnotherHandleToTheSameKey) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Quor6Link");
    for (const char* subKey : {"", static_cast<const char*>(nullptr)}) {
        HKEY again = Open(key, subKey);
        EXPECT_NE(again, key);
        EXPECT_EQ(hostsim::OpenRegistryHandles(), 2);
        const char* valueName = subKey != nullptr ? "ThroughEmpty" : "ThroughNull";
        SetText(again, valueName, "the second handle");
        EXPECT_EQ(RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY root = Open(HKEY_CLASSES_ROOT, "");
    EXPECT_NE(root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(CreateAndClose(root, "ThroughRootHandle"), REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
    EXPECT_TRUE(hostsim::RegistryKeyExists(HKEY_CLASSES_ROOT, "ThroughRootHandle"));
}

TEST_F(RegistryStoreTest, TheTwoRootsAreSeparateTrees) {
    CreateAndClose(HKEY_CURRENT_USER, "Software\\Classes\\CLSID");
    CreateAndClose(HKEY_CLASSES_ROOT, "CLSID");
    EXPECT_FALSE(hostsim::RegistryKeyExists(HKEY_CLASSES_ROOT, "Software"));
    EXPECT_FALSE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "CLSID"));
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, ""), Names{"Software"});
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CLASSES_ROOT, ""), Names{"CLSID"});
}

struct PathCase {
    const char* name;
    std::string argument;
    LONG expected;
    bool handleLeftAlone;  // otherwise set, or null on failure
    Names createdBelowRoot;
};

class SubkeyArgumentTest : public RegistryStoreTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(SubkeyArgumentTest, CreateThenOpen) {
    const PathCase& c = GetParam();
    HKEY key = kPoison;
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, c.argument.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        c.expected);
    if (c.expected == ERROR_SUCCESS) {
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        key = kPoison;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.argument.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    } else {
        EXPECT_EQ(key, c.handleLeftAlone ? kPoison : nullptr);
        key = kPoison;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.argument.c_str(), 0, KEY_READ, &key), c.expected);
        EXPECT_EQ(key, c.handleLeftAlone ? kPoison : nullptr);
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, c.argument.c_str()), c.expected);
    }
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, ""), c.createdBelowRoot);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SubkeyArgumentTest,
    ::testing::Values(PathCase{"DoubledAndTrailingBackslashes", "A\\\\B\\", ERROR_SUCCESS, false, {"A"}},
                      PathCase{"LeadingBackslash", "\\A", ERROR_BAD_PATHNAME, false, {}},
                      PathCase{"NameOf256Chars", std::string(256, 'n'), ERROR_SUCCESS, false, {std::string(256, 'n')}},
                      PathCase{"NameOf257Chars", std::string(257, 'n'), ERROR_INVALID_PARAMETER, false, {}},
                      PathCase{
                          "ArgumentOf260Chars", "A\\" + std::string(256, 'n') + "\\B", ERROR_SUCCESS, false, {"A"}},
                      // The A functions refuse it before starting: nothing is written back.
                      PathCase{"ArgumentOf261Chars", std::string(261, 'n'), ERROR_MORE_DATA, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, AnOverlongNameDeeperInThePathLeavesTheLevelsBeforeIt) {
    HKEY key = kPoison;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("A\\" + std::string(257, 'n')).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key, nullptr);
    EXPECT_TRUE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "A"));
    // A missing key before the over-long name is what an open reports.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ("B\\" + std::string(257, 'n')).c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

// --- values --------------------------------------------------------------

struct SetCase {
    const char* name;
    DWORD type;
    std::string memory;  // what the pointer passed points at, possibly past `size`
    DWORD size;
    Bytes stored;
};

class SetValueTest : public RegistryStoreTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetValueTest, StoresTypeAndBytes) {
    const SetCase& c = GetParam();
    HKEY key = Create(HKEY_CLASSES_ROOT, "Values");
    EXPECT_EQ(RegSetValueExA(key, "Data", 0, c.type, reinterpret_cast<const BYTE*>(c.memory.data()), c.size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(hostsim::ReadRegistryValue(HKEY_CLASSES_ROOT, "Values", "Data"),
              (hostsim::StoredValue{c.type, c.stored}));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SetValueTest,
    ::testing::Values(SetCase{"TextWithItsZero", REG_SZ, std::string("abc", 4), 4, BytesOf(std::string("abc", 4))},
                      SetCase{"EmptyText", REG_SZ, std::string("", 1), 1, Bytes{0}},
                      SetCase{"ZeroBytes", REG_SZ, std::string("", 1), 0, Bytes{}},
                      // Windows adds the zero a size left out when it follows in memory.
                      SetCase{"TextSizeWithoutItsZero", REG_SZ, std::string("abc", 4), 3,
                              BytesOf(std::string("abc", 4))},
                      SetCase{"TextCutShort", REG_SZ, "abcX", 3, BytesOf("abc")},
                      SetCase{"BinaryIsNeverExtended", REG_BINARY, std::string("ab", 3), 2, BytesOf("ab")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, ANullOrEmptyValueNameIsTheDefaultValue) {
    HKEY key = Create(HKEY_CLASSES_ROOT, "Quor.DSAddIn");
    DWORD type = kUntouched;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    SetText(key, nullptr, "first");
    SetText(key, "", "Quor6Link add-in");
    BYTE data[32];
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("Quor6Link add-in", 17));
    RegCloseKey(key);
    EXPECT_EQ(hostsim::RegistryValueNames(HKEY_CLASSES_ROOT, "Quor.DSAddIn"), Names{""});
}

struct QueryCase {
    const char* name;
    const char* valueName;
    bool withData;
    DWORD bufferSize;
    LONG expected;
    DWORD type;
    DWORD size;
    std::string buffer;  // the whole buffer afterwards, '.' for an untouched byte
};

class QueryValueTest : public RegistryStoreTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(QueryValueTest, ReportsTypeSizeAndData) {
    const QueryCase& c = GetParam();
    HKEY key = Create(HKEY_CLASSES_ROOT, "Values");
    SetText(key, "Text", "abc");
    RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3);
    char buffer[8];
    std::memset(buffer, '.', sizeof buffer);
    DWORD type = kUntouched;
    DWORD size = c.withData ? c.bufferSize : kUntouched;
    EXPECT_EQ(RegQueryValueExA(key, c.valueName, nullptr, &type, c.withData ? reinterpret_cast<BYTE*>(buffer) : nullptr,
                               &size),
              c.expected);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(std::string(buffer, sizeof buffer), c.buffer);
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, QueryValueTest,
    ::testing::Values(QueryCase{"Fits", "Text", true, 8, ERROR_SUCCESS, REG_SZ, 4, std::string("abc\0....", 8)},
                      QueryCase{"FitsExactly", "text", true, 4, ERROR_SUCCESS, REG_SZ, 4, std::string("abc\0....", 8)},
                      QueryCase{"TooSmall", "Text", true, 3, ERROR_MORE_DATA, REG_SZ, 4, "........"},
                      QueryCase{"NoBuffer", "Text", false, 0, ERROR_SUCCESS, REG_SZ, 4, "........"},
                      // An unterminated string gets a zero, uncounted, when there is room for one.
                      QueryCase{"UnterminatedWithRoom", "Unterminated", true, 4, ERROR_SUCCESS, REG_SZ, 3,
                                std::string("abc\0....", 8)},
                      QueryCase{"UnterminatedWithoutRoom", "Unterminated", true, 3, ERROR_SUCCESS, REG_SZ, 3,
                                "abc....."},
                      // As Wine: the type is cleared, and the size too when no buffer was given.
                      QueryCase{"Missing", "Missing", true, 8, ERROR_FILE_NOT_FOUND, REG_NONE, 8, "........"},
                      QueryCase{"MissingNoBuffer", "Missing", false, 0, ERROR_FILE_NOT_FOUND, REG_NONE, 0, "........"},
                      QueryCase{"MissingDefault", nullptr, false, 0, ERROR_FILE_NOT_FOUND, REG_NONE, 0, "........"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, AQueryWithABufferButNoSizeIsRefused) {
    HKEY key = Create(HKEY_CLASSES_ROOT, "Values");
    SetText(key, "Text", "abc");
    BYTE data[8];
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

// --- enumeration ---------------------------------------------------------

TEST_F(RegistryStoreTest, SubkeysAndValuesEnumerateInCaseInsensitiveOrderWithPunctuationBeforeLetters) {
    HKEY key = Create(HKEY_CURRENT_USER, "Order");
    const Names scrambled{"zeta",  "Alpha",    "_under", "beta", "{0D1E2F30-0000-0000-0000-000000000000}",
                          "Beta2", "[bracket", "~tilde"};
    const Names ordered{
        "[bracket", "_under", "Alpha", "beta", "Beta2", "zeta", "{0D1E2F30-0000-0000-0000-000000000000}", "~tilde"};
    for (const std::string& name : scrambled) {
        CreateAndClose(key, name.c_str());
        SetText(key, name.c_str(), "v");
    }
    SetText(key, nullptr, "default");
    for (DWORD index = 0; index < ordered.size(); ++index) EXPECT_EQ(EnumKeyName(key, index), ordered[index]);
    char name[64];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, static_cast<DWORD>(ordered.size()), name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    Names values{""};
    values.insert(values.end(), ordered.begin(), ordered.end());
    EXPECT_EQ(hostsim::RegistryValueNames(HKEY_CURRENT_USER, "Order"), values);
    for (DWORD index = 0; index < values.size(); ++index) {
        size = sizeof name;
        EXPECT_EQ(RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(std::string(name, size), values[index]);
    }
    size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, static_cast<DWORD>(values.size()), name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

struct EnumKeyCase {
    const char* name;
    std::string subkey;
    DWORD bufferChars;
    LONG expected;
};

class EnumKeyBufferTest : public RegistryStoreTest, public ::testing::WithParamInterface<EnumKeyCase> {};

TEST_P(EnumKeyBufferTest, WritesTheNameOnlyWhenItFitsWithItsZero) {
    const EnumKeyCase& c = GetParam();
    HKEY key = Create(HKEY_CURRENT_USER, "Parent");
    CreateAndClose(key, c.subkey.c_str());
    std::string buffer(c.bufferChars + 1, '#');
    DWORD size = c.bufferChars;
    EXPECT_EQ(RegEnumKeyExA(key, 0, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr), c.expected);
    if (c.expected == ERROR_SUCCESS) {
        EXPECT_EQ(size, c.subkey.size());
        EXPECT_EQ(buffer.substr(0, size + 1), c.subkey + std::string(1, '\0'));
    } else {
        // Nothing written and the size left as it was, as Wine does.
        EXPECT_EQ(size, c.bufferChars);
        EXPECT_EQ(buffer, std::string(c.bufferChars + 1, '#'));
    }
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Buffers, EnumKeyBufferTest,
                         ::testing::Values(EnumKeyCase{"Fits", "zeta", 5, ERROR_SUCCESS},
                                           EnumKeyCase{"NoRoomForTheZero", "zeta", 4, ERROR_MORE_DATA},
                                           EnumKeyCase{"Empty", "zeta", 0, ERROR_MORE_DATA},
                                           EnumKeyCase{"Name255In256", std::string(255, 'a'), 256, ERROR_SUCCESS},
                                           EnumKeyCase{"Name256In256", std::string(256, 'b'), 256, ERROR_MORE_DATA},
                                           EnumKeyCase{"Name256In257", std::string(256, 'b'), 257, ERROR_SUCCESS}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EnumValueCase {
    const char* name;
    DWORD nameChars;
    DWORD dataBytes;
    LONG expected;
    DWORD nameSize;
    std::string nameBuffer;  // '#' for an untouched char
    DWORD dataSize;
    std::string dataBuffer;  // '.' for an untouched byte
};

class EnumValueBufferTest : public RegistryStoreTest, public ::testing::WithParamInterface<EnumValueCase> {};

TEST_P(EnumValueBufferTest, FillsWhatFitsAsWineDoes) {
    const EnumValueCase& c = GetParam();
    HKEY key = Create(HKEY_CURRENT_USER, "Parent");
    SetText(key, "_under", "u");
    std::string name(c.nameChars + 1, '#');
    std::string data(c.dataBytes + 1, '.');
    DWORD nameSize = c.nameChars;
    DWORD dataSize = c.dataBytes;
    DWORD type = kUntouched;
    EXPECT_EQ(
        RegEnumValueA(key, 0, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataSize),
        c.expected);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(nameSize, c.nameSize);
    EXPECT_EQ(name, c.nameBuffer);
    EXPECT_EQ(dataSize, c.dataSize);
    EXPECT_EQ(data, c.dataBuffer);
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, EnumValueBufferTest,
    ::testing::Values(
        EnumValueCase{"BothFit", 8, 4, ERROR_SUCCESS, 6, std::string("_under\0##", 9), 2, std::string("u\0...", 5)},
        // The name is cut to what fits, with a zero; its size stays; the data is still written.
        EnumValueCase{"NameTooSmall", 5, 4, ERROR_MORE_DATA, 5, std::string("_und\0#", 6), 2, std::string("u\0...", 5)},
        EnumValueCase{"NameEmpty", 0, 4, ERROR_MORE_DATA, 0, "#", 2, std::string("u\0...", 5)},
        // Data that does not fit stops everything but its size.
        EnumValueCase{"DataTooSmall", 8, 1, ERROR_MORE_DATA, 8, "#########", 2, ".."},
        EnumValueCase{"BothTooSmall", 3, 1, ERROR_MORE_DATA, 3, "####", 2, ".."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, EnumeratingIndexZeroWhileDeletingEmptiesTheKey) {
    HKEY tree = Create(HKEY_CURRENT_USER, "Tree");
    for (const char* name : {"One", "two", "THREE", "four"}) CreateAndClose(tree, name);
    Names deleted;
    char name[64];
    DWORD size = sizeof name;
    while (RegEnumKeyExA(tree, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        deleted.emplace_back(name);
        ASSERT_EQ(RegDeleteKeyA(tree, name), ERROR_SUCCESS);
        size = sizeof name;
    }
    EXPECT_EQ(deleted, (Names{"four", "One", "THREE", "two"}));
    RegCloseKey(tree);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree"), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, ""), Names{});
}

// --- deletion ------------------------------------------------------------

struct DeleteCase {
    const char* name;
    HKEY parent;
    const char* subKey;
    LONG expected;
    Names leftBelowParent;
};

class DeleteKeyTest : public RegistryStoreTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteKeyTest, DeletesOnlyAKeyWithoutSubkeys) {
    const DeleteCase& c = GetParam();
    CreateAndClose(HKEY_CURRENT_USER, "Parent\\Child\\Grandchild");
    CreateAndClose(HKEY_CURRENT_USER, "Parent\\Leaf");
    EXPECT_EQ(RegDeleteKeyA(c.parent, c.subKey), c.expected);
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, "Parent"), c.leftBelowParent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeleteKeyTest,
    ::testing::Values(
        DeleteCase{"Leaf", HKEY_CURRENT_USER, "parent\\LEAF", ERROR_SUCCESS, {"Child"}},
        DeleteCase{"WithSubkeys", HKEY_CURRENT_USER, "Parent\\Child", ERROR_ACCESS_DENIED, {"Child", "Leaf"}},
        DeleteCase{"Deepest", HKEY_CURRENT_USER, "Parent\\Child\\Grandchild", ERROR_SUCCESS, {"Child", "Leaf"}},
        DeleteCase{"Missing", HKEY_CURRENT_USER, "Parent\\Missing", ERROR_FILE_NOT_FOUND, {"Child", "Leaf"}},
        DeleteCase{"NullName", HKEY_CURRENT_USER, nullptr, ERROR_INVALID_PARAMETER, {"Child", "Leaf"}},
        DeleteCase{"Root", HKEY_CURRENT_USER, "", ERROR_ACCESS_DENIED, {"Child", "Leaf"}},
        DeleteCase{"OtherRoot", HKEY_CLASSES_ROOT, "Parent\\Leaf", ERROR_FILE_NOT_FOUND, {"Child", "Leaf"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, AnEmptyNameDeletesTheKeyBehindTheHandle) {
    HKEY key = Create(HKEY_CURRENT_USER, "Parent\\Self");
    EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
    EXPECT_FALSE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "Parent\\Self"));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// Each call, other than RegCloseKey, that takes a key handle; each must fail on
// a handle to no usable key without creating anything.
const std::vector<std::pair<const char*, std::function<LONG(HKEY)>>>& CallsOnAHandle() {
    static const std::vector<std::pair<const char*, std::function<LONG(HKEY)>>> calls{
        {"RegOpenKeyExA",
         [](HKEY handle) {
             HKEY key = kPoison;
             LONG result = RegOpenKeyExA(handle, "", 0, KEY_READ, &key);
             EXPECT_EQ(key, nullptr);
             return result;
         }},
        {"RegCreateKeyExA",
         [](HKEY handle) {
             HKEY key = kPoison;
             LONG result = RegCreateKeyExA(handle, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
             EXPECT_EQ(key, nullptr);
             return result;
         }},
        {"RegSetValueExA",
         [](HKEY handle) { return RegSetValueExA(handle, "New", 0, REG_SZ, reinterpret_cast<const BYTE*>("n"), 2); }},
        {"RegQueryValueExA",
         [](HKEY handle) { return RegQueryValueExA(handle, "Kept", nullptr, nullptr, nullptr, nullptr); }},
        {"RegEnumKeyExA",
         [](HKEY handle) {
             char name[8];
             DWORD size = sizeof name;
             return RegEnumKeyExA(handle, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
         }},
        {"RegEnumValueA",
         [](HKEY handle) {
             char name[8];
             DWORD size = sizeof name;
             return RegEnumValueA(handle, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
         }},
        {"RegDeleteKeyA", [](HKEY handle) { return RegDeleteKeyA(handle, ""); }},
    };
    return calls;
}

TEST_F(RegistryStoreTest, EveryCallOnAHandleToADeletedKeyFailsUntilItIsClosed) {
    HKEY doomed = Create(HKEY_CURRENT_USER, "Doomed");
    SetText(doomed, "Kept", "k");
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "doomed"), ERROR_SUCCESS);
    for (const auto& [function, call] : CallsOnAHandle()) {
        SCOPED_TRACE(function);
        EXPECT_EQ(call(doomed), ERROR_KEY_DELETED);
    }
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, ""), Names{});
    // A key made again under the same name is a new, empty one.
    HKEY reborn = Create(HKEY_CURRENT_USER, "Doomed");
    EXPECT_EQ(RegQueryValueExA(reborn, "Kept", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(doomed, "Kept", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 2);
    EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reborn), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
}

// --- handles -------------------------------------------------------------

TEST_F(RegistryStoreTest, ClosingARootClosesNothingAndAClosedHandleIsInvalid) {
    EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
    HKEY key = Create(HKEY_CLASSES_ROOT, "StillThere");
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    // Handle values are not reused, so a stale one cannot reach a newer key.
    HKEY newer = Create(HKEY_CLASSES_ROOT, "Newer");
    EXPECT_NE(newer, key);
    RegCloseKey(newer);
}

TEST_F(RegistryStoreTest, ClearingForgetsOpenHandles) {
    HKEY key = Create(HKEY_CURRENT_USER, "Before");
    hostsim::ClearRegistry();
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
    EXPECT_FALSE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "Before"));
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStoreTest, UnknownHandlesAndOtherRootsAreInvalid) {
    for (HKEY handle : {kLocalMachine, static_cast<HKEY>(nullptr), kPoison}) {
        SCOPED_TRACE(hostsim::AddressText(handle));
        for (const auto& [function, call] : CallsOnAHandle()) {
            SCOPED_TRACE(function);
            EXPECT_EQ(call(handle), ERROR_INVALID_HANDLE);
        }
        EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, ""), Names{});
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CLASSES_ROOT, ""), Names{});
}

// --- injected failures and the call log ----------------------------------

struct InjectionCase {
    const char* name;  // of the function
    std::function<LONG(HKEY key, HKEY* out)> call;
    bool nullsTheHandle;
};

class InjectedFailureTest : public RegistryStoreTest, public ::testing::WithParamInterface<InjectionCase> {};

TEST_P(InjectedFailureTest, FailsWithTheCodeAndChangesNothing) {
    const InjectionCase& c = GetParam();
    HKEY key = Create(HKEY_CURRENT_USER, "Key");
    SetText(key, "Value", "kept");
    CreateAndClose(key, "Child");
    hostsim::FailCall(c.name, 1, kInjected);
    HKEY out = kPoison;
    EXPECT_EQ(c.call(key, &out), kInjected);
    EXPECT_EQ(out, c.nullsTheHandle ? nullptr : kPoison);
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, "Key"), Names{"Child"});
    EXPECT_EQ(hostsim::RegistryValueNames(HKEY_CURRENT_USER, "Key"), Names{"Value"});
    EXPECT_EQ(hostsim::ReadRegistryValue(HKEY_CURRENT_USER, "Key", "Value"),
              (hostsim::StoredValue{REG_SZ, BytesOf(std::string("kept", 5))}));
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 1);
    // Armed for one call only.
    EXPECT_EQ(c.call(key, &out), ERROR_SUCCESS);
    if (out != kPoison) RegCloseKey(out);
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, InjectedFailureTest,
    ::testing::Values(
        InjectionCase{"RegOpenKeyExA",
                      [](HKEY key, HKEY* out) { return RegOpenKeyExA(key, "Child", 0, KEY_READ, out); }, true},
        InjectionCase{"RegCreateKeyExA",
                      [](HKEY key, HKEY* out) {
                          return RegCreateKeyExA(key, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, out, nullptr);
                      },
                      true},
        InjectionCase{"RegSetValueExA",
                      [](HKEY key, HKEY*) {
                          return RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("changed"), 8);
                      },
                      false},
        InjectionCase{
            "RegQueryValueExA",
            [](HKEY key, HKEY*) { return RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, nullptr); }, false},
        InjectionCase{"RegEnumKeyExA",
                      [](HKEY key, HKEY*) {
                          char name[16];
                          DWORD size = sizeof name;
                          return RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
                      },
                      false},
        InjectionCase{"RegEnumValueA",
                      [](HKEY key, HKEY*) {
                          char name[16];
                          DWORD size = sizeof name;
                          return RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
                      },
                      false},
        InjectionCase{"RegDeleteKeyA", [](HKEY key, HKEY*) { return RegDeleteKeyA(key, "Child"); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, AnInjectedCloseFailureStillReleasesTheHandle) {
    HKEY key = Create(HKEY_CURRENT_USER, "Key");
    hostsim::FailCall("RegCloseKey", 1, kInjected);
    EXPECT_EQ(RegCloseKey(key), kInjected);
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStoreTest, TheNthCallIsTheOneThatFails) {
    hostsim::CreateRegistryKey(HKEY_CLASSES_ROOT, "CLSID");
    hostsim::FailCall("RegOpenKeyExA", 2, kInjected);
    std::vector<LONG> results;
    for (int call = 0; call < 3; ++call) {
        HKEY key = nullptr;
        results.push_back(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &key));
        if (key != nullptr) RegCloseKey(key);
    }
    EXPECT_EQ(results, (std::vector<LONG>{ERROR_SUCCESS, kInjected, ERROR_SUCCESS}));
}

TEST_F(RegistryStoreTest, EachCallIsRecordedWithTheKeyItActsOn) {
    hostsim::StartRecording();
    HKEY key = Create(HKEY_CLASSES_ROOT, "CLSID\\{X}");
    SetText(key, "ThreadingModel", "Apartment");
    SetText(key, nullptr, "Quor6Link");
    RegQueryValueExA(key, "threadingmodel", nullptr, nullptr, nullptr, nullptr);
    char name[32];
    DWORD size = sizeof name;
    RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    size = sizeof name;
    RegEnumValueA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr);
    HKEY root = Open(HKEY_CLASSES_ROOT, "");
    RegDeleteKeyA(root, "clsid\\{x}");
    RegCloseKey(root);
    RegCloseKey(key);
    RegCloseKey(kPoison);
    hostsim::StopRecording();
    const std::string path = "HKEY_CLASSES_ROOT\\CLSID\\{X}";
    EXPECT_EQ(hostsim::RecordedCalls(), (std::vector<RecordedCall>{
                                            {"RegCreateKeyExA", path},
                                            {"RegSetValueExA", path + " [ThreadingModel]"},
                                            {"RegSetValueExA", path + " []"},
                                            {"RegQueryValueExA", path + " [threadingmodel]"},
                                            {"RegEnumKeyExA", path + " #0"},
                                            {"RegEnumValueA", path + " #1"},
                                            {"RegOpenKeyExA", "HKEY_CLASSES_ROOT"},
                                            {"RegDeleteKeyA", "HKEY_CLASSES_ROOT\\clsid\\{x}"},
                                            {"RegCloseKey", "HKEY_CLASSES_ROOT"},
                                            {"RegCloseKey", path},
                                            {"RegCloseKey", "<invalid handle " + hostsim::AddressText(kPoison) + ">"},
                                        }));
}

// --- test controls -------------------------------------------------------

TEST_F(RegistryStoreTest, ControlsAreNeitherRecordedNorCountedForInjectedFailures) {
    hostsim::FailCall("RegCreateKeyExA", 1, kInjected);
    hostsim::StartRecording();
    EXPECT_TRUE(hostsim::CreateRegistryKey(HKEY_CURRENT_USER, "Software\\Quor6Link"));
    EXPECT_TRUE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "SOFTWARE\\quor6link"));
    EXPECT_TRUE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, ""));
    EXPECT_FALSE(hostsim::RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_FALSE(hostsim::CreateRegistryKey(kLocalMachine, "Software"));
    EXPECT_FALSE(hostsim::RegistryKeyExists(kLocalMachine, ""));
    EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, "Missing"), Names{});
    EXPECT_EQ(hostsim::ReadRegistryValue(HKEY_CURRENT_USER, "Software", "Missing"), std::nullopt);
    EXPECT_EQ(hostsim::ReadRegistryValue(HKEY_CURRENT_USER, "Missing", ""), std::nullopt);
    EXPECT_TRUE(hostsim::RecordedCalls().empty());
    HKEY key = kPoison;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              kInjected);
}

// --- threads -------------------------------------------------------------

TEST_F(RegistryStoreTest, ConcurrentCallersEachSeeTheirOwnKeys) {
    constexpr int kThreads = 4;
    constexpr int kKeysEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string base = "Shared\\Thread" + std::to_string(t);
            for (int k = 0; k < kKeysEach; ++k) {
                HKEY key = nullptr;
                const std::string path = base + "\\Key" + std::to_string(k);
                if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) != ERROR_SUCCESS) {
                    continue;
                }
                RegSetValueExA(key, "Index", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                               static_cast<DWORD>(path.size() + 1));
                char name[32];
                DWORD size = sizeof name;
                RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
                RegCloseKey(key);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    const Names perThread = hostsim::RegistrySubkeys(HKEY_CURRENT_USER, "Shared");
    ASSERT_EQ(perThread.size(), static_cast<std::size_t>(kThreads));
    for (const std::string& thread : perThread) {
        EXPECT_EQ(hostsim::RegistrySubkeys(HKEY_CURRENT_USER, "Shared\\" + thread).size(),
                  static_cast<std::size_t>(kKeysEach));
    }
    EXPECT_EQ(hostsim::OpenRegistryHandles(), 0);
}

}  // namespace
