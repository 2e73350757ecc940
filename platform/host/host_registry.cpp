#include "host_registry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "host_controls.h"
#include "host_registry_controls.h"

// Where the Win32 documentation leaves a detail open (sizes left in out
// parameters, enumeration order, over-long names), the store does what Wine
// does: tests/registry_fidelity runs the same calls against both.
namespace {

// Longer subkey arguments fail in the A functions before any lookup.
constexpr std::size_t kMaxSubkeyArgumentChars = 260;
constexpr std::size_t kMaxKeyNameChars = 256;
constexpr std::size_t kMaxValueNameChars = 16383;

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Folding to lower case, not upper, is what puts "_x" before "Alpha" as Wine does.
int CompareNames(std::string_view first, std::string_view second) {
    const std::size_t common = std::min(first.size(), second.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(Fold(first[i]));
        const auto b = static_cast<unsigned char>(Fold(second[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    return first.size() < second.size() ? -1 : first.size() > second.size() ? 1 : 0;
}

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> bytes;
};

struct Key : std::enable_shared_from_this<Key> {
    Key(std::string keyName, std::string keyPath, Key* keyParent)
        : name(std::move(keyName)), path(std::move(keyPath)), parent(keyParent) {}

    std::string name;
    std::string path;
    Key* parent;  // null for a root and for a deleted key
    // Both kept in enumeration order.
    std::vector<std::shared_ptr<Key>> subkeys;
    std::vector<Value> values;
    bool deleted = false;

    auto SubkeyPosition(std::string_view wanted) {
        return std::lower_bound(subkeys.begin(), subkeys.end(), wanted,
                                [](const auto& key, std::string_view n) { return CompareNames(key->name, n) < 0; });
    }
    Key* FindSubkey(std::string_view wanted) {
        auto position = SubkeyPosition(wanted);
        return position != subkeys.end() && CompareNames((*position)->name, wanted) == 0 ? position->get() : nullptr;
    }
    auto ValuePosition(std::string_view wanted) {
        return std::lower_bound(values.begin(), values.end(), wanted,
                                [](const Value& value, std::string_view n) { return CompareNames(value.name, n) < 0; });
    }
    Value* FindValue(std::string_view wanted) {
        auto position = ValuePosition(wanted);
        return position != values.end() && CompareNames(position->name, wanted) == 0 ? &*position : nullptr;
    }
};

struct Store {
    std::mutex mutex;
    std::shared_ptr<Key> classesRoot;
    std::shared_ptr<Key> userRoot;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Key>> handles;
    // Never reused, so a stale handle stays invalid even across ClearRegistry.
    std::uintptr_t nextHandle = 0x1000;

    Store() { Reset(); }

    void Reset() {
        classesRoot = std::make_shared<Key>("", "HKEY_CLASSES_ROOT", nullptr);
        userRoot = std::make_shared<Key>("", "HKEY_CURRENT_USER", nullptr);
        handles.clear();
    }

    Key* Root(HKEY handle) const {
        if (handle == HKEY_CLASSES_ROOT) return classesRoot.get();
        if (handle == HKEY_CURRENT_USER) return userRoot.get();
        return nullptr;
    }

    Key* Handle(HKEY handle) const {
        auto found = handles.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == handles.end() ? nullptr : found->second.get();
    }

    // The key behind a handle, or the error a call on it gets.
    LONG Lookup(HKEY handle, Key*& key) const {
        key = Root(handle);
        if (key == nullptr) key = Handle(handle);
        if (key == nullptr) return ERROR_INVALID_HANDLE;
        return key->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
    }

    HKEY NewHandle(Key& key) {
        const std::uintptr_t value = nextHandle;
        nextHandle += 4;
        handles.emplace(value, key.shared_from_this());
        return reinterpret_cast<HKEY>(value);
    }

    std::string PathText(HKEY handle) const {
        if (const Key* key = Root(handle)) return key->path;
        if (const Key* key = Handle(handle)) return key->path;
        return "<invalid handle " + hostsim::AddressText(handle) + ">";
    }
};

Store& store() {
    static Store instance;
    return instance;
}

std::string SubkeyText(const Store& registry, HKEY parent, LPCSTR subKey) {
    std::string text = registry.PathText(parent);
    if (subKey != nullptr && *subKey != '\0') text.append("\\").append(subKey);
    return text;
}

std::string ValueText(const Store& registry, HKEY key, LPCSTR valueName) {
    return registry.PathText(key) + " [" + (valueName != nullptr ? valueName : "") + "]";
}

std::string IndexText(const Store& registry, HKEY key, DWORD index) {
    return registry.PathText(key) + " #" + std::to_string(index);
}

// Empty names, as between doubled backslashes, are skipped; a leading one is refused.
LONG SplitPath(std::string_view path, std::vector<std::string_view>& names) {
    names.clear();
    if (!path.empty() && path.front() == '\\') return ERROR_BAD_PATHNAME;
    while (!path.empty()) {
        const std::size_t cut = path.find('\\');
        if (cut != 0) names.push_back(path.substr(0, cut));
        if (cut == std::string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    return ERROR_SUCCESS;
}

// A name's length is checked only when the walk reaches it: a missing key
// before an over-long name reports the missing key.
LONG Walk(Key* from, const std::vector<std::string_view>& names, Key*& found) {
    for (std::string_view name : names) {
        if (name.size() > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
        from = from->FindSubkey(name);
        if (from == nullptr) return ERROR_FILE_NOT_FOUND;
    }
    found = from;
    return ERROR_SUCCESS;
}

// Levels created before an over-long name stay, as with Wine.
LONG CreatePath(Key* from, const std::vector<std::string_view>& names, Key*& found, bool& created) {
    created = false;
    for (std::string_view name : names) {
        if (name.size() > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
        Key* next = from->FindSubkey(name);
        created = next == nullptr;
        if (created) {
            auto key = std::make_shared<Key>(std::string(name), from->path + "\\" + std::string(name), from);
            next = key.get();
            from->subkeys.insert(from->SubkeyPosition(name), std::move(key));
        }
        from = next;
    }
    found = from;
    return ERROR_SUCCESS;
}

LONG CopyData(const Value& value, BYTE* data, DWORD* size) {
    const auto length = static_cast<DWORD>(value.bytes.size());
    if (data != nullptr) {
        if (*size < length) {
            *size = length;
            return ERROR_MORE_DATA;
        }
        if (length > 0) std::memcpy(data, value.bytes.data(), length);
        // A string stored without its zero gets one, uncounted, when the buffer has room.
        if (IsString(value.type) && length > 0 && value.bytes.back() != 0 && *size > length) data[length] = 0;
    }
    if (size != nullptr) *size = length;
    return ERROR_SUCCESS;
}

Key* FindByPath(const Store& registry, HKEY root, const std::string& path) {
    Key* key = registry.Root(root);
    std::vector<std::string_view> names;
    if (key == nullptr || SplitPath(path, names) != ERROR_SUCCESS) return nullptr;
    Key* found = nullptr;
    return Walk(key, names, found) == ERROR_SUCCESS ? found : nullptr;
}

// The key `path` names below a handle; `reach` is Walk or CreatePath.
template <typename Reach>
LONG ReachKey(const Store& registry, HKEY parent, std::string_view path, Reach reach, Key*& found) {
    Key* from = nullptr;
    std::vector<std::string_view> names;
    LONG status = registry.Lookup(parent, from);
    if (status == ERROR_SUCCESS) status = SplitPath(path, names);
    if (status == ERROR_SUCCESS) status = reach(from, names, found);
    return status;
}

// RegOpenKeyExA and RegCreateKeyExA differ only in how they reach the key.
template <typename Reach>
LONG OpenHandle(Store& registry, long injected, HKEY parent, LPCSTR subKey, PHKEY result, Reach reach) {
    if (result == nullptr) return injected ? injected : ERROR_INVALID_PARAMETER;
    if (injected) {
        *result = nullptr;
        return injected;
    }
    const std::string_view path = subKey != nullptr ? subKey : "";
    // The argument is refused before the call starts: the out handle stays as it was.
    if (path.size() > kMaxSubkeyArgumentChars) return ERROR_MORE_DATA;
    *result = nullptr;
    Key* found = nullptr;
    const LONG status = ReachKey(registry, parent, path, reach, found);
    if (status == ERROR_SUCCESS) *result = registry.NewHandle(*found);
    return status;
}

}  // namespace

LONG RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    const long injected = hostsim::InjectedFailure("RegOpenKeyExA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegOpenKeyExA", SubkeyText(registry, parent, subKey));
    return OpenHandle(registry, injected, parent, subKey, result, Walk);
}

LONG RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, const SECURITY_ATTRIBUTES*,
                     PHKEY result, LPDWORD disposition) {
    const long injected = hostsim::InjectedFailure("RegCreateKeyExA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegCreateKeyExA", SubkeyText(registry, parent, subKey));
    bool created = false;
    const LONG status = OpenHandle(registry, injected, parent, subKey, result,
                                   [&created](Key* from, const std::vector<std::string_view>& names, Key*& found) {
                                       return CreatePath(from, names, found, created);
                                   });
    if (status == ERROR_SUCCESS && disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return status;
}

LONG RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    const long injected = hostsim::InjectedFailure("RegSetValueExA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegSetValueExA", ValueText(registry, handle, valueName));
    if (injected) return injected;
    Key* key = nullptr;
    if (const LONG status = registry.Lookup(handle, key); status != ERROR_SUCCESS) return status;
    const std::string_view name = valueName != nullptr ? valueName : "";
    if (name.size() > kMaxValueNameChars || (data == nullptr && size > 0)) return ERROR_INVALID_PARAMETER;
    // Windows counts a string's zero the size left out; like Windows, it reads
    // the byte just past the given size to see it.
    if (IsString(type) && size > 0 && data[size - 1] != 0 && data[size] == 0) ++size;
    Value* value = key->FindValue(name);
    if (value == nullptr) value = &*key->values.insert(key->ValuePosition(name), Value{std::string(name), type, {}});
    value->type = type;
    value->bytes.assign(data, data + size);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    const long injected = hostsim::InjectedFailure("RegQueryValueExA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegQueryValueExA", ValueText(registry, handle, valueName));
    if (injected) return injected;
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    LONG status = registry.Lookup(handle, key);
    const Value* value = status == ERROR_SUCCESS ? key->FindValue(valueName != nullptr ? valueName : "") : nullptr;
    if (value == nullptr) {
        if (type != nullptr) *type = REG_NONE;
        if (data == nullptr && size != nullptr) *size = 0;
        return status != ERROR_SUCCESS ? status : ERROR_FILE_NOT_FOUND;
    }
    if (type != nullptr) *type = value->type;
    return CopyData(*value, data, size);
}

LONG RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass,
                   LPDWORD keyClassSize, FILETIME* lastWriteTime) {
    const long injected = hostsim::InjectedFailure("RegEnumKeyExA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegEnumKeyExA", IndexText(registry, handle, index));
    if (injected) return injected;
    if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    if (const LONG status = registry.Lookup(handle, key); status != ERROR_SUCCESS) return status;
    if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& found = key->subkeys[index]->name;
    // Too small: nothing written and *nameSize left as it was.
    if (found.size() >= *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<DWORD>(found.size());
    if (keyClass != nullptr && keyClassSize != nullptr && *keyClassSize > 0) *keyClass = '\0';
    if (keyClassSize != nullptr) *keyClassSize = 0;
    if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY handle, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD, LPDWORD type,
                   LPBYTE data, LPDWORD dataSize) {
    const long injected = hostsim::InjectedFailure("RegEnumValueA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegEnumValueA", IndexText(registry, handle, index));
    if (injected) return injected;
    if (valueName == nullptr || valueNameSize == nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    Key* key = nullptr;
    if (const LONG status = registry.Lookup(handle, key); status != ERROR_SUCCESS) return status;
    if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& value = key->values[index];
    if (type != nullptr) *type = value.type;
    // Data first: when it does not fit, the name is not written either.
    if (const LONG status = CopyData(value, data, dataSize); status != ERROR_SUCCESS) return status;
    const std::string& found = value.name;
    if (found.size() >= *valueNameSize) {
        // Wine writes as much of the name as fits, with its zero, and keeps the size.
        if (*valueNameSize > 0) {
            std::memcpy(valueName, found.data(), *valueNameSize - 1);
            valueName[*valueNameSize - 1] = '\0';
        }
        return ERROR_MORE_DATA;
    }
    std::memcpy(valueName, found.c_str(), found.size() + 1);
    *valueNameSize = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY parent, LPCSTR subKey) {
    const long injected = hostsim::InjectedFailure("RegDeleteKeyA");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegDeleteKeyA", SubkeyText(registry, parent, subKey));
    if (injected) return injected;
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    if (std::strlen(subKey) > kMaxSubkeyArgumentChars) return ERROR_MORE_DATA;
    Key* target = nullptr;
    if (const LONG status = ReachKey(registry, parent, subKey, Walk, target); status != ERROR_SUCCESS) return status;
    // An empty subkey names the key itself; a root cannot go.
    if (target->parent == nullptr || !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
    Key* owner = target->parent;
    target->deleted = true;
    target->parent = nullptr;
    // May destroy the key: nothing below uses it.
    owner->subkeys.erase(owner->SubkeyPosition(target->name));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY handle) {
    const long injected = hostsim::InjectedFailure("RegCloseKey");
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    hostsim::Record("RegCloseKey", registry.PathText(handle));
    LONG status = ERROR_SUCCESS;
    if (registry.Root(handle) == nullptr) {
        // Released even when the call is made to fail: the caller did close it.
        status = registry.handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1 ? ERROR_SUCCESS
                                                                                        : ERROR_INVALID_HANDLE;
    }
    return injected ? injected : status;
}

namespace hostsim {

void ClearRegistry() {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    registry.Reset();
}

bool CreateRegistryKey(HKEY root, const std::string& path) {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    Key* from = registry.Root(root);
    std::vector<std::string_view> names;
    if (from == nullptr || SplitPath(path, names) != ERROR_SUCCESS) return false;
    Key* found = nullptr;
    bool created = false;
    return CreatePath(from, names, found, created) == ERROR_SUCCESS;
}

bool RegistryKeyExists(HKEY root, const std::string& path) {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    return FindByPath(registry, root, path) != nullptr;
}

std::vector<std::string> RegistrySubkeys(HKEY root, const std::string& path) {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    std::vector<std::string> names;
    if (const Key* key = FindByPath(registry, root, path)) {
        for (const auto& subkey : key->subkeys) names.push_back(subkey->name);
    }
    return names;
}

std::vector<std::string> RegistryValueNames(HKEY root, const std::string& path) {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    std::vector<std::string> names;
    if (const Key* key = FindByPath(registry, root, path)) {
        for (const Value& value : key->values) names.push_back(value.name);
    }
    return names;
}

std::optional<StoredValue> ReadRegistryValue(HKEY root, const std::string& path, const std::string& name) {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    Key* key = FindByPath(registry, root, path);
    const Value* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr) return std::nullopt;
    return StoredValue{value->type, value->bytes};
}

int OpenRegistryHandles() {
    Store& registry = store();
    std::lock_guard<std::mutex> hold(registry.mutex);
    return static_cast<int>(registry.handles.size());
}

}  // namespace hostsim
