#include "platform/afx/afx_heap.h"
#include "server/class_object.h"
#include "tests/support/library_fixture.h"

namespace {

struct CreatorCall {
    int count = 0;
    IUnknown* outer = nullptr;
    const IID* requested = nullptr;
    void** out = nullptr;
};
CreatorCall creatorCall;

HRESULT RecordingCreator(IUnknown* outer, REFIID requested, void** out) {
    creatorCall = {creatorCall.count + 1, outer, &requested, out};
    return static_cast<HRESULT>(0x12345678);
}

class ClassObjectTest : public StartedLibraryTest {
protected:
    void SetUp() override {
        StartedLibraryTest::SetUp();
        creatorCall = {};
        blocksBefore = hostsim::LiveHeapBlocks();
        sectionsBefore = hostsim::LiveCriticalSections();
    }
    // The table's own reference, as the class-object query takes it.
    IClassFactory* MakeCached() {
        void* out = nullptr;
        EXPECT_EQ(CreateClassObject(RecordingCreator, IID_IUnknown, &out), S_OK);
        return static_cast<IClassFactory*>(out);
    }
    void ExpectNothingLeft() {
        EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore);
        EXPECT_EQ(hostsim::LiveCriticalSections(), sectionsBefore);
    }
    int blocksBefore = 0;
    int sectionsBefore = 0;
};

TEST_F(ClassObjectTest, OnlyReferencesBeyondTheTablesLockTheModuleOnce) {
    IClassFactory* factory = MakeCached();
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(factory->AddRef(), 2u);  // a client
    EXPECT_EQ(CurrentLockCount(), 1);
    EXPECT_EQ(factory->AddRef(), 3u);  // another
    EXPECT_EQ(CurrentLockCount(), 1);
    EXPECT_EQ(factory->Release(), 2u);
    EXPECT_EQ(CurrentLockCount(), 1);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(factory->Release(), 0u);  // the table's: destroyed, no unlock
    EXPECT_EQ(CurrentLockCount(), 0);
    ExpectNothingLeft();
}

TEST_F(ClassObjectTest, AnUnansweredInterfaceDestroysTheNewObject) {
    void* out = &out;
    EXPECT_EQ(CreateClassObject(RecordingCreator, IID_HostAddIn, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ExpectNothingLeft();
}

class ClassObjectAllocationTest : public ClassObjectTest,
                                  public ::testing::WithParamInterface<AfxAllocationFailure> {};

TEST_P(ClassObjectAllocationTest, FailedAllocationIsOutOfMemoryAndLeavesOutAlone) {
    hostsim::FailCall("AfxAllocateMemory", 1, GetParam());
    void* out = &out;
    EXPECT_EQ(CreateClassObject(RecordingCreator, IID_IUnknown, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, &out);
    ExpectNothingLeft();
}

TEST_P(ClassObjectAllocationTest, TheClassObjectQueryReportsItAndTriesAgainNextTime) {
    hostsim::FailCall("AfxAllocateMemory", 1, GetParam());
    void* out = &out;
    EXPECT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(serverModule.classTable[0].cachedClassObject.load(), nullptr);
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), S_OK);
    static_cast<IUnknown*>(out)->Release();
}

INSTANTIATE_TEST_SUITE_P(BothWays, ClassObjectAllocationTest,
                         ::testing::Values(AfxAllocationReturnsNull, AfxAllocationThrows));

struct CreateInstanceCase {
    const char* name;
    bool nullOut;
    bool withOuter;
    const IID* requested;
    HRESULT result;
    bool creatorCalled;
};

void PrintTo(const CreateInstanceCase& c, std::ostream* os) { *os << c.name; }

class CreateInstanceTest : public ClassObjectTest, public ::testing::WithParamInterface<CreateInstanceCase> {};

TEST_P(CreateInstanceTest, PassesOnOnlyWhatCanBeMade) {
    const CreateInstanceCase& c = GetParam();
    IClassFactory* factory = MakeCached();
    IUnknown* outer = c.withOuter ? factory : nullptr;  // any object will do as the outer one
    void* out = &out;
    void** outArgument = c.nullOut ? nullptr : &out;
    EXPECT_EQ(factory->CreateInstance(outer, *c.requested, outArgument), c.result);
    EXPECT_EQ(creatorCall.count, c.creatorCalled ? 1 : 0);
    if (c.creatorCalled) {
        EXPECT_EQ(creatorCall.outer, outer);
        EXPECT_EQ(creatorCall.requested, c.requested);
        EXPECT_EQ(creatorCall.out, outArgument);
    }
    if (!c.nullOut) {
        EXPECT_EQ(out, nullptr);
    }
    factory->Release();
}

const HRESULT kCreatorResult = static_cast<HRESULT>(0x12345678);
INSTANTIATE_TEST_SUITE_P(
    Cases, CreateInstanceTest,
    ::testing::Values(CreateInstanceCase{"NullOut", true, false, &IID_HostAddIn, E_POINTER, false},
                      CreateInstanceCase{"NotAggregated", false, false, &IID_HostAddIn, kCreatorResult, true},
                      CreateInstanceCase{"OuterWithIUnknown", false, true, &IID_IUnknown, kCreatorResult, true},
                      CreateInstanceCase{"OuterWithOtherInterface", false, true, &IID_HostAddIn,
                                         CLASS_E_NOAGGREGATION, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClassObjectTest, LockServerHoldsTheLibraryUntilBalanced) {
    IClassFactory* factory = MakeCached();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory->Release();
}

}  // namespace
