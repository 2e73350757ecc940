#include "host_kernel.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

#include "host_controls.h"

namespace {

std::atomic<int> liveCriticalSections{0};
std::atomic<int> liveHeapBlocks{0};

std::mutex& mutexOf(CRITICAL_SECTION* section) {
    return *std::launder(reinterpret_cast<std::mutex*>(section->storage));
}

// Windows hands out a zeroed slot on every TlsAlloc; a generation per slot gives
// each thread's stale value from an earlier allocation back as null.
constexpr DWORD kTlsSlots = 64;
struct TlsSlotValue {
    unsigned generation = 0;
    void* value = nullptr;
};
std::mutex tlsMutex;
std::array<bool, kTlsSlots> tlsAllocated{};
std::array<std::atomic<unsigned>, kTlsSlots> tlsGeneration{};
thread_local std::array<TlsSlotValue, kTlsSlots> tlsValues;

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    new (section->storage) std::mutex;
    ++liveCriticalSections;
    hostsim::Record("InitializeCriticalSection", hostsim::AddressText(section));
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
    hostsim::Record("EnterCriticalSection", hostsim::AddressText(section));
    mutexOf(section).lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* section) { mutexOf(section).unlock(); }

void DeleteCriticalSection(CRITICAL_SECTION* section) {
    mutexOf(section).~mutex();
    --liveCriticalSections;
    hostsim::Record("DeleteCriticalSection", hostsim::AddressText(section));
}

LONG InterlockedIncrement(LONG volatile* addend) { return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST); }

LONG InterlockedDecrement(LONG volatile* addend) { return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST); }

HANDLE GetProcessHeap() {
    static int processHeap;
    return &processHeap;
}

void* HeapAlloc(HANDLE, DWORD, SIZE_T bytes) {
    void* memory = std::malloc(bytes);
    if (memory) ++liveHeapBlocks;
    return memory;
}

BOOL HeapFree(HANDLE, DWORD, void* memory) {
    if (memory) --liveHeapBlocks;
    std::free(memory);
    return TRUE;
}

DWORD TlsAlloc() {
    std::lock_guard<std::mutex> hold(tlsMutex);
    for (DWORD index = 0; index < kTlsSlots; ++index) {
        if (!tlsAllocated[index]) {
            tlsAllocated[index] = true;
            ++tlsGeneration[index];
            return index;
        }
    }
    return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index) {
    std::lock_guard<std::mutex> hold(tlsMutex);
    if (index >= kTlsSlots || !tlsAllocated[index]) return FALSE;
    tlsAllocated[index] = false;
    return TRUE;
}

void* TlsGetValue(DWORD index) {
    if (index >= kTlsSlots) return nullptr;
    const TlsSlotValue& slot = tlsValues[index];
    return slot.generation == tlsGeneration[index] ? slot.value : nullptr;
}

BOOL TlsSetValue(DWORD index, void* value) {
    hostsim::Record("TlsSetValue", hostsim::AddressText(value));
    if (index >= kTlsSlots) return FALSE;
    tlsValues[index] = {tlsGeneration[index], value};
    return TRUE;
}

namespace hostsim {
int LiveCriticalSections() { return liveCriticalSections; }
int LiveHeapBlocks() { return liveHeapBlocks; }
}  // namespace hostsim
