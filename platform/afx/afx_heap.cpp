#include "platform/afx/afx_heap.h"

#include "platform/afx/afx_host_hooks.h"

void* AfxAllocateMemory(std::size_t size) {
    const long failure = AfxHostFault("AfxAllocateMemory");
#if __cpp_exceptions
    static CMemoryException outOfMemory;
    if (failure == AfxAllocationThrows) throw &outOfMemory;
#endif
    if (failure) return nullptr;
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void AfxFreeMemory(void* memory) noexcept { HeapFree(GetProcessHeap(), 0, memory); }
