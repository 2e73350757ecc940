#include <cstring>

#include "addin/addin_object.h"
#include "platform/afx/afx_heap.h"
#include "tests/support/library_fixture.h"

namespace {

const IID kUnknownInterface = {0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

class AddInObjectTest : public StartedLibraryTest {
protected:
    void SetUp() override {
        StartedLibraryTest::SetUp();
        blocksBefore = hostsim::LiveHeapBlocks();
    }
    HostAddIn* Create() {
        void* out = nullptr;
        EXPECT_EQ(CreateAddInObject(nullptr, IID_HostAddIn, &out), S_OK);
        return static_cast<HostAddIn*>(out);
    }
    int blocksBefore = 0;
};

class AggregationTest : public AddInObjectTest, public ::testing::WithParamInterface<const IID*> {};

TEST_P(AggregationTest, AnyOuterObjectIsRefusedBeforeAllocating) {
    HostAddIn* outer = Create();
    const int blocks = hostsim::LiveHeapBlocks();
    void* out = &out;
    EXPECT_EQ(CreateAddInObject(outer, *GetParam(), &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, &out);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocks);
    EXPECT_EQ(CurrentLockCount(), 1);
    outer->Release();
}

INSTANTIATE_TEST_SUITE_P(WhateverTheInterface, AggregationTest,
                         ::testing::Values(&IID_IUnknown, &IID_HostAddIn, &kUnknownInterface));

class AnsweredCreationTest : public AddInObjectTest, public ::testing::WithParamInterface<const IID*> {};

TEST_P(AnsweredCreationTest, HandsOutTheOnlyReferenceAndLocksTheLibraryForItsLife) {
    void* out = nullptr;
    ASSERT_EQ(CreateAddInObject(nullptr, *GetParam(), &out), S_OK);
    auto* object = static_cast<IUnknown*>(out);
    EXPECT_EQ(CurrentLockCount(), 1);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(CurrentLockCount(), 1) << "the lock does not follow the count";
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore);
}

INSTANTIATE_TEST_SUITE_P(IUnknownOrHostAddIn, AnsweredCreationTest, ::testing::Values(&IID_IUnknown, &IID_HostAddIn));

class UnansweredCreationTest : public AddInObjectTest, public ::testing::WithParamInterface<const IID*> {};

TEST_P(UnansweredCreationTest, DestroysTheObjectAndGivesItsLockBack) {
    void* out = &out;
    EXPECT_EQ(CreateAddInObject(nullptr, *GetParam(), &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CurrentLockCount(), 0);
    EXPECT_EQ(hostsim::LiveHeapBlocks(), blocksBefore);
}

INSTANTIATE_TEST_SUITE_P(OtherInterfaces, UnansweredCreationTest,
                         ::testing::Values(&IID_IClassFactory, &kUnknownInterface));

class AddInAllocationTest : public AddInObjectTest, public ::testing::WithParamInterface<AfxAllocationFailure> {};

TEST_P(AddInAllocationTest, FailedAllocationIsOutOfMemoryWithNothingChanged) {
    hostsim::FailCall("AfxAllocateMemory", 1, GetParam());
    void* out = &out;
    EXPECT_EQ(CreateAddInObject(nullptr, IID_HostAddIn, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, &out);
    EXPECT_EQ(CurrentLockCount(), 0);
}

TEST_P(AddInAllocationTest, CreateInstanceReportsIt) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    hostsim::FailCall("AfxAllocateMemory", 1, GetParam());
    void* out = &out;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_HostAddIn, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    factory->Release();
    EXPECT_EQ(CurrentLockCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothWays, AddInAllocationTest,
                         ::testing::Values(AfxAllocationReturnsNull, AfxAllocationThrows));

TEST_F(AddInObjectTest, IUnknownAndHostAddInAreOnePointerAndOtherInterfacesAreRefused) {
    HostAddIn* addIn = Create();
    void* asUnknown = nullptr;
    void* asAddIn = nullptr;
    void* other = &other;
    ASSERT_EQ(addIn->QueryInterface(IID_IUnknown, &asUnknown), S_OK);
    ASSERT_EQ(addIn->QueryInterface(IID_HostAddIn, &asAddIn), S_OK);
    EXPECT_EQ(asUnknown, addIn);
    EXPECT_EQ(asAddIn, addIn);
    EXPECT_EQ(addIn->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(addIn->QueryInterface(IID_HostAddIn, nullptr), E_POINTER);
    EXPECT_EQ(addIn->Release(), 2u);
    EXPECT_EQ(addIn->Release(), 1u);
    EXPECT_EQ(addIn->Release(), 0u);
}

TEST_F(AddInObjectTest, ConnectSetsExactlySixteenBitsWhateverTheHostPasses) {
    HostAddIn* addIn = Create();
    for (int call = 0; call < 2; ++call) {
        unsigned char flag[4];
        std::memset(flag, 0xAB, sizeof flag);
        IUnknown* application = call ? addIn : nullptr;
        EXPECT_EQ(addIn->Connect(application, static_cast<VARIANT_BOOL>(call), -call,
                                 reinterpret_cast<VARIANT_BOOL*>(flag)),
                  S_OK);
        const unsigned char expected[4] = {0xFF, 0xFF, 0xAB, 0xAB};
        EXPECT_EQ(std::memcmp(flag, expected, sizeof flag), 0) << "call " << call;
    }
    addIn->Release();
}

TEST_F(AddInObjectTest, ConnectWithoutAFlagStoresNothingAndSaysSo) {
    HostAddIn* addIn = Create();
    EXPECT_EQ(addIn->Connect(nullptr, VARIANT_TRUE, 0, nullptr), E_POINTER);
    addIn->Release();
}

TEST_F(AddInObjectTest, DisconnectNeedsNoConnectBefore) {
    HostAddIn* addIn = Create();
    EXPECT_EQ(addIn->Disconnect(VARIANT_FALSE), S_OK);
    EXPECT_EQ(addIn->Disconnect(VARIANT_TRUE), S_OK);
    addIn->Release();
}

}  // namespace
