#include "app/library_lifecycle.h"
#include "tests/support/library_fixture.h"

namespace {

class RequestRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureModuleStateSlot();
        blocksBefore = hostsim::LiveHeapBlocks();
        sectionsBefore = hostsim::LiveCriticalSections();
        ASSERT_TRUE(LibraryAttach(kLibraryInstance));
    }
    int blocksBefore = 0;
    int sectionsBefore = 0;
};

TEST_F(RequestRoadTest, LocksFollowEveryStepAndTheEndFreesEverything) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(CurrentLockCount(), 1);
    HostAddIn* addIn = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_HostAddIn, reinterpret_cast<void**>(&addIn)), S_OK);
    EXPECT_EQ(CurrentLockCount(), 2);
    VARIANT_BOOL connected = VARIANT_FALSE;
    EXPECT_EQ(addIn->Connect(nullptr, VARIANT_TRUE, 7, &connected), S_OK);
    EXPECT_EQ(connected, VARIANT_TRUE);
    EXPECT_EQ(addIn->Disconnect(VARIANT_TRUE), S_OK);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(CurrentLockCount(), 1);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(addIn->Release(), 0u);
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_NE(serverModule.classTable[0].cachedClassObject.load(), nullptr);
    LibraryDetach();
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore);
    EXPECT_EQ(hostsim::LiveCriticalSections(), sectionsBefore);
}

TEST_F(RequestRoadTest, AClassObjectHeldAtTheEndLivesOnItsClientsReference) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    LibraryDetach();
    EXPECT_EQ(CurrentLockCount(), 0) << "the table's release took the count from 2 to 1";
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore + 1);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore);
}

}  // namespace
