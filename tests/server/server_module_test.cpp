#include <string>
#include <vector>

#include "tests/support/library_fixture.h"

namespace {

std::vector<std::string> events;

// A cached class object that reports its release.
struct ReleaseWatcher final : IUnknown {
    std::string name;
    explicit ReleaseWatcher(std::string watcherName) : name(std::move(watcherName)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        events.push_back("release " + name);
        return 0;
    }
};

HRESULT NeverCalled(InstanceCreator, REFIID, void**) {
    ADD_FAILURE() << "no class object may be made";
    return E_OUTOFMEMORY;
}

void FirstHook(LONG starting) { events.push_back("hook first " + std::to_string(starting)); }
void SecondHook(LONG starting) { events.push_back("hook second " + std::to_string(starting)); }

const CLSID kFirstClass = {1, 0, 0, {0}};
const CLSID kSecondClass = {2, 0, 0, {0}};

class ServerModuleTest : public StartedLibraryTest {
protected:
    void SetUp() override {
        StartedLibraryTest::SetUp();
        events.clear();
    }
};

TEST_F(ServerModuleTest, HooksRunInRowOrderAndEachEndFollowsThatRowsRelease) {
    ReleaseWatcher cached("first");
    ClassEntry table[] = {
        {&kFirstClass, nullptr, NeverCalled, nullptr, nullptr, FirstHook},
        {&kSecondClass, nullptr, NeverCalled, nullptr, nullptr, SecondHook},
        {},
    };
    {
        ScopedClassTable scoped(table);
        EXPECT_EQ(events, (std::vector<std::string>{"hook first 1", "hook second 1"}));
        table[0].cachedClassObject = &cached;
        events.clear();
    }
    EXPECT_EQ(events, (std::vector<std::string>{"release first", "hook first 0", "hook second 0"}));
    EXPECT_EQ(table[0].cachedClassObject.load(), nullptr);
    EXPECT_EQ(table[1].cachedClassObject.load(), nullptr);
}

TEST_F(ServerModuleTest, TableWithOnlyTheEndRowServesNothing) {
    ClassEntry table[] = {{}};
    ScopedClassTable scoped(table);
    void* out = &out;
    EXPECT_EQ(DllGetClassObject(kFirstClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
}

TEST_F(ServerModuleTest, StartResetsTheLockCountAndRecordsTheTableAndInstance) {
    Lock();
    Lock();
    ClassEntry table[] = {{}};
    ScopedClassTable scoped(table);
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(serverModule.classTable, table);
    EXPECT_EQ(serverModule.instanceHandle, kLibraryInstance);
}

TEST_F(ServerModuleTest, LockAndUnlockBalance) {
    EXPECT_EQ(CurrentLockCount(), 0);
    Lock();
    EXPECT_EQ(CurrentLockCount(), 1);
    Unlock();
    EXPECT_EQ(CurrentLockCount(), 0);
}

TEST_F(ServerModuleTest, EndDestroysACachedClassObjectNobodyElseHoldsWithoutTouchingTheLockCount) {
    const int blocksBefore = hostsim::LiveHeapBlocks();
    const int sectionsBefore = hostsim::LiveCriticalSections();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->Release();
    ASSERT_EQ(hostsim::LiveHeapBlocks(), blocksBefore + 1);
    Lock();
    ServerTerm();
    EXPECT_EQ(CurrentLockCount(), 1);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore);
    EXPECT_EQ(hostsim::LiveCriticalSections(), sectionsBefore - 1);  // the table lock; the object's went with it
    ServerInit(serverModule.classTable, kLibraryInstance);
}

}  // namespace
