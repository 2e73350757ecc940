#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "host_controls.h"
#include "host_module_controls.h"
#include "host_ole.h"

namespace {
std::atomic<int> outstandingTaskMemory{0};
}

HRESULT StringFromCLSID(REFCLSID classId, LPOLESTR* text) {
    *text = nullptr;
    if (const long failure = hostsim::InjectedFailure("StringFromCLSID")) return static_cast<HRESULT>(failure);
    char narrow[39];
    std::snprintf(narrow, sizeof narrow, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(classId.Data1), classId.Data2, classId.Data3, classId.Data4[0], classId.Data4[1],
                  classId.Data4[2], classId.Data4[3], classId.Data4[4], classId.Data4[5], classId.Data4[6],
                  classId.Data4[7]);
    auto* wide = static_cast<LPOLESTR>(std::malloc(sizeof narrow * sizeof(OLECHAR)));
    for (std::size_t index = 0; index < sizeof narrow; ++index) wide[index] = static_cast<OLECHAR>(narrow[index]);
    ++outstandingTaskMemory;
    *text = wide;
    return S_OK;
}

void CoTaskMemFree(void* memory) {
    if (memory) --outstandingTaskMemory;
    std::free(memory);
}

namespace hostsim {
int OutstandingTaskMemory() { return outstandingTaskMemory; }
}  // namespace hostsim
