#include "server/server_module.h"

ServerModule serverModule;

void ServerInit(ClassEntry* classTable, HINSTANCE instanceHandle) {
    serverModule.classTable = classTable;
    serverModule.instanceHandle = instanceHandle;
    serverModule.lockCount = 0;
    InitializeCriticalSection(&serverModule.classTableLock);
    for (ClassEntry* row = classTable; row->classId; ++row) row->classHook(1);
}

void ServerTerm() {
    for (ClassEntry* row = serverModule.classTable; row->classId; ++row) {
        if (IUnknown* classObject = row->cachedClassObject.load()) classObject->Release();
        row->cachedClassObject.store(nullptr);
        row->classHook(0);
    }
    DeleteCriticalSection(&serverModule.classTableLock);
}

void Lock() { InterlockedIncrement(&serverModule.lockCount); }

void Unlock() { InterlockedDecrement(&serverModule.lockCount); }

LONG CurrentLockCount() { return __atomic_load_n(&serverModule.lockCount, __ATOMIC_RELAXED); }
