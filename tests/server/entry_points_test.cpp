#include "platform/afx/afx_dll.h"
#include "server/class_object.h"
#include "tests/support/library_fixture.h"

namespace {

const CLSID kOtherClass = {0x3FD687E9, 0xDE8C, 0x11D1, {0xA6, 0x02, 0x00, 0xA0, 0xC9, 0x56, 0x65, 0x94}};

int madeByFirst = 0;
int madeBySecond = 0;
HRESULT firstCreatorResult = S_OK;

HRESULT FirstCreator(InstanceCreator context, REFIID requested, void** out) {
    ++madeByFirst;
    return firstCreatorResult == S_OK ? CreateClassObject(context, requested, out) : firstCreatorResult;
}

HRESULT SecondCreator(InstanceCreator context, REFIID requested, void** out) {
    ++madeBySecond;
    return CreateClassObject(context, requested, out);
}

HRESULT NoInstances(IUnknown*, REFIID, void**) { return E_NOINTERFACE; }

class EntryPointsTest : public StartedLibraryTest {
protected:
    void SetUp() override {
        StartedLibraryTest::SetUp();
        madeByFirst = madeBySecond = 0;
        firstCreatorResult = S_OK;
    }
    std::atomic<IUnknown*>& Cached() { return serverModule.classTable[0].cachedClassObject; }
    int TableLockEntries() {
        int entries = 0;
        for (const auto& call : hostsim::RecordedCalls()) {
            entries += call.function == "EnterCriticalSection" &&
                       call.argument == hostsim::AddressText(&serverModule.classTableLock);
        }
        return entries;
    }
};

TEST_F(EntryPointsTest, NullOutIsRefusedBeforeTheTableIsTouched) {
    hostsim::StartRecording();
    EXPECT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(Cached().load(), nullptr);
    EXPECT_EQ(TableLockEntries(), 0);
}

TEST_F(EntryPointsTest, UnknownClassIsNotAvailableWithoutMakingOrLocking) {
    hostsim::StartRecording();
    void* out = &out;
    EXPECT_EQ(DllGetClassObject(kOtherClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Cached().load(), nullptr);
    EXPECT_EQ(TableLockEntries(), 0);
}

TEST_F(EntryPointsTest, TheClassObjectIsMadeOnceAndHandedOutAgain) {
    ClassEntry table[] = {{&CLSID_AddInObject, nullptr, FirstCreator, NoInstances, nullptr, NoClassEvent}, {}};
    ScopedClassTable scoped(table);
    hostsim::StartRecording();
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &first), S_OK);
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IUnknown, &second), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, table[0].cachedClassObject.load());
    EXPECT_EQ(madeByFirst, 1);
    EXPECT_EQ(TableLockEntries(), 1) << "once made, the object is found without the table lock";
    static_cast<IUnknown*>(first)->Release();
    static_cast<IUnknown*>(second)->Release();
}

TEST_F(EntryPointsTest, AnInterfaceTheClassObjectLacksLeavesItCached) {
    void* out = &out;
    EXPECT_EQ(DllGetClassObject(CLSID_AddInObject, IID_HostAddIn, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(Cached().load(), nullptr);
    EXPECT_EQ(CurrentLockCount(), 0);
}

TEST_F(EntryPointsTest, RowsWithoutACreatorArePassedBy) {
    ClassEntry table[] = {
        {&CLSID_AddInObject, nullptr, nullptr, NoInstances, nullptr, NoClassEvent},
        {&CLSID_AddInObject, nullptr, SecondCreator, NoInstances, nullptr, NoClassEvent},
        {},
    };
    ScopedClassTable scoped(table);
    void* out = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(madeBySecond, 1);
    static_cast<IUnknown*>(out)->Release();
}

TEST_F(EntryPointsTest, TheFirstMatchingRowDecidesAndAFailureIsRetriedNextTime) {
    ClassEntry table[] = {
        {&CLSID_AddInObject, nullptr, FirstCreator, NoInstances, nullptr, NoClassEvent},
        {&CLSID_AddInObject, nullptr, SecondCreator, NoInstances, nullptr, NoClassEvent},
        {},
    };
    ScopedClassTable scoped(table);
    firstCreatorResult = E_OUTOFMEMORY;
    void* out = &out;
    EXPECT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(madeBySecond, 0);
    firstCreatorResult = S_OK;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(madeByFirst, 2);
    static_cast<IUnknown*>(out)->Release();
}

TEST_F(EntryPointsTest, UnloadFollowsClientsNotTheCachedObject) {
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    void* out = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_NE(Cached().load(), nullptr);
}

TEST_F(EntryPointsTest, TheFrameworkCanRefuseUnloadingWhateverTheLockCount) {
    {
        AFX_MAINTAIN_STATE2 library(GetLibraryModuleState());
        AfxOleLockApp();
    }
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    Lock();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    Unlock();
    AFX_MAINTAIN_STATE2 library(GetLibraryModuleState());
    AfxOleUnlockApp();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(EntryPointsTest, TheFrameworkIsAskedAboutTheLibraryNotTheCaller) {
    OtherModuleState caller;
    AFX_MAINTAIN_STATE2 callerState(&caller);
    AfxOleLockApp();  // the caller's module refuses, the library's does not
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    AfxOleUnlockApp();
}

}  // namespace
