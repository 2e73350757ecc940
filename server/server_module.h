#pragma once
// The library's one record of its COM classes and of what keeps it loaded.
#include <atomic>

#include "platform/win32_api.h"

using RegistrationRoutine = HRESULT (*)(LONG registering);
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID requestedInterface, void** out);
using ClassObjectCreator = HRESULT (*)(InstanceCreator context, REFIID requestedInterface, void** out);
using ClassHook = void (*)(LONG starting);

// One COM class. A table of them ends with an all-zero row.
struct ClassEntry {
    const CLSID* classId;
    RegistrationRoutine registrationRoutine;
    ClassObjectCreator classObjectCreator;
    InstanceCreator instanceCreator;
    // Read without a lock by the class-object query, so stored only once complete.
    std::atomic<IUnknown*> cachedClassObject;
    ClassHook classHook;
};

struct ServerModule {
    HINSTANCE instanceHandle;
    ClassEntry* classTable;
    LONG volatile lockCount;
    CRITICAL_SECTION classTableLock;
};

extern ServerModule serverModule;

void ServerInit(ClassEntry* classTable, HINSTANCE instanceHandle);
void ServerTerm();
void Lock();
void Unlock();
// The lock count as one unlocked read.
LONG CurrentLockCount();
