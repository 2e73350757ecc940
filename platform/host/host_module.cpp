#include <cctype>
#include <cstring>
#include <map>
#include <mutex>

#include "host_controls.h"
#include "host_module_controls.h"
#include "host_win32.h"

namespace {

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

struct Modules {
    std::mutex mutex;
    std::map<HINSTANCE, std::string> paths;
    std::map<std::pair<HINSTANCE, UINT>, std::string> strings;
    HINSTANCE executable = nullptr;
    std::string shortPath;
    std::optional<DWORD> forcedShortPathResult;
};

Modules& modules() {
    static Modules instance;
    return instance;
}

thread_local DWORD lastError = 0;

}  // namespace

void SetLastError(DWORD error) { lastError = error; }

DWORD GetLastError() { return lastError; }

// Like Windows: copies what fits, always terminated; a missing string writes
// nothing. A null module stands for the executable.
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int bufferMax) {
    std::lock_guard<std::mutex> hold(modules().mutex);
    const auto found = modules().strings.find({module ? module : modules().executable, id});
    if (found == modules().strings.end() || bufferMax <= 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    const int length = std::min<int>(static_cast<int>(found->second.size()), bufferMax - 1);
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = '\0';
    return length;
}

// As on Windows XP: a path that does not fit is cut to `size` characters with
// no terminating zero, and `size` is returned.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (const long failure = hostsim::InjectedFailure("GetModuleFileNameA")) {
        SetLastError(static_cast<DWORD>(failure));
        return 0;
    }
    std::lock_guard<std::mutex> hold(modules().mutex);
    const auto found = modules().paths.find(module ? module : modules().executable);
    if (found == modules().paths.end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::string& path = found->second;
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

HMODULE GetModuleHandleA(LPCSTR) { return modules().executable; }

DWORD GetShortPathNameA(LPCSTR, LPSTR shortPath, DWORD size) {
    std::lock_guard<std::mutex> hold(modules().mutex);
    if (modules().forcedShortPathResult) return *modules().forcedShortPathResult;
    const std::string& path = modules().shortPath;
    if (path.size() >= size) return static_cast<DWORD>(path.size() + 1);
    std::memcpy(shortPath, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

int lstrlenW(LPCWSTR text) {
    int length = 0;
    while (text && text[length]) ++length;
    return length;
}

int lstrcmpiA(LPCSTR first, LPCSTR second) {
    for (;; ++first, ++second) {
        const int difference = std::tolower(static_cast<unsigned char>(*first)) -
                               std::tolower(static_cast<unsigned char>(*second));
        if (difference || !*first) return difference;
    }
}

// The system code page here is ASCII; anything beyond becomes '?'.
int WideCharToMultiByte(UINT, DWORD, LPCWSTR wide, int wideLength, LPSTR narrow, int narrowSize, LPCSTR, BOOL*) {
    const int length = wideLength < 0 ? lstrlenW(wide) + 1 : wideLength;
    if (narrowSize < length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (int index = 0; index < length; ++index) narrow[index] = wide[index] < 0x80 ? static_cast<char>(wide[index]) : '?';
    return length;
}

namespace hostsim {

void ResetModules() {
    std::lock_guard<std::mutex> hold(modules().mutex);
    modules().paths.clear();
    modules().strings.clear();
    modules().executable = nullptr;
    modules().shortPath.clear();
    modules().forcedShortPathResult.reset();
}

void SetModulePath(HINSTANCE module, std::string path) {
    std::lock_guard<std::mutex> hold(modules().mutex);
    modules().paths[module] = std::move(path);
}

void SetExecutableModule(HINSTANCE module) {
    std::lock_guard<std::mutex> hold(modules().mutex);
    modules().executable = module;
}

void SetShortPath(std::string shortPath, std::optional<DWORD> forcedResult) {
    std::lock_guard<std::mutex> hold(modules().mutex);
    modules().shortPath = std::move(shortPath);
    modules().forcedShortPathResult = forcedResult;
}

void SetString(HINSTANCE module, UINT id, std::string text) {
    std::lock_guard<std::mutex> hold(modules().mutex);
    modules().strings[{module, id}] = std::move(text);
}

}  // namespace hostsim
