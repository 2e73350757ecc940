#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "addin/addin_object.h"
#include "server/class_object.h"
#include "tests/support/library_fixture.h"

namespace {

constexpr int kThreads = 16;

std::atomic<int> classObjectsMade{0};

HRESULT CountingCreator(InstanceCreator context, REFIID requested, void** out) {
    ++classObjectsMade;
    return CreateClassObject(context, requested, out);
}

// Runs `work` on kThreads threads released together.
template <class Work>
void RaceOnThreads(Work work) {
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int index = 0; index < kThreads; ++index) {
        threads.emplace_back([&, index] {
            start.arrive_and_wait();
            work(index);
        });
    }
    for (auto& thread : threads) thread.join();
}

using ConcurrencyTest = StartedLibraryTest;

TEST_F(ConcurrencyTest, RacingFirstRequestsMakeOneClassObjectAndShareIt) {
    for (int round = 0; round < 20; ++round) {
        classObjectsMade = 0;
        ClassEntry table[] = {
            {&CLSID_AddInObject, nullptr, CountingCreator, CreateAddInObject, nullptr, NoClassEvent}, {}};
        ScopedClassTable scoped(table);
        std::vector<void*> answers(kThreads);
        std::vector<HRESULT> results(kThreads);
        RaceOnThreads([&](int index) {
            results[index] = DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &answers[index]);
        });
        EXPECT_EQ(classObjectsMade, 1);
        for (int index = 0; index < kThreads; ++index) {
            EXPECT_EQ(results[index], S_OK);
            EXPECT_EQ(answers[index], table[0].cachedClassObject.load());
            static_cast<IUnknown*>(answers[index])->Release();
        }
        EXPECT_EQ(CurrentLockCount(), 0);
    }
}

// A whole request as a host makes it, with server locks mixed in.
bool RunRequest() {
    IClassFactory* factory = nullptr;
    if (DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK) {
        return false;
    }
    factory->LockServer(TRUE);
    HostAddIn* addIn = nullptr;
    const bool created = factory->CreateInstance(nullptr, IID_HostAddIn, reinterpret_cast<void**>(&addIn)) == S_OK;
    factory->LockServer(FALSE);
    factory->Release();
    if (!created) return false;
    VARIANT_BOOL connected = VARIANT_FALSE;
    const bool answered = addIn->Connect(nullptr, VARIANT_TRUE, 1, &connected) == S_OK &&
                          connected == VARIANT_TRUE && addIn->Disconnect(VARIANT_TRUE) == S_OK;
    addIn->AddRef();
    addIn->Release();
    addIn->Release();
    return answered;
}

TEST_F(ConcurrencyTest, ManyThreadsOfWholeRequestsLeaveNoLockBehind) {
    const int blocksBefore = hostsim::LiveHeapBlocks();
    std::atomic<int> failures{0};
    RaceOnThreads([&](int) {
        for (int request = 0; request < 200; ++request) {
            if (!RunRequest()) ++failures;
            DllCanUnloadNow();
        }
    });
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore + 1);  // the cached class object
}

}  // namespace
