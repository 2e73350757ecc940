// Plays Developer Studio 6.0's part towards its add-ins: reads the per-user
// add-in list, then loads, creates, connects, disconnects and unloads each
// add-in, printing every step and its result. Exits 0 only when every step
// for every add-in succeeded.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

// Shared with the e2e programs, whose Wine scripts the demo already uses.
#include "tests/e2e/hresult_names.h"

// The host's add-in interface, as the host declares it. Kept out of the
// anonymous namespace: with no implementation in this program GCC would turn
// calls through an internal-linkage interface into traps.
struct IDSAddInHost : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Connect(IUnknown* application, VARIANT_BOOL firstTime, LONG cookie,
                                              VARIANT_BOOL* connected) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect(VARIANT_BOOL lastTime) = 0;
};

namespace {

const char kAddInList[] = "Software\\Microsoft\\DevStudio\\6.0\\AddIns";
const IID kIidAddIn = {0xC0002F81, 0xAE2E, 0x11CF, {0xAD, 0x07, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0x65}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// With the code beside the name, so a user can look it up.
std::string HrText(HRESULT hr) {
    const char* name = HrName(hr);
    return name ? std::string(name) + " (" + HrCode(hr) + ")" : HrCode(hr);
}

std::string ErrorText(DWORD code) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = '\0';
    return "error " + std::to_string(code) + (n ? " (" + std::string(text) + ")" : "");
}

std::string GuidText(REFGUID guid) {
    wchar_t wide[40] = {};
    StringFromGUID2(guid, wide, 40);
    std::string text;
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return text;
}

std::string FlagText(VARIANT_BOOL flag) {
    if (flag == VARIANT_TRUE) return "VARIANT_TRUE";
    if (flag == VARIANT_FALSE) return "VARIANT_FALSE";
    return "neither VARIANT_TRUE nor VARIANT_FALSE (" + std::to_string(flag) + ")";
}

void Step(bool ok, const std::string& what, const std::string& result) {
    std::printf("  %-4s %-58s %s\n", ok ? "ok" : "FAIL", what.c_str(), result.c_str());
}

struct AddIn {
    std::string name;  // its key in the list, also its ProgID
    std::string displayName;
    std::string description;
    std::string filename;
};

// Empty when the value is missing or not text.
std::string ReadText(HKEY key, const char* name) {
    char data[2048] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    return std::string(data, strnlen(data, size));
}

std::string Shown(const std::string& text) { return text.empty() ? "(missing)" : text; }

// Returns false when there is no list or nothing in it; says why.
bool ReadAddInList(std::vector<AddIn>& addIns) {
    std::printf("Add-in list: HKEY_CURRENT_USER\\%s\n", kAddInList);
    HKEY list = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kAddInList, 0, KEY_READ, &list);
    if (rc == ERROR_FILE_NOT_FOUND) {
        std::printf("  There is no add-in list: Developer Studio 6.0 has not been set up for this user.\n");
        return false;
    }
    if (rc != ERROR_SUCCESS) {
        std::printf("  The add-in list cannot be opened: %s\n", ErrorText(static_cast<DWORD>(rc)).c_str());
        return false;
    }
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(list, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        AddIn addIn;
        addIn.name.assign(name, length);
        HKEY key = nullptr;
        if (RegOpenKeyExA(list, addIn.name.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            addIn.displayName = ReadText(key, "DisplayName");
            addIn.description = ReadText(key, "Description");
            addIn.filename = ReadText(key, "Filename");
            RegCloseKey(key);
        }
        addIns.push_back(addIn);
    }
    RegCloseKey(list);
    if (addIns.empty()) {
        std::printf("  The add-in list is empty: no add-ins are installed.\n");
        return false;
    }
    for (const AddIn& a : addIns) {
        std::printf("  %s\n", a.name.c_str());
        std::printf("    DisplayName  %s\n", Shown(a.displayName).c_str());
        std::printf("    Description  %s\n", Shown(a.description).c_str());
        std::printf("    Filename     %s\n", Shown(a.filename).c_str());
    }
    return true;
}

// Returns true when every step succeeded.
bool RunAddIn(const AddIn& a, LONG cookie) {
    std::printf("\nAdd-in %s\n", a.name.c_str());
    if (a.filename.empty()) {
        Step(false, "Filename", "missing: nothing to load");
        return false;
    }

    HMODULE module = LoadLibraryA(a.filename.c_str());
    if (!module) {
        Step(false, "LoadLibraryA(\"" + a.filename + "\")", ErrorText(GetLastError()));
        return false;
    }
    Step(true, "LoadLibraryA(\"" + a.filename + "\")", "loaded");

    bool ok = true;
    CLSID classId = {};
    std::vector<wchar_t> wideName(a.name.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, a.name.c_str(), -1, wideName.data(), static_cast<int>(wideName.size()));
    HRESULT hr = CLSIDFromProgID(wideName.data(), &classId);
    if (FAILED(hr)) {
        Step(false, "CLSIDFromProgID(\"" + a.name + "\")", HrText(hr));
        std::printf("\n%s is not registered as a COM class: CLSIDFromProgID returned %s.\n"
                    "Its installer registers HKEY_CLASSES_ROOT\\%s\\CLSID and the class's InprocServer32 key;\n"
                    "DllRegisterServer only adds it to the add-in list.\n",
                    a.name.c_str(), HrText(hr).c_str(), a.name.c_str());
        FreeLibrary(module);
        return false;
    }
    Step(true, "CLSIDFromProgID(\"" + a.name + "\")", HrText(hr) + ", " + GuidText(classId));

    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    auto canUnloadNow =
        reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    Step(getClassObject != nullptr, "GetProcAddress(\"DllGetClassObject\")", getClassObject ? "found" : "missing");
    Step(canUnloadNow != nullptr, "GetProcAddress(\"DllCanUnloadNow\")", canUnloadNow ? "found" : "missing");
    if (!getClassObject || !canUnloadNow) {
        FreeLibrary(module);
        return false;
    }

    IClassFactory* factory = nullptr;
    hr = getClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    Step(hr == S_OK && factory, "DllGetClassObject(that class, IClassFactory)", HrText(hr));
    if (hr != S_OK || !factory) {
        FreeLibrary(module);
        return false;
    }

    IDSAddInHost* addIn = nullptr;
    hr = factory->CreateInstance(nullptr, kIidAddIn, reinterpret_cast<void**>(&addIn));
    Step(hr == S_OK && addIn, "IClassFactory::CreateInstance(add-in interface)", HrText(hr));
    ok &= hr == S_OK && addIn;
    if (addIn) {
        VARIANT_BOOL connected = VARIANT_FALSE;
        hr = addIn->Connect(nullptr, VARIANT_TRUE, cookie, &connected);
        const bool connectOk = hr == S_OK && connected == VARIANT_TRUE;
        Step(connectOk, "Connect(application null, first time, cookie " + std::to_string(cookie) + ")",
             HrText(hr) + ", connected = " + FlagText(connected));
        ok &= connectOk;

        hr = addIn->Disconnect(VARIANT_TRUE);
        Step(hr == S_OK, "Disconnect(last time)", HrText(hr));
        ok &= hr == S_OK;

        ULONG left = addIn->Release();
        Step(true, "Release the add-in object", "returned " + std::to_string(left));
    }
    ULONG left = factory->Release();
    Step(true, "Release the class object", "returned " + std::to_string(left));

    // With everything released the DLL must be free to go.
    hr = canUnloadNow();
    Step(hr == S_OK, "DllCanUnloadNow()", hr == S_FALSE ? HrText(hr) + ": still in use" : HrText(hr));
    if (hr != S_OK) {
        std::printf("  kept   the DLL stays loaded, as COM would keep it\n");
        return false;
    }
    const BOOL freed = FreeLibrary(module);
    Step(freed != FALSE, "FreeLibrary", freed ? (GetModuleHandleA(a.filename.c_str()) ? "freed, still mapped"
                                                                                       : "freed and unloaded")
                                              : ErrorText(GetLastError()));
    return ok && freed;
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("Demo host: what Developer Studio 6.0 does with its add-ins\n\n");

    std::vector<AddIn> addIns;
    if (!ReadAddInList(addIns)) return 1;

    // Developer Studio runs its add-ins in its single-threaded user interface apartment.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        std::printf("\nCoInitializeEx failed: %s\n", HrText(hr).c_str());
        return 1;
    }

    int failed = 0;
    LONG cookie = 1;
    for (const AddIn& a : addIns) {
        if (!RunAddIn(a, cookie++)) ++failed;
    }
    CoUninitialize();

    const int done = static_cast<int>(addIns.size()) - failed;
    std::printf("\n%d add-in(s) loaded, connected, disconnected and unloaded; %d failed.\n", done, failed);
    return failed == 0 ? 0 : 1;
}
