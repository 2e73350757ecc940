#pragma once
#include <new>

// Static storage for one object whose construction and destruction the library
// orders itself rather than leaving them to the run-time's start and end.
template <class T>
class StaticSlot {
public:
    T* get() { return std::launder(reinterpret_cast<T*>(storage)); }
    void Construct() { ::new (storage) T; }
    void Destroy() { get()->~T(); }

private:
    alignas(T) unsigned char storage[sizeof(T)];
};
