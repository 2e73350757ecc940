// Drives QUOR6LINK.dll the way the host does: registers the class, creates
// it through COM, connects and disconnects it, watches the server's lifetime,
// and reads the resources an installer or the host shows. Run it under Wine
// with the DLL's Windows path as the only argument.
#include <windows.h>
#include <objbase.h>
#include <winver.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/e2e/e2e_report.h"

// Declared here, not taken from the library's headers, so that a slot-order
// mistake shared by both sides cannot hide. Kept out of the anonymous
// namespace: there GCC sees no implementation in this program and turns the
// virtual calls into traps.
struct IHostAddIn : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Connect(IUnknown* application, VARIANT_BOOL firstTime, LONG cookie,
                                              VARIANT_BOOL* connected) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect(VARIANT_BOOL lastTime) = 0;
};

namespace {

const CLSID kClsidQuor6Link = {0x3FD687E9, 0xDE8C, 0x11D1, {0xA6, 0x02, 0x00, 0xA0, 0xC9, 0x56, 0x65, 0x93}};
const IID kIidHostAddIn = {0xC0002F81, 0xAE2E, 0x11CF, {0xAD, 0x07, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0x65}};
// Answered by nobody: stands for any interface the object does not know.
const IID kIidStranger = {0x6C1E0E64, 0x7B0A, 0x4E4B, {0x9A, 0x53, 0x2B, 0x1D, 0x4F, 0x1A, 0x0C, 0x77}};

// Preset into out-pointers so that "left untouched" and "set to null" differ.
void* const kPoison = reinterpret_cast<void*>(static_cast<ULONG_PTR>(0xBADC0FFEE0DDF00Dull));

std::string PointerText(const void* p) {
    if (p == nullptr) return "null";
    if (p == kPoison) return "untouched";
    return Hex(reinterpret_cast<ULONG_PTR>(p), 0);
}

// Stands in for the host's application object and for an aggregating outer
// object; counts references so a leak or an over-release by the add-in shows.
class StubUnknown final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }
    LONG References() const { return refs_; }

private:
    LONG refs_ = 1;
};

StubUnknown g_application;
StubUnknown g_outer;

std::string ClsidKeyPath() {
    wchar_t wide[40] = {};
    StringFromGUID2(kClsidQuor6Link, wide, 40);
    std::string text;
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return "CLSID\\" + text;
}

struct Target {
    std::string dllPath;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;

    HMODULE Loaded() const { return GetModuleHandleA(dllPath.c_str()); }

    // Only meaningful while COM keeps the DLL loaded; re-resolved after a reload.
    bool Resolve(Report& r) {
        HMODULE module = Loaded();
        if (!r.Check(module != nullptr, "COM loaded the DLL into this process", PointerText(module))) {
            canUnloadNow = nullptr;
            return false;
        }
        FARPROC proc = GetProcAddress(module, "DllCanUnloadNow");
        canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(proc));
        return r.Check(canUnloadNow != nullptr, "DllCanUnloadNow is exported",
                       PointerText(canUnloadNow ? reinterpret_cast<void*>(proc) : nullptr));
    }

    void ExpectCanUnload(Report& r, HRESULT want, const std::string& when) {
        if (canUnloadNow == nullptr) {
            r.Check(false, "DllCanUnloadNow " + when, "not resolved");
            return;
        }
        r.CheckHr(canUnloadNow(), want, "DllCanUnloadNow " + when);
    }

    // CoFreeUnusedLibrariesEx may need a few passes before it lets go.
    void ExpectUnloaded(Report& r) {
        int attempts = 0;
        while (Loaded() != nullptr && attempts < 100) {
            CoFreeUnusedLibrariesEx(0, 0);
            ++attempts;
            if (Loaded() != nullptr) Sleep(20);
        }
        r.Check(Loaded() == nullptr, "CoFreeUnusedLibrariesEx(0, 0) unloads the DLL",
                Loaded() == nullptr ? "gone after " + std::to_string(attempts) + " call(s)"
                                    : "still loaded after " + std::to_string(attempts) + " calls");
        canUnloadNow = nullptr;
    }
};

// ---- registration ----------------------------------------------------------

void RemoveRegistration() { RegDeleteTreeA(HKEY_CLASSES_ROOT, ClsidKeyPath().c_str()); }

bool Register(Report& r, const std::string& dllPath) {
    r.Section("Registration (as an installer writes it)");
    // A run that crashed halfway may have left its key behind.
    RemoveRegistration();
    const std::string keyPath = ClsidKeyPath() + "\\InprocServer32";
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (!r.Check(rc == ERROR_SUCCESS, "create HKCR\\" + keyPath, ErrorText(rc))) return false;
    const char both[] = "Both";
    LONG rcPath = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dllPath.c_str()),
                                 static_cast<DWORD>(dllPath.size() + 1));
    LONG rcModel = RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(both), sizeof both);
    RegCloseKey(key);
    bool ok = r.Check(rcPath == ERROR_SUCCESS, "(default) = DLL path",
                      rcPath == ERROR_SUCCESS ? Quoted(dllPath) : ErrorText(rcPath));
    ok &= r.Check(rcModel == ERROR_SUCCESS, "ThreadingModel = \"Both\" (REG_SZ)", ErrorText(rcModel));
    return ok;
}

void Unregister(Report& r) {
    r.Section("Registration cleanup");
    const std::string keyPath = ClsidKeyPath();
    LONG rc = RegDeleteTreeA(HKEY_CLASSES_ROOT, keyPath.c_str());
    r.Check(rc == ERROR_SUCCESS, "delete HKCR\\" + keyPath, ErrorText(rc));
    HKEY key = nullptr;
    rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    r.Check(rc == ERROR_FILE_NOT_FOUND, "key is gone", rc == ERROR_FILE_NOT_FOUND ? "yes" : "still opens");
}

// ---- COM -------------------------------------------------------------------

struct QiCase {
    const char* name;
    const IID* iid;
    HRESULT want;
    bool samePointer;  // must hand back the very pointer it was asked on
};

void CheckQueryInterface(Report& r, IUnknown* object, const char* objectName, const QiCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const QiCase& c = cases[i];
        void* out = kPoison;
        HRESULT hr = object->QueryInterface(*c.iid, &out);
        std::string what = std::string(objectName) + " QueryInterface(" + c.name + ")";
        std::string detail = HrText(hr) + ", out " + PointerText(out);
        bool ok = hr == c.want;
        if (c.want == S_OK) {
            ok = ok && out != nullptr && out != kPoison && (!c.samePointer || out == object);
            if (c.samePointer) detail += out == object ? " (same object)" : " (a different pointer)";
        } else {
            ok = ok && out == nullptr;
        }
        if (hr != c.want) detail += ", expected " + HrText(c.want);
        r.Check(ok, what, detail);
        if (SUCCEEDED(hr) && out != nullptr && out != kPoison) static_cast<IUnknown*>(out)->Release();
    }
}

struct ConnectCase {
    const char* label;
    IUnknown* application;
    VARIANT_BOOL firstTime;
    LONG cookie;
};

// The flag is exactly 16 bits: a wider store would trample the host's
// neighbouring data, so the bytes past it must keep their pattern.
void CheckConnect(Report& r, IHostAddIn* addin, const ConnectCase& c) {
    alignas(8) unsigned char buffer[8];
    std::memset(buffer, 0xAB, sizeof buffer);
    HRESULT hr = addin->Connect(c.application, c.firstTime, c.cookie, reinterpret_cast<VARIANT_BOOL*>(buffer));
    bool flagSet = buffer[0] == 0xFF && buffer[1] == 0xFF;
    bool restKept = true;
    for (size_t i = 2; i < sizeof buffer; ++i) restKept &= buffer[i] == 0xAB;
    std::string detail = HrText(hr) + ", flag bytes [" + BytesText(buffer, sizeof buffer) + "]";
    if (!flagSet) detail += ", expected FF FF (VARIANT_TRUE) first";
    if (!restKept) detail += ", wrote past the 16-bit flag";
    if (hr != S_OK) detail += ", expected S_OK";
    r.Check(hr == S_OK && flagSet && restKept, std::string("Connect(") + c.label + ")", detail);
}

void ExerciseInstance(Report& r, IHostAddIn* addin, const char* objectName) {
    static const QiCase qi[] = {
        {"IUnknown", &IID_IUnknown, S_OK, true},
        {"add-in interface", &kIidHostAddIn, S_OK, true},
        {"IClassFactory", &IID_IClassFactory, E_NOINTERFACE, false},
        {"unknown IID", &kIidStranger, E_NOINTERFACE, false},
    };
    CheckQueryInterface(r, addin, objectName, qi, sizeof qi / sizeof qi[0]);

    r.CheckHr(addin->Disconnect(VARIANT_FALSE), S_OK, "Disconnect(FALSE) before any Connect");

    const ConnectCase connects[] = {
        {"application, first time, cookie 1", &g_application, VARIANT_TRUE, 1},
        {"application, not first time, cookie 0", &g_application, VARIANT_FALSE, 0},
        {"null application, first time, cookie -1", nullptr, VARIANT_TRUE, -1},
        {"null application, non-canonical bool 1, cookie LONG_MIN", nullptr, 1, LONG_MIN},
        {"application, non-canonical bool 0x7FFF, cookie LONG_MAX", &g_application, 0x7FFF, LONG_MAX},
    };
    for (const ConnectCase& c : connects) CheckConnect(r, addin, c);

    r.CheckHr(addin->Connect(&g_application, VARIANT_TRUE, 1, nullptr), E_POINTER, "Connect(..., null out-flag)");
    r.CheckHr(addin->Disconnect(VARIANT_FALSE), S_OK, "Disconnect(FALSE)");
    r.CheckHr(addin->Disconnect(VARIANT_TRUE), S_OK, "Disconnect(TRUE)");
}

// The class object through the real COM runtime; null after a failed check.
IClassFactory* GetClassFactory(Report& r, const std::string& what) {
    IClassFactory* factory = nullptr;
    const HRESULT hr = CoGetClassObject(kClsidQuor6Link, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(&factory));
    return r.Check(hr == S_OK && factory != nullptr, what, HrText(hr) + ", " + PointerText(factory)) ? factory
                                                                                                   : nullptr;
}

// A new instance through the real COM runtime; null after a failed check.
template <class Interface>
Interface* CreateThroughCom(Report& r, REFIID iid, const std::string& what) {
    Interface* object = nullptr;
    const HRESULT hr =
        CoCreateInstance(kClsidQuor6Link, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&object));
    return r.Check(hr == S_OK && object != nullptr, what, HrText(hr) + ", " + PointerText(object)) ? object
                                                                                                  : nullptr;
}

void ClassObjectAndInstance(Report& r, Target& t) {
    r.Section("Class object");
    IClassFactory* factory = GetClassFactory(r, "CoGetClassObject(CLSCTX_INPROC_SERVER, IClassFactory)");
    if (!factory) return;
    t.Resolve(r);
    t.ExpectCanUnload(r, S_FALSE, "while the class object is held");

    static const QiCase qi[] = {
        {"IUnknown", &IID_IUnknown, S_OK, false},
        {"IClassFactory", &IID_IClassFactory, S_OK, false},
        {"add-in interface", &kIidHostAddIn, E_NOINTERFACE, false},
        {"unknown IID", &kIidStranger, E_NOINTERFACE, false},
    };
    CheckQueryInterface(r, factory, "class object", qi, sizeof qi / sizeof qi[0]);

    struct RefusedCreate {
        const char* label;
        IUnknown* outer;
        const IID* iid;
        HRESULT want;
    };
    static const RefusedCreate refused[] = {
        {"outer object, add-in interface", &g_outer, &kIidHostAddIn, CLASS_E_NOAGGREGATION},
        {"outer object, IUnknown", &g_outer, &IID_IUnknown, CLASS_E_NOAGGREGATION},
        {"no outer, IClassFactory", nullptr, &IID_IClassFactory, E_NOINTERFACE},
    };
    for (const RefusedCreate& c : refused) {
        void* out = kPoison;
        HRESULT created = factory->CreateInstance(c.outer, *c.iid, &out);
        std::string detail = HrText(created) + ", out " + PointerText(out);
        if (created != c.want) detail += ", expected " + HrText(c.want);
        r.Check(created == c.want && out == nullptr, std::string("CreateInstance(") + c.label + ")", detail);
        if (SUCCEEDED(created) && out != nullptr && out != kPoison) static_cast<IUnknown*>(out)->Release();
    }

    IHostAddIn* addin = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, kIidHostAddIn, reinterpret_cast<void**>(&addin));
    bool haveAddin = r.Check(hr == S_OK && addin != nullptr, "CreateInstance(no outer, add-in interface)",
                             HrText(hr) + ", " + PointerText(addin));
    factory->Release();
    if (!haveAddin) {
        t.ExpectCanUnload(r, S_OK, "after the class object is released");
        return;
    }
    t.ExpectCanUnload(r, S_FALSE, "with only the instance held");

    r.Section("Add-in instance from IClassFactory::CreateInstance");
    ExerciseInstance(r, addin, "instance");
    t.ExpectCanUnload(r, S_FALSE, "before the instance is released");
    addin->Release();
    t.ExpectCanUnload(r, S_OK, "after everything is released");
}

void CreatedInstance(Report& r, Target& t) {
    r.Section("Add-in instance from CoCreateInstance");
    IHostAddIn* addin = CreateThroughCom<IHostAddIn>(r, kIidHostAddIn, "CoCreateInstance(add-in interface)");
    if (!addin) return;
    if (t.canUnloadNow == nullptr) t.Resolve(r);
    t.ExpectCanUnload(r, S_FALSE, "while the instance is held");
    ExerciseInstance(r, addin, "instance");
    addin->Release();
    t.ExpectCanUnload(r, S_OK, "after the instance is released");

    if (IUnknown* unknown = CreateThroughCom<IUnknown>(r, IID_IUnknown, "CoCreateInstance(IUnknown)")) {
        void* viaQi = kPoison;
        HRESULT qi = unknown->QueryInterface(kIidHostAddIn, &viaQi);
        r.Check(qi == S_OK && viaQi == unknown, "  then QueryInterface(add-in interface)",
                HrText(qi) + (viaQi == unknown ? ", same object" : ", out " + PointerText(viaQi)));
        if (qi == S_OK && viaQi != nullptr && viaQi != kPoison) static_cast<IUnknown*>(viaQi)->Release();
        unknown->Release();
    }
    t.ExpectCanUnload(r, S_OK, "after that one is released too");
}

void ServerLock(Report& r, Target& t) {
    r.Section("Server lock");
    IClassFactory* factory = GetClassFactory(r, "CoGetClassObject");
    if (!factory) return;
    if (t.canUnloadNow == nullptr) t.Resolve(r);
    r.CheckHr(factory->LockServer(TRUE), S_OK, "LockServer(TRUE)");
    factory->Release();
    t.ExpectCanUnload(r, S_FALSE, "with the lock as the only hold");
    CoFreeUnusedLibrariesEx(0, 0);
    r.Check(t.Loaded() != nullptr, "CoFreeUnusedLibrariesEx(0, 0) leaves a locked DLL loaded",
            t.Loaded() != nullptr ? "still loaded" : "unloaded");
    if (t.Loaded() == nullptr) {
        t.canUnloadNow = nullptr;
        return;
    }

    factory = GetClassFactory(r, "CoGetClassObject again");
    if (!factory) return;
    r.CheckHr(factory->LockServer(FALSE), S_OK, "LockServer(FALSE)");
    t.ExpectCanUnload(r, S_FALSE, "unlocked, class object still held");
    factory->Release();
    t.ExpectCanUnload(r, S_OK, "unlocked and released");
}

// A DLL that is unloaded and loaded again must start from a clean state.
void Reload(Report& r, Target& t) {
    r.Section("Load again after unloading");
    IHostAddIn* addin = CreateThroughCom<IHostAddIn>(r, kIidHostAddIn, "CoCreateInstance(add-in interface)");
    if (!addin) return;
    t.Resolve(r);
    t.ExpectCanUnload(r, S_FALSE, "while the instance is held");
    CheckConnect(r, addin, {"application, first time, cookie 7", &g_application, VARIANT_TRUE, 7});
    r.CheckHr(addin->Disconnect(VARIANT_TRUE), S_OK, "Disconnect(TRUE)");
    addin->Release();
    t.ExpectCanUnload(r, S_OK, "after the instance is released");
    r.Section("Unloading again");
    t.ExpectUnloaded(r);
}

void Com(Report& r, Target& t) {
    r.Section("COM");
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (!r.CheckHr(hr, S_OK, "CoInitializeEx(multithreaded apartment)")) return;

    ClassObjectAndInstance(r, t);
    CreatedInstance(r, t);
    ServerLock(r, t);

    r.Section("Unloading");
    t.ExpectUnloaded(r);
    Reload(r, t);

    r.Section("References on the stand-in host objects");
    r.Check(g_application.References() == 1, "application object: every AddRef matched by a Release",
            "count " + std::to_string(g_application.References()) + ", expected 1");
    r.Check(g_outer.References() == 1, "refused outer object: left as it was",
            "count " + std::to_string(g_outer.References()) + ", expected 1");

    CoUninitialize();
}

// ---- resources -------------------------------------------------------------

void Strings(Report& r, const std::string& dllPath) {
    r.Section("String table");
    HMODULE data = LoadLibraryExA(dllPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!r.Check(data != nullptr, "LoadLibraryExA(LOAD_LIBRARY_AS_DATAFILE)",
                 data ? "loaded" : ErrorText(static_cast<LONG>(GetLastError())))) {
        return;
    }
    // Ids 1..15 share string block 1; the host looks it up in US English.
    HRSRC block = FindResourceExA(data, MAKEINTRESOURCEA(6) /* RT_STRING */, MAKEINTRESOURCEA(1),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    r.Check(block != nullptr, "string block for ids 1-15 exists in language 1033", block ? "found" : "missing");

    struct Expected {
        UINT id;
        const char* text;
    };
    static const Expected strings[] = {
        {1, "KYR V5 Quor Addin"},
        {2, "Adds Integration of KYR V5 TULM products inside Developer Studio"},
    };
    for (const Expected& s : strings) {
        char buffer[512];
        std::memset(buffer, 0, sizeof buffer);
        int length = LoadStringA(data, s.id, buffer, sizeof buffer);
        bool ok = length == static_cast<int>(std::strlen(s.text)) && std::strcmp(buffer, s.text) == 0;
        std::string detail = Quoted(buffer);
        if (!ok) detail += " (length " + std::to_string(length) + "), expected " + Quoted(s.text);
        r.Check(ok, "LoadStringA(" + std::to_string(s.id) + ")", detail);
    }
    FreeLibrary(data);
}

std::string VersionText(DWORD ms, DWORD ls) {
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
           std::to_string(LOWORD(ls));
}

void Version(Report& r, const std::string& dllPath) {
    r.Section("Version resource");
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(dllPath.c_str(), &ignored);
    if (!r.Check(size != 0, "GetFileVersionInfoSizeA",
                 size ? std::to_string(size) + " bytes" : ErrorText(static_cast<LONG>(GetLastError())))) {
        return;
    }
    std::string storage(size, '\0');
    void* info = storage.data();
    BOOL read = GetFileVersionInfoA(dllPath.c_str(), 0, size, info);
    if (!r.Check(read != FALSE, "GetFileVersionInfoA", read ? "read" : ErrorText(static_cast<LONG>(GetLastError())))) {
        return;
    }

    void* value = nullptr;
    UINT length = 0;
    BOOL haveFixed = VerQueryValueA(info, "\\", &value, &length);
    if (r.Check(haveFixed && length >= sizeof(VS_FIXEDFILEINFO), "fixed part present",
                haveFixed ? std::to_string(length) + " bytes" : "missing")) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        r.Check(fixed->dwSignature == VS_FFI_SIGNATURE, "fixed part signature", Hex(fixed->dwSignature, 8));
        r.Check(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0x00000001, "file version 1.0.0.1",
                VersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
        r.Check(fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0x00000001,
                "product version 1.0.0.1", VersionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
    }

    struct Expected {
        const char* name;
        const char* text;
    };
    static const Expected strings[] = {
        {"CompanyName", ""},
        {"FileDescription", "Quor6Link DLL"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "Quor6Link"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "Quor6Link.DLL"},
        {"ProductName", "Quor6Link Dynamic Link Library"},
        {"ProductVersion", "1, 0, 0, 1"},
    };
    for (const Expected& s : strings) {
        std::string path = std::string("\\StringFileInfo\\040904B0\\") + s.name;
        value = nullptr;
        length = 0;
        BOOL found = VerQueryValueA(info, path.c_str(), &value, &length);
        std::string got;
        if (found && value != nullptr && length != 0)
            got.assign(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
        bool ok = found && got == s.text;
        std::string detail = found ? Quoted(got) : "missing";
        if (!ok) detail += ", expected " + Quoted(s.text);
        r.Check(ok, path, detail);
    }

    value = nullptr;
    length = 0;
    BOOL found = VerQueryValueA(info, "\\VarFileInfo\\Translation", &value, &length);
    const auto* words = static_cast<const WORD*>(value);
    bool ok = found && length == 4 && words[0] == 0x0409 && words[1] == 0x04B0;
    std::string detail = found ? std::to_string(length) + " bytes" : "missing";
    if (found && length >= 4) detail = Hex(words[0], 4) + ", " + Hex(words[1], 4) + " (" + detail + ")";
    if (!ok) detail += ", expected 0x0409, 0x04B0 (4 bytes)";
    r.Check(ok, "\\VarFileInfo\\Translation", detail);
}

}  // namespace

int main(int argc, char** argv) {
    const char* dll = StartProgram(argc, argv);
    if (dll == nullptr) return 2;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(dll, MAX_PATH, full, nullptr);
    Target target;
    target.dllPath = (n != 0 && n < MAX_PATH) ? full : dll;

    std::printf("Quor6Link add-in, seen from the host\n");
    std::printf("DLL: %s\n", target.dllPath.c_str());

    Report report;
    if (GetFileAttributesA(target.dllPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        report.Check(false, "DLL file exists", "not found");
        return report.Summary();
    }
    if (Register(report, target.dllPath)) Com(report, target);
    Strings(report, target.dllPath);
    Version(report, target.dllPath);
    Unregister(report);
    return report.Summary();
}
