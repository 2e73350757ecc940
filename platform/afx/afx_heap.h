#pragma once
// The framework's allocator for the library's COM objects: the process heap.
// It reports an exhausted heap by a null result or, in builds with exceptions,
// by throwing CMemoryException*. An operator new may not do both, so objects are
// made through AfxNewObject, which turns either failure into null.
#include <cstddef>
#include <new>

#include "platform/win32_api.h"

class CMemoryException {};

// How host tests make the allocator fail (the code given to the injected failure).
enum AfxAllocationFailure : long { AfxAllocationReturnsNull = 1, AfxAllocationThrows = 2 };

void* AfxAllocateMemory(std::size_t size);
void AfxFreeMemory(void* memory) noexcept;

struct AfxHeapAllocated {
    static void* operator new(std::size_t size) = delete;
    static void operator delete(void* memory) noexcept { AfxFreeMemory(memory); }
};

// Allocates and constructs a T; null when the allocator fails either way.
template <class T, class... Arguments>
T* AfxNewObject(Arguments... arguments) noexcept {
    void* memory;
#if __cpp_exceptions
    try {
        memory = AfxAllocateMemory(sizeof(T));
    } catch (CMemoryException*) {
        return nullptr;
    }
#else
    memory = AfxAllocateMemory(sizeof(T));
#endif
    return memory ? ::new (memory) T(arguments...) : nullptr;
}
