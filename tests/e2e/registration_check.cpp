// Registers QUOR6LINK.dll with Wine's own regsvr32.exe, the way a user or an
// installer does, and reads back what that left in the registry. Every case
// first puts the keys it depends on into a known state, so no case relies on
// another one or on an earlier run. Run it under Wine with the DLL's Windows
// path as the only argument.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/e2e_report.h"

namespace {

const char kDevStudio[] = "Software\\Microsoft\\DevStudio";
const char kAddInList[] = "Software\\Microsoft\\DevStudio\\6.0\\AddIns";
const char kAddInName[] = "Quor.DSAddIn.1";
const std::string kAddInKey = std::string(kAddInList) + "\\" + kAddInName;
const char kDescription[] = "Adds Integration of KYR V5 TULM products inside Developer Studio";
const char kDisplayName[] = "KYR V5 Quor Addin";
// What a class registration would create; registering the add-in must not.
const char* const kClassKeys[] = {
    "Quor.DSAddIn.1",
    "QUOR6LINK Developer Studio Add-in",
    "CLSID\\{3FD687E9-DE8C-11D1-A602-00A0C9566593}",
};
const DWORD kRegsvr32Timeout = 60000;

std::string TypeText(DWORD type) {
    switch (type) {
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_QWORD: return "REG_QWORD";
        case REG_NONE: return "REG_NONE";
        default: return "type " + std::to_string(type);
    }
}

// ---- registry snapshots -----------------------------------------------------

struct Value {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const Value&) const = default;
};

std::string ValueText(const Value& v) {
    std::string text = TypeText(v.type) + " ";
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && !v.bytes.empty() && v.bytes.back() == '\0' &&
        v.bytes.find('\0') == v.bytes.size() - 1) {
        return text + Quoted(v.bytes.substr(0, v.bytes.size() - 1)) + " (" + std::to_string(v.bytes.size()) +
               " bytes)";
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(v.bytes.data());
    text += "[" + BytesText(bytes, std::min<size_t>(v.bytes.size(), 24));
    if (v.bytes.size() > 24) text += " ...";
    return text + "] (" + std::to_string(v.bytes.size()) + " bytes)";
}

// Key paths and, per key, its values by name ("" is the default value).
struct Tree {
    std::set<std::string> keys;
    std::map<std::pair<std::string, std::string>, Value> values;
    bool operator==(const Tree&) const = default;
};

std::string Join(const std::string& parent, const std::string& child) {
    return parent.empty() ? child : parent + "\\" + child;
}

// Keys are recorded as "<label>\<path>"; missing start keys give an empty tree.
void ReadTree(HKEY root, const std::string& path, const std::string& label, Tree& tree, int depth = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    tree.keys.insert(label);
    DWORD subkeys = 0, maxSubkey = 0, valueCount = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &valueCount, &maxName, &maxData,
                     nullptr, nullptr);
    // Sizes are counted in UTF-16; the ANSI forms are never longer than twice that.
    std::vector<char> name(2 * maxName + 2);
    std::vector<BYTE> data(2 * maxData + 2);
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG rc = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        // Kept as a marker, so that an unreadable value still shows up in a comparison.
        if (rc != ERROR_SUCCESS) {
            tree.values[{label, "#" + std::to_string(i)}] = Value{REG_NONE, "unreadable: " + ErrorText(rc)};
            continue;
        }
        tree.values[{label, std::string(name.data(), nameLength)}] =
            Value{type, std::string(reinterpret_cast<const char*>(data.data()), dataLength)};
    }
    std::vector<std::string> children;
    std::vector<char> child(2 * maxSubkey + 2);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD length = static_cast<DWORD>(child.size());
        if (RegEnumKeyExA(key, i, child.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            children.emplace_back(child.data(), length);
    }
    RegCloseKey(key);
    // Guards against a link that leads back up the tree.
    if (depth >= 32) return;
    for (const std::string& c : children) ReadTree(root, Join(path, c), label + "\\" + c, tree, depth + 1);
}

std::vector<std::string> Differences(const Tree& want, const Tree& got) {
    std::vector<std::string> lines;
    for (const std::string& k : want.keys)
        if (!got.keys.count(k)) lines.push_back("missing key " + k);
    for (const std::string& k : got.keys)
        if (!want.keys.count(k)) lines.push_back("new key " + k);
    auto valueName = [](const std::pair<std::string, std::string>& id) {
        return id.first + " : " + (id.second.empty() ? "(default)" : Quoted(id.second));
    };
    for (const auto& [id, v] : want.values) {
        auto found = got.values.find(id);
        if (found == got.values.end())
            lines.push_back("missing value " + valueName(id) + " = " + ValueText(v));
        else if (!(found->second == v))
            lines.push_back("changed value " + valueName(id) + ": " + ValueText(found->second) + ", expected " +
                            ValueText(v));
    }
    for (const auto& [id, v] : got.values)
        if (!want.values.count(id)) lines.push_back("new value " + valueName(id) + " = " + ValueText(v));
    return lines;
}

bool CheckSame(Report& r, const Tree& want, const Tree& got, const std::string& what) {
    std::vector<std::string> lines = Differences(want, got);
    std::string detail = lines.empty() ? std::to_string(got.keys.size()) + " keys, " +
                                             std::to_string(got.values.size()) + " values as expected"
                                       : std::to_string(lines.size()) + " difference(s)";
    bool ok = r.Check(lines.empty(), what, detail);
    for (size_t i = 0; i < lines.size() && i < 12; ++i) r.Note(lines[i]);
    if (lines.size() > 12) r.Note("...");
    return ok;
}

// The user's whole hive: anything the DLL writes for this user shows here.
Tree UserTree() {
    Tree t;
    ReadTree(HKEY_CURRENT_USER, "", "HKCU", t);
    return t;
}

Tree ClassesTree() {
    Tree t;
    ReadTree(HKEY_CLASSES_ROOT, "", "HKCR", t);
    return t;
}

Tree MachineDevStudioTree() {
    Tree t;
    ReadTree(HKEY_LOCAL_MACHINE, kDevStudio, std::string("HKLM\\") + kDevStudio, t);
    return t;
}

std::string UserLabel(const std::string& path) { return "HKCU\\" + path; }

// ---- registry set-up --------------------------------------------------------

Value Text(const char* s) { return Value{REG_SZ, std::string(s, std::strlen(s) + 1)}; }

Value Dword(DWORD n) { return Value{REG_DWORD, std::string(reinterpret_cast<const char*>(&n), sizeof n)}; }

Value Raw(DWORD type, const std::string& bytes) { return Value{type, bytes}; }

struct PresetValue {
    const char* key;   // below HKCU
    const char* name;  // "" for the default value
    Value value;
};

bool CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool SetValue(HKEY root, const std::string& path, const char* name, const Value& v) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, *name ? name : nullptr, 0, v.type, reinterpret_cast<const BYTE*>(v.bytes.data()),
                             static_cast<DWORD>(v.bytes.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteTree(HKEY root, const char* path) { RegDeleteTreeA(root, path); }

// Leftovers of an interrupted run of a test that registers the class must not
// be mistaken for the DLL's doing.
void ClearClassKeys() {
    for (const char* k : kClassKeys) DeleteTree(HKEY_CLASSES_ROOT, k);
}

// No host, no add-in list at all.
bool ClearHost(Report& r) {
    DeleteTree(HKEY_CURRENT_USER, kDevStudio);
    DeleteTree(HKEY_LOCAL_MACHINE, kDevStudio);
    return r.Check(!KeyExists(HKEY_CURRENT_USER, kDevStudio) && !KeyExists(HKEY_LOCAL_MACHINE, kDevStudio),
                   "set-up: no DevStudio key for this user or the machine");
}

// The host as installed: its add-in list, still empty.
bool EmptyAddInList(Report& r) {
    return ClearHost(r) && r.Check(CreateKey(HKEY_CURRENT_USER, kAddInList), "set-up: empty add-in list HKCU\\" +
                                                                                   std::string(kAddInList));
}

bool Preset(Report& r, const std::vector<PresetValue>& values) {
    bool ok = true;
    for (const PresetValue& p : values) ok &= SetValue(HKEY_CURRENT_USER, p.key, p.name, p.value);
    return r.Check(ok, "set-up: " + std::to_string(values.size()) + " value(s) written beforehand");
}

// ---- regsvr32 ---------------------------------------------------------------

struct Invocation {
    const char* label;
    std::string argument;   // the DLL as named on regsvr32's command line
    std::string directory;  // regsvr32's working directory, "" for ours
    std::string filename;   // the full path the DLL is then loaded from
};

std::string Regsvr32Path() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\regsvr32.exe";
}

// Returns regsvr32's exit status, or a negative number when it did not run.
long RunRegsvr32(Report& r, const char* options, const Invocation& how) {
    std::string command = Quoted(Regsvr32Path()) + " " + options + " " + Quoted(how.argument);
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  how.directory.empty() ? nullptr : how.directory.c_str(), &startup, &process);
    std::string what = "regsvr32 " + std::string(options) + " " + how.argument;
    if (!how.directory.empty()) what += " (in " + how.directory + ")";
    if (!started) {
        r.Check(false, what, "could not start: error " + std::to_string(GetLastError()));
        return -1;
    }
    DWORD waited = WaitForSingleObject(process.hProcess, kRegsvr32Timeout);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (waited != WAIT_OBJECT_0) {
        r.Check(false, what, "did not finish within " + std::to_string(kRegsvr32Timeout / 1000) + " s");
        return -2;
    }
    r.Check(code == 0, what, "exit status " + std::to_string(code) + (code == 0 ? "" : ", expected 0"));
    return static_cast<long>(code);
}

// ---- expectations -----------------------------------------------------------

struct ExpectedText {
    const char* name;
    std::string text;
};

std::vector<ExpectedText> AddInValues(const std::string& filename) {
    return {{"Description", kDescription}, {"DisplayName", kDisplayName}, {"Filename", filename}};
}

// The user's hive as registering should leave it: as before, plus the add-in
// key holding the three texts (replacing any values of those names).
Tree Registered(const Tree& before, const std::string& filename) {
    Tree want = before;
    const std::string label = UserLabel(kAddInKey);
    want.keys.insert(label);
    for (const ExpectedText& e : AddInValues(filename)) want.values[{label, e.name}] = Text(e.text.c_str());
    return want;
}

void CheckAddInValues(Report& r, const std::string& filename) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kAddInKey.c_str(), 0, KEY_READ, &key);
    if (!r.Check(rc == ERROR_SUCCESS, "add-in key HKCU\\" + kAddInKey + " exists", ErrorText(rc))) return;
    for (const ExpectedText& e : AddInValues(filename)) {
        char data[2048];
        std::memset(data, '#', sizeof data);
        DWORD type = REG_NONE;
        DWORD size = sizeof data;
        rc = RegQueryValueExA(key, e.name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        const DWORD wantSize = static_cast<DWORD>(e.text.size() + 1);
        const bool exact = rc == ERROR_SUCCESS && size == wantSize && std::memcmp(data, e.text.c_str(), wantSize) == 0;
        std::string detail;
        if (rc != ERROR_SUCCESS) {
            detail = ErrorText(rc);
        } else {
            detail = TypeText(type) + ", " + std::to_string(size) + " bytes, " +
                     Quoted(std::string(data, strnlen(data, size)));
            if (type != REG_SZ) detail += ", expected REG_SZ";
            if (size != wantSize) detail += ", expected " + std::to_string(wantSize) + " bytes";
            if (!exact) detail += ", expected " + Quoted(e.text);
        }
        r.Check(exact && type == REG_SZ, std::string(e.name), detail);
    }
    RegCloseKey(key);
}

// On a fresh key: these three and nothing else, not even a default value.
void CheckOnlyAddInValues(Report& r) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kAddInKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    std::set<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(std::string(name, length));
    }
    DWORD subkeys = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    LONG rc = RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    std::string listed;
    for (const std::string& n : names) listed += (listed.empty() ? "" : ", ") + (n.empty() ? "(default)" : n);
    r.Check(names == std::set<std::string>{"Description", "DisplayName", "Filename"},
            "exactly Description, DisplayName, Filename", listed.empty() ? "no values" : listed);
    r.Check(rc == ERROR_FILE_NOT_FOUND, "no default value", rc == ERROR_FILE_NOT_FOUND ? "none" : ErrorText(rc));
    r.Check(subkeys == 0, "no subkeys", std::to_string(subkeys));
}

void CheckClassesUntouched(Report& r, const Tree& before) {
    for (const char* k : kClassKeys) {
        bool there = KeyExists(HKEY_CLASSES_ROOT, k);
        r.Check(!there, "no HKCR\\" + std::string(k), there ? "present" : "absent");
    }
    CheckSame(r, before, ClassesTree(), "HKEY_CLASSES_ROOT unchanged");
}

// ---- cases ------------------------------------------------------------------

struct Context {
    std::string dllPath;  // full Windows path
    std::string dllFolder;
    std::string dllName;
    std::vector<Invocation> invocations;
};

void RegisterFresh(Report& r, const Context& c) {
    for (const Invocation& how : c.invocations) {
        r.Section(std::string("Add-in list present, registered by ") + how.label);
        if (!EmptyAddInList(r)) continue;
        const Tree user = UserTree();
        const Tree classes = ClassesTree();
        if (RunRegsvr32(r, "/s", how) != 0) continue;
        CheckAddInValues(r, how.filename);
        CheckOnlyAddInValues(r);
        CheckSame(r, Registered(user, how.filename), UserTree(), "HKCU: only the add-in key and its values are new");
        CheckClassesUntouched(r, classes);
    }
}

// Values of other names, sibling add-ins and subkeys survive; the three names
// are rewritten whatever they held, in type and in size.
void RegisterOverExisting(Report& r, const Context& c) {
    const std::string addIn = kAddInKey;
    const std::string list = kAddInList;
    const std::string other = list + "\\Other.AddIn.1";
    const std::string commands = addIn + "\\Commands";
    const std::vector<PresetValue> kept = {
        {addIn.c_str(), "", Text("a default value set by someone else")},
        {addIn.c_str(), "Extra", Text("kept")},
        {addIn.c_str(), "Count", Dword(7)},
        {addIn.c_str(), "Options", Raw(REG_MULTI_SZ, std::string("one\0two\0\0", 9))},
        {commands.c_str(), "Toolbar", Dword(1)},
        {other.c_str(), "DisplayName", Text("Some other add-in")},
        {other.c_str(), "Filename", Text("C:\\Tools\\other.dll")},
    };
    struct Junk {
        const char* label;
        std::vector<PresetValue> values;
    };
    const std::vector<Junk> junk = {
        {"DisplayName holds a longer text",
         {{addIn.c_str(), "DisplayName", Text("junk junk junk junk junk junk junk junk")}}},
        {"DisplayName holds a REG_DWORD", {{addIn.c_str(), "DisplayName", Dword(0xDEADBEEF)}}},
        {"all three hold other types and stale data",
         {{addIn.c_str(), "Description", Raw(REG_BINARY, std::string("\x01\x02\x03", 3))},
          {addIn.c_str(), "DisplayName", Raw(REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9))},
          {addIn.c_str(), "Filename", Text("C:\\Old Place\\QUOR6LINK.dll")}}},
        {"all three hold empty texts",
         {{addIn.c_str(), "Description", Text("")},
          {addIn.c_str(), "DisplayName", Text("")},
          {addIn.c_str(), "Filename", Text("")}}},
    };
    const Invocation& how = c.invocations.front();
    for (const Junk& j : junk) {
        r.Section(std::string("Add-in key already there: ") + j.label);
        if (!EmptyAddInList(r) || !Preset(r, kept) || !Preset(r, j.values)) continue;
        const Tree user = UserTree();
        if (RunRegsvr32(r, "/s", how) != 0) continue;
        CheckAddInValues(r, how.filename);
        CheckSame(r, Registered(user, how.filename), UserTree(),
                  "HKCU: other values, subkeys and add-ins kept; the three replaced");
    }
}

void RegisterTwice(Report& r, const Context& c) {
    r.Section("Registering twice");
    if (!EmptyAddInList(r)) return;
    const Invocation& how = c.invocations.front();
    if (RunRegsvr32(r, "/s", how) != 0) return;
    const Tree user = UserTree();
    const Tree classes = ClassesTree();
    if (RunRegsvr32(r, "/s", how) != 0) return;
    CheckAddInValues(r, how.filename);
    CheckOnlyAddInValues(r);
    CheckSame(r, user, UserTree(), "HKCU the same as after the first time");
    CheckSame(r, classes, ClassesTree(), "HKEY_CLASSES_ROOT the same as after the first time");
}

// Without the host's add-in list for this user there is nothing to announce.
void RegisterWithoutHost(Report& r, const Context& c) {
    struct Setup {
        const char* label;
        std::vector<PresetValue> values;
        bool devStudioGone;
    };
    const std::vector<Setup> setups = {
        {"no DevStudio key at all", {}, true},
        {"DevStudio\\6.0 without its AddIns key",
         {{"Software\\Microsoft\\DevStudio\\6.0\\Directories", "Install Dirs", Text("C:\\MSDEV\\BIN")}},
         false},
        {"only another version's add-in list (5.0)",
         {{"Software\\Microsoft\\DevStudio\\5.0\\AddIns\\Old.AddIn", "Filename", Text("C:\\old.dll")}},
         false},
    };
    const Invocation& how = c.invocations.front();
    for (const Setup& s : setups) {
        r.Section(std::string("Add-in list absent: ") + s.label);
        if (!ClearHost(r)) continue;
        if (!s.values.empty() && !Preset(r, s.values)) continue;
        const Tree user = UserTree();
        const Tree classes = ClassesTree();
        if (RunRegsvr32(r, "/s", how) != 0) continue;
        const bool listThere = KeyExists(HKEY_CURRENT_USER, kAddInList);
        r.Check(!listThere, "no add-in list created", listThere ? "HKCU\\" + std::string(kAddInList) + " exists" : "");
        const bool addInThere = KeyExists(HKEY_CURRENT_USER, kAddInKey);
        r.Check(!addInThere, "no add-in key created", addInThere ? "HKCU\\" + kAddInKey + " exists" : "");
        if (s.devStudioGone) {
            const bool there = KeyExists(HKEY_CURRENT_USER, kDevStudio);
            r.Check(!there, "HKCU\\" + std::string(kDevStudio) + " still absent", there ? "it appeared" : "");
        }
        CheckSame(r, user, UserTree(), "HKCU unchanged");
        CheckClassesUntouched(r, classes);
    }

    // A machine-wide list is not the user's list: still nothing to write.
    r.Section("Add-in list only under HKEY_LOCAL_MACHINE");
    if (!ClearHost(r)) return;
    const bool made = SetValue(HKEY_LOCAL_MACHINE, std::string(kAddInList) + "\\Machine.AddIn", "Filename",
                               Text("C:\\machine.dll"));
    if (!r.Check(made, "set-up: HKLM\\" + std::string(kAddInList) + " with one add-in")) return;
    const Tree user = UserTree();
    const Tree machine = MachineDevStudioTree();
    if (RunRegsvr32(r, "/s", how) == 0) {
        CheckSame(r, user, UserTree(), "HKCU unchanged");
        CheckSame(r, machine, MachineDevStudioTree(), "HKLM\\" + std::string(kDevStudio) + " unchanged");
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kDevStudio);
}

// Unregistering leaves everything as it is, registered or not.
void Unregister(Report& r, const Context& c) {
    const Invocation& how = c.invocations.front();
    r.Section("Unregistering after registering");
    if (EmptyAddInList(r) && RunRegsvr32(r, "/s", how) == 0) {
        const Tree user = UserTree();
        const Tree classes = ClassesTree();
        if (RunRegsvr32(r, "/u /s", how) == 0) {
            CheckAddInValues(r, how.filename);
            CheckOnlyAddInValues(r);
            CheckSame(r, user, UserTree(), "HKCU unchanged");
            CheckSame(r, classes, ClassesTree(), "HKEY_CLASSES_ROOT unchanged");
        }
    }
    r.Section("Unregistering without the add-in list");
    if (ClearHost(r)) {
        const Tree user = UserTree();
        const Tree classes = ClassesTree();
        if (RunRegsvr32(r, "/u /s", how) == 0) {
            CheckSame(r, user, UserTree(), "HKCU unchanged");
            CheckSame(r, classes, ClassesTree(), "HKEY_CLASSES_ROOT unchanged");
        }
    }
}

std::string FullPath(const std::string& path, const std::string& directory) {
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    if (!directory.empty()) SetCurrentDirectoryA(directory.c_str());
    char full[MAX_PATH] = {};
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    SetCurrentDirectoryA(saved);
    return n != 0 && n < MAX_PATH ? full : path;
}

// What the loader calls the DLL when loaded by this name: the Filename the
// DLL can know.
std::string LoadedName(const std::string& path, const std::string& directory) {
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    if (!directory.empty()) SetCurrentDirectoryA(directory.c_str());
    std::string name;
    if (HMODULE module = LoadLibraryA(path.c_str())) {
        char buffer[MAX_PATH] = {};
        DWORD n = GetModuleFileNameA(module, buffer, MAX_PATH);
        if (n != 0 && n < MAX_PATH) name = buffer;
        FreeLibrary(module);
    }
    SetCurrentDirectoryA(saved);
    return name;
}

// A copy in a folder whose name has spaces: a longer path, quoted on the
// command line.
std::string CopyWithSpaces(const std::string& dllPath, const std::string& dllName) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "Quor6Link registration check";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string copy = folder + "\\" + dllName;
    return CopyFileA(dllPath.c_str(), copy.c_str(), FALSE) ? copy : std::string();
}

void RemoveCopy(const std::string& copy) {
    if (copy.empty()) return;
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(copy.substr(0, copy.find_last_of('\\')).c_str());
}

bool PrepareInvocations(Report& r, Context& c, const std::string& copy) {
    r.Section("How the DLL is named to regsvr32");
    std::string lowered = c.dllName;
    for (char& ch : lowered) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    c.invocations = {
        {"its full Windows path", c.dllPath, "", ""},
        {"its file name alone, run in its folder", c.dllName, c.dllFolder, ""},
        {"its path spelt in other letter case", c.dllFolder + "\\" + lowered, "", ""},
    };
    if (r.Check(!copy.empty(), "copy in a folder with spaces", copy.empty() ? "could not copy" : copy))
        c.invocations.push_back({"a path with spaces", copy, "", ""});
    bool ok = true;
    for (Invocation& how : c.invocations) {
        how.filename = FullPath(how.argument, how.directory);
        const std::string loaded = LoadedName(how.argument, how.directory);
        ok &= r.Check(loaded == how.filename, std::string("GetModuleFileName for ") + how.label,
                      Quoted(loaded) + (loaded == how.filename ? "" : ", full path " + Quoted(how.filename)));
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const char* dll = StartProgram(argc, argv);
    if (dll == nullptr) return 2;
    Context c;
    c.dllPath = FullPath(dll, "");
    const size_t slash = c.dllPath.find_last_of('\\');
    c.dllFolder = c.dllPath.substr(0, slash);
    c.dllName = c.dllPath.substr(slash + 1);
    std::printf("Quor6Link registration through regsvr32\n");
    std::printf("DLL:      %s\nregsvr32: %s\n", c.dllPath.c_str(), Regsvr32Path().c_str());

    Report r;
    if (!r.Check(GetFileAttributesA(c.dllPath.c_str()) != INVALID_FILE_ATTRIBUTES, "DLL file exists"))
        return r.Summary();
    ClearClassKeys();
    const std::string copy = CopyWithSpaces(c.dllPath, c.dllName);
    if (PrepareInvocations(r, c, copy)) {
        RegisterFresh(r, c);
        RegisterOverExisting(r, c);
        RegisterTwice(r, c);
        RegisterWithoutHost(r, c);
        Unregister(r, c);
    }
    DeleteTree(HKEY_CURRENT_USER, kDevStudio);
    RemoveCopy(copy);
    return r.Summary();
}
