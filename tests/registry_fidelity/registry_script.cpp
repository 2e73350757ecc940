// A fixed sequence of registry calls, one line per call, then a dump of both
// scratch trees. Built against the host's simulated store and against the real
// API (run under Wine); the two transcripts must be identical, so everything
// printed has to be deterministic: no handle values, no timestamps.
#include "platform/win32_api.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kUserScratch[] = "Software\\Quor6LinkFidelity";
const char kClassesScratch[] = "Quor6LinkFidelity";

// Preset into out-parameters so that "left alone" differs from "set to null".
HKEY const kUntouchedKey = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x5A5A5A5Bu));
constexpr DWORD kUntouched = 0xDEADu;
constexpr BYTE kFill = 0xCC;
constexpr char kNameFill = '#';

struct Key {
    HKEY handle;
    std::string label;
};

std::string Number(unsigned long value) {
    return std::to_string(value);
}

std::string ResultText(LONG code) {
    struct Known {
        LONG code;
        const char* name;
    };
    static const Known known[] = {
        {0, "ERROR_SUCCESS"},           {2, "ERROR_FILE_NOT_FOUND"},   {5, "ERROR_ACCESS_DENIED"},
        {6, "ERROR_INVALID_HANDLE"},    {87, "ERROR_INVALID_PARAMETER"}, {161, "ERROR_BAD_PATHNAME"},
        {234, "ERROR_MORE_DATA"},       {259, "ERROR_NO_MORE_ITEMS"},  {1018, "ERROR_KEY_DELETED"},
    };
    for (const Known& entry : known) {
        if (entry.code == code) return std::to_string(code) + " " + entry.name;
    }
    return std::to_string(code);
}

// Long names are printed by their shape so the transcript stays readable.
std::string NameText(const char* name) {
    if (name == nullptr) return "NULL";
    std::string text = name;
    if (text.size() > 40) {
        return "\"" + text.substr(0, 4) + "...\"(" + Number(static_cast<unsigned long>(text.size())) + " chars)";
    }
    return "\"" + text + "\"";
}

std::string NameText(const std::string& name) {
    return NameText(name.c_str());
}

std::string Hex(const BYTE* data, DWORD size) {
    std::string text;
    char byte[4];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", data[i]);
        text += byte;
    }
    return text.empty() ? "-" : text;
}

std::string HandleText(HKEY handle) {
    if (handle == kUntouchedKey) return "untouched";
    return handle == nullptr ? "NULL" : "set";
}

std::string DwordText(DWORD value) {
    return value == kUntouched ? "untouched" : Number(value);
}

void Print(const std::string& call, LONG result, const std::string& outputs = {}) {
    std::printf("%s -> %s%s%s\n", call.c_str(), ResultText(result).c_str(), outputs.empty() ? "" : " ",
                outputs.c_str());
}

void Section(const char* title) {
    std::printf("\n# %s\n", title);
}

Key Open(const Key& parent, const char* subKey, const std::string& label) {
    HKEY handle = kUntouchedKey;
    LONG result = RegOpenKeyExA(parent.handle, subKey, 0, KEY_ALL_ACCESS, &handle);
    Print("RegOpenKeyExA(" + parent.label + ", " + NameText(subKey) + ")", result, "handle=" + HandleText(handle));
    return {result == ERROR_SUCCESS ? handle : nullptr, label};
}

Key Create(const Key& parent, const char* subKey, const std::string& label) {
    HKEY handle = kUntouchedKey;
    DWORD disposition = kUntouched;
    LONG result = RegCreateKeyExA(parent.handle, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  &handle, &disposition);
    std::string dispositionText = disposition == REG_CREATED_NEW_KEY       ? "created"
                                  : disposition == REG_OPENED_EXISTING_KEY ? "existing"
                                                                           : DwordText(disposition);
    Print("RegCreateKeyExA(" + parent.label + ", " + NameText(subKey) + ")", result,
          "handle=" + HandleText(handle) + " disposition=" + dispositionText);
    return {result == ERROR_SUCCESS ? handle : nullptr, label};
}

void Close(const Key& key) {
    Print("RegCloseKey(" + key.label + ")", RegCloseKey(key.handle));
}

void DeleteKey(const Key& parent, const char* subKey) {
    Print("RegDeleteKeyA(" + parent.label + ", " + NameText(subKey) + ")", RegDeleteKeyA(parent.handle, subKey));
}

// `size` is what the caller claims; `bytes` may hold more than it claims.
void SetValue(const Key& key, const char* name, const std::string& bytes, DWORD size) {
    std::string shown;
    for (char c : bytes) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    LONG result = RegSetValueExA(key.handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()), size);
    Print("RegSetValueExA(" + key.label + ", " + NameText(name) + ", REG_SZ, \"" + shown + "\", " + Number(size) + ")",
          result);
}

constexpr int kNoBuffer = -1;
constexpr int kNoBufferNoSize = -2;
constexpr int kBufferNoSize = -3;

void QueryValue(const Key& key, const char* name, int bufferSize) {
    // One spare byte, never offered: shows overruns, and keeps a zero-sized buffer a real pointer.
    std::vector<BYTE> buffer((bufferSize > 0 ? bufferSize : 0) + 1, kFill);
    DWORD type = kUntouched;
    DWORD size = bufferSize >= 0 ? static_cast<DWORD>(bufferSize) : kUntouched;
    bool withBuffer = bufferSize >= 0 || bufferSize == kBufferNoSize;
    bool withSize = bufferSize >= 0 || bufferSize == kNoBuffer;
    LONG result = RegQueryValueExA(key.handle, name, nullptr, &type, withBuffer ? buffer.data() : nullptr,
                                   withSize ? &size : nullptr);
    std::string bufferText = bufferSize >= 0 ? Number(bufferSize)
                             : withBuffer    ? "set, size NULL"
                             : withSize      ? "NULL"
                                             : "NULL, size NULL";
    Print("RegQueryValueExA(" + key.label + ", " + NameText(name) + ", buffer " + bufferText + ")", result,
          "type=" + DwordText(type) + " size=" + DwordText(size) +
              (bufferSize >= 0 ? " buffer=" + Hex(buffer.data(), static_cast<DWORD>(bufferSize)) : "") +
              (buffer.back() != kFill ? " overflowed" : ""));
}

// The buffer's last char is a spare beyond what was offered to the call.
std::string NameBufferText(const std::vector<char>& buffer) {
    if (buffer.back() != kNameFill) return "overflowed";
    std::string text(buffer.begin(), buffer.end() - 1);
    std::size_t end = text.find('\0');
    if (end == std::string::npos) {
        return text.find_first_not_of(kNameFill) == std::string::npos ? "untouched" : "unterminated";
    }
    return NameText(text.substr(0, end));
}

void EnumKey(const Key& key, DWORD index, DWORD nameChars) {
    // One spare char, never offered, keeps even a zero-sized buffer a real pointer.
    std::vector<char> name(nameChars + 1, kNameFill);
    DWORD size = nameChars;
    LONG result = RegEnumKeyExA(key.handle, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    Print("RegEnumKeyExA(" + key.label + ", " + Number(index) + ", buffer " + Number(nameChars) + ")", result,
          "size=" + Number(size) + " name=" + NameBufferText(name));
}

void EnumValue(const Key& key, DWORD index, DWORD nameChars, DWORD dataBytes) {
    std::vector<char> name(nameChars + 1, kNameFill);
    std::vector<BYTE> data(dataBytes + 1, kFill);
    DWORD nameSize = nameChars;
    DWORD dataSize = dataBytes;
    DWORD type = kUntouched;
    LONG result = RegEnumValueA(key.handle, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    Print("RegEnumValueA(" + key.label + ", " + Number(index) + ", name " + Number(nameChars) + ", data " +
              Number(dataBytes) + ")",
          result,
          "nameSize=" + Number(nameSize) + " name=" + NameBufferText(name) + " type=" + DwordText(type) +
              " dataSize=" + Number(dataSize) + " data=" + Hex(data.data(), dataBytes) +
              (data.back() != kFill ? " overflowed" : ""));
}

// Quietly: the state before the run differs between a first run and a rerun.
void DeleteTree(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[1024];
    for (;;) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteTree(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path.c_str());
}

void Dump(HKEY parent, const std::string& path, const std::string& shownPath) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) {
        std::printf("[%s] cannot open: %s\n", shownPath.c_str(), ResultText(result).c_str());
        return;
    }
    std::printf("[%s]\n", shownPath.c_str());
    for (DWORD index = 0;; ++index) {
        char name[1024];
        BYTE data[4096];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = kUntouched;
        result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result != ERROR_SUCCESS) break;
        std::printf("  value %s type=%lu size=%lu data=%s\n", NameText(name).c_str(), static_cast<unsigned long>(type),
                    static_cast<unsigned long>(dataSize), Hex(data, dataSize).c_str());
    }
    std::vector<std::string> subkeys;
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.emplace_back(name);
    }
    for (const std::string& subkey : subkeys) {
        std::string shownName = subkey.size() > 40 ? NameText(subkey) : subkey;
        Dump(key, subkey, shownPath + "\\" + shownName);
    }
    RegCloseKey(key);
}

}  // namespace

int main() {
    const Key userRoot{HKEY_CURRENT_USER, "HKCU"};
    const Key classesRoot{HKEY_CLASSES_ROOT, "HKCR"};
    DeleteTree(HKEY_CURRENT_USER, kUserScratch);
    DeleteTree(HKEY_CLASSES_ROOT, kClassesScratch);

    Section("create and open");
    Key user = Create(userRoot, kUserScratch, "U");
    Key classes = Create(classesRoot, kClassesScratch, "C");
    Close(Create(classesRoot, kClassesScratch, "C2"));
    Close(Open(userRoot, kUserScratch, "U2"));
    Open(user, "Missing", "M");
    Open(user, "Missing\\Deeper", "M");
    Close(Create(user, "Level1\\Level2\\Level3", "L3"));
    Close(Open(user, "Level1", "L1"));
    Close(Open(user, "Level1\\Level2\\Level3", "L3"));
    Close(Create(user, "Level1\\Level2", "L2"));
    Close(Open(user, "", "U.empty"));
    Close(Open(user, nullptr, "U.null"));
    Close(Open(classesRoot, "", "HKCR.empty"));
    Close(Create(user, "Doubled\\\\Backslash\\", "DB"));
    Close(Open(user, "Doubled\\Backslash", "DB"));
    Open(user, "\\Leading", "LB");
    Create(user, "\\Leading", "LB");

    Section("case");
    Close(Create(user, "MixedCase", "K"));
    Close(Open(user, "MIXEDCASE", "K"));
    Close(Create(user, "mixedcase", "K"));
    Close(Open(user, "mixedCASE\\", "K.trailing"));

    Section("values");
    Key values = Create(classes, "Values", "V");
    SetValue(values, "Text", std::string("abc", 4), 4);
    SetValue(values, nullptr, std::string("first", 6), 6);
    SetValue(values, "", std::string("second", 7), 7);
    SetValue(values, "Empty", std::string("", 1), 1);
    SetValue(values, "Uncounted", std::string("abc", 4), 3);
    SetValue(values, "Unterminated", "abcX", 3);
    SetValue(values, "Overwritten", std::string("longer text", 12), 12);
    SetValue(values, "OVERWRITTEN", std::string("xy", 3), 3);
    SetValue(values, "ZeroBytes", std::string("", 1), 0);
    QueryValue(values, "Text", 8);
    QueryValue(values, "TEXT", kNoBuffer);
    QueryValue(values, "Text", kNoBufferNoSize);
    QueryValue(values, "Text", kBufferNoSize);
    QueryValue(values, "Text", 2);
    QueryValue(values, "Text", 0);
    QueryValue(values, nullptr, 8);
    QueryValue(values, "", 8);
    QueryValue(values, "Empty", 4);
    QueryValue(values, "Uncounted", 8);
    QueryValue(values, "Unterminated", 8);
    QueryValue(values, "Unterminated", 3);
    QueryValue(values, "overwritten", 8);
    QueryValue(values, "ZeroBytes", 4);
    QueryValue(values, "Missing", 8);
    QueryValue(values, "Missing", kNoBuffer);
    QueryValue(classes, nullptr, 8);
    QueryValue(classes, "", kNoBuffer);
    for (DWORD index = 0; index < 8; ++index) EnumValue(values, index, 16, 16);

    Section("value enumeration");
    Key order = Create(classes, "ValueOrder", "VO");
    SetValue(order, "zeta", std::string("z", 2), 2);
    SetValue(order, "Alpha", std::string("a", 2), 2);
    SetValue(order, "_under", std::string("u", 2), 2);
    SetValue(order, "beta", std::string("b", 2), 2);
    SetValue(order, "{brace", std::string("{", 2), 2);
    SetValue(order, nullptr, std::string("d", 2), 2);
    for (DWORD index = 0; index < 7; ++index) EnumValue(order, index, 16, 8);
    EnumValue(order, 1, 5, 8);
    EnumValue(order, 1, 6, 8);
    EnumValue(order, 1, 16, 1);
    EnumValue(order, 1, 5, 1);
    EnumValue(order, 0, 0, 8);
    EnumValue(order, 1, 16, 0);
    EnumValue(order, 1, 0, 0);
    Close(order);

    Section("subkey enumeration");
    Key keyOrder = Create(user, "KeyOrder", "KO");
    for (const char* name : {"zeta", "Alpha", "_under", "beta", "{0D1E2F30-0000-0000-0000-000000000000}", "Beta2",
                             "[bracket", "~tilde"}) {
        Close(Create(keyOrder, name, "new"));
    }
    for (DWORD index = 0; index < 9; ++index) EnumKey(keyOrder, index, 64);
    EnumKey(keyOrder, 7, 4);
    EnumKey(keyOrder, 7, 5);
    EnumKey(keyOrder, 7, 0);
    EnumKey(keyOrder, 8, 0);
    Close(keyOrder);

    Section("long key names");
    Key longNames = Create(user, "LongNames", "LN");
    const std::string name255(255, 'a');
    const std::string name256(256, 'b');
    const std::string name257(257, 'c');
    Close(Create(longNames, name255.c_str(), "A255"));
    Close(Create(longNames, name256.c_str(), "B256"));
    Create(longNames, name257.c_str(), "C257");
    Close(Open(longNames, name256.c_str(), "B256"));
    Open(longNames, name257.c_str(), "C257");
    Create(longNames, ("Partial\\" + name257).c_str(), "P257");
    Open(longNames, "Partial", "P");
    const std::string argument261(261, 'd');
    Open(longNames, argument261.c_str(), "D261");
    Create(longNames, argument261.c_str(), "D261");
    DeleteKey(longNames, argument261.c_str());
    DeleteKey(longNames, name257.c_str());
    for (DWORD index = 0; index < 4; ++index) EnumKey(longNames, index, 256);
    EnumKey(longNames, 1, 257);
    EnumKey(longNames, 1, 258);
    Close(longNames);

    Section("tree delete by index 0");
    Key tree = Create(user, "Tree", "T");
    for (const char* name : {"One", "two", "THREE", "four"}) Close(Create(tree, name, "child"));
    for (int round = 0; round < 6; ++round) {
        char name[64];
        DWORD size = sizeof name;
        LONG result = RegEnumKeyExA(tree.handle, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
        Print("RegEnumKeyExA(T, 0, buffer 64)", result,
              "size=" + Number(size) + (result == ERROR_SUCCESS ? " name=" + NameText(name) : ""));
        if (result != ERROR_SUCCESS) break;
        DeleteKey(tree, name);
    }
    Close(tree);
    DeleteKey(user, "Tree");
    Open(user, "Tree", "T");

    Section("delete");
    DeleteKey(user, "Level1");
    DeleteKey(user, "Missing");
    DeleteKey(user, "Missing\\Deeper");
    DeleteKey(user, "Level1\\Level2\\Level3");
    DeleteKey(user, "level1\\LEVEL2");
    DeleteKey(user, nullptr);
    Key self = Create(user, "SelfDelete", "S");
    DeleteKey(self, "");
    Close(self);
    Open(user, "SelfDelete", "S");

    Section("handles to a deleted key");
    Key doomed = Create(user, "Doomed", "D");
    SetValue(doomed, "Kept", std::string("k", 2), 2);
    Close(Create(doomed, "Child", "DC"));
    Key doomedAgain = Open(user, "Doomed", "D2");
    DeleteKey(user, "Doomed\\Child");
    DeleteKey(user, "doomed");
    QueryValue(doomed, "Kept", 8);
    QueryValue(doomed, "Kept", kNoBuffer);
    SetValue(doomed, "New", std::string("n", 2), 2);
    EnumKey(doomed, 0, 64);
    EnumValue(doomed, 0, 16, 8);
    Open(doomed, "", "D.empty");
    Open(doomed, "Child", "D.child");
    Create(doomed, "Child", "D.child");
    DeleteKey(doomed, "Child");
    Key reborn = Create(user, "Doomed", "R");
    QueryValue(reborn, "Kept", 8);
    QueryValue(doomed, "Kept", 8);
    QueryValue(doomedAgain, "Kept", 8);
    Close(doomed);
    Close(doomedAgain);
    Close(reborn);

    Section("close");
    Close(classesRoot);
    Close(Open(classesRoot, kClassesScratch, "C2"));
    Key twice = Open(user, "MixedCase", "K");
    Close(twice);
    Close(twice);
    QueryValue(twice, "Text", kNoBuffer);
    Close(Key{nullptr, "NULL"});

    Close(values);
    Close(classes);
    Close(user);

    Section("dump");
    Dump(HKEY_CURRENT_USER, kUserScratch, std::string("HKCU\\") + kUserScratch);
    Dump(HKEY_CLASSES_ROOT, kClassesScratch, std::string("HKCR\\") + kClassesScratch);
    DeleteTree(HKEY_CURRENT_USER, kUserScratch);
    DeleteTree(HKEY_CLASSES_ROOT, kClassesScratch);
    return 0;
}
