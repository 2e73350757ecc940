#include "tests/support/registry_snapshot.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace {

KeyValues ReadValues(HKEY key) {
    KeyValues values;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        std::vector<BYTE> data(1 << 16);
        DWORD dataSize = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) {
            return values;
        }
        values[name] = {type, std::string(reinterpret_cast<char*>(data.data()), dataSize)};
    }
}

void ReadTree(HKEY key, const std::string& path, RegistrySnapshot& snapshot) {
    if (!path.empty()) snapshot[path] = ReadValues(key);
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        ReadTree(child, path.empty() ? name : path + "\\" + name, snapshot);
        RegCloseKey(child);
    }
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& first, const std::string& second) const {
    return std::lexicographical_compare(first.begin(), first.end(), second.begin(), second.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) < std::tolower(static_cast<unsigned char>(b));
    });
}

RegistrySnapshot Snapshot(HKEY root) {
    RegistrySnapshot snapshot;
    ReadTree(root, "", snapshot);
    return snapshot;
}

RegistryValue Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }

std::string Describe(const RegistrySnapshot& snapshot) {
    std::ostringstream out;
    for (const auto& [path, values] : snapshot) {
        out << path << "\n";
        for (const auto& [name, value] : values) {
            out << "    " << (name.empty() ? "(default)" : name) << " = type " << value.type << ", "
                << value.bytes.size() << " bytes: " << value.bytes.c_str() << "\n";
        }
    }
    return out.str();
}

void PrintTo(const RegistrySnapshot& snapshot, std::ostream* out) { *out << "\n" << Describe(snapshot); }
