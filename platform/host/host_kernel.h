#pragma once
// Kernel services: critical sections, interlocked counters, the process heap and
// thread-local storage slots.
#include <mutex>

#include "host_types.h"

// Backed by a std::mutex so thread sanitizers see the locking.
struct CRITICAL_SECTION {
    alignas(std::mutex) unsigned char storage[sizeof(std::mutex)];
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

LONG InterlockedIncrement(LONG volatile* addend);
LONG InterlockedDecrement(LONG volatile* addend);

HANDLE GetProcessHeap();
void* HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, void* memory);

constexpr DWORD TLS_OUT_OF_INDEXES = 0xFFFFFFFFu;
DWORD TlsAlloc();
BOOL TlsFree(DWORD index);
void* TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, void* value);
