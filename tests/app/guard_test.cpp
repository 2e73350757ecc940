#include <functional>
#include <string>

#include "addin/addin_object.h"
#include "server/class_object.h"
#include "tests/support/library_fixture.h"

namespace {

AFX_MODULE_STATE* stateSeenByCreator = nullptr;
AFX_MODULE_STATE* stateAfterNestedCall = nullptr;

HRESULT WatchingClassObjectCreator(InstanceCreator context, REFIID requested, void** out) {
    stateSeenByCreator = AfxGetModuleState();
    DllCanUnloadNow();  // a guarded call nested in another
    stateAfterNestedCall = AfxGetModuleState();
    return CreateClassObject(context, requested, out);
}

HRESULT WatchingInstanceCreator(IUnknown* outer, REFIID requested, void** out) {
    stateSeenByCreator = AfxGetModuleState();
    return CreateAddInObject(outer, requested, out);
}

class GuardTest : public StartedLibraryTest {
protected:
    void SetUp() override {
        StartedLibraryTest::SetUp();
        addIn = Create();
        AfxSetModuleState(&caller);
    }
    void TearDown() override {
        AfxSetModuleState(nullptr);
        addIn->Release();
        StartedLibraryTest::TearDown();
    }
    static HostAddIn* Create() {
        void* out = nullptr;
        EXPECT_EQ(CreateAddInObject(nullptr, IID_HostAddIn, &out), S_OK);
        return static_cast<HostAddIn*>(out);
    }
    int ModuleStateSwitches() {
        int switches = 0;
        for (const auto& call : hostsim::RecordedCalls()) switches += call.function == "TlsSetValue";
        return switches;
    }
    OtherModuleState caller;
    HostAddIn* addIn = nullptr;
};

struct GuardedCall {
    const char* name;
    std::function<HRESULT(HostAddIn*)> call;
    HRESULT result;
};

void PrintTo(const GuardedCall& c, std::ostream* os) { *os << c.name; }

class GuardedCallTest : public GuardTest, public ::testing::WithParamInterface<GuardedCall> {};

TEST_P(GuardedCallTest, GivesTheCallersModuleStateBackOnEveryPath) {
    hostsim::StartRecording();
    EXPECT_EQ(GetParam().call(addIn), GetParam().result);
    EXPECT_EQ(AfxGetModuleState(), &caller);
    EXPECT_EQ(ModuleStateSwitches(), 2);
}

VARIANT_BOOL flag;
void* answer;
INSTANTIATE_TEST_SUITE_P(
    Calls, GuardedCallTest,
    ::testing::Values(
        GuardedCall{"ClassObject",
                    [](HostAddIn*) {
                        HRESULT result = DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &answer);
                        static_cast<IUnknown*>(answer)->Release();
                        return result;
                    },
                    S_OK},
        GuardedCall{"ClassObjectNullOut",
                    [](HostAddIn*) { return DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, nullptr); },
                    E_POINTER},
        GuardedCall{"ClassObjectUnknownClass",
                    [](HostAddIn*) { return DllGetClassObject(IID_IUnknown, IID_IClassFactory, &answer); },
                    CLASS_E_CLASSNOTAVAILABLE},
        GuardedCall{"CanUnloadWhileAnObjectLives", [](HostAddIn*) { return DllCanUnloadNow(); }, S_FALSE},
        GuardedCall{"Connect", [](HostAddIn* a) { return a->Connect(nullptr, 0, 0, &flag); }, S_OK},
        GuardedCall{"ConnectNullFlag", [](HostAddIn* a) { return a->Connect(nullptr, 0, 0, nullptr); }, E_POINTER},
        GuardedCall{"Disconnect", [](HostAddIn* a) { return a->Disconnect(0); }, S_OK}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GuardTest, TheClassTableRunsUnderTheLibrarysStateAndANestedCallKeepsIt) {
    ClassEntry table[] = {
        {&CLSID_AddInObject, nullptr, WatchingClassObjectCreator, CreateAddInObject, nullptr, NoClassEvent}, {}};
    ScopedClassTable scoped(table);
    void* out = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, &out), S_OK);
    EXPECT_EQ(stateSeenByCreator, GetLibraryModuleState());
    EXPECT_EQ(stateAfterNestedCall, GetLibraryModuleState());
    EXPECT_EQ(AfxGetModuleState(), &caller);
    static_cast<IUnknown*>(out)->Release();
}

TEST_F(GuardTest, NestedGuardsEachGiveBackTheirOwnCallersState) {
    OtherModuleState outerHost;
    {
        AFX_MAINTAIN_STATE2 hostState(&outerHost);
        VARIANT_BOOL connected = 0;
        EXPECT_EQ(addIn->Connect(nullptr, 0, 0, &connected), S_OK);
        EXPECT_EQ(AfxGetModuleState(), &outerHost);
    }
    EXPECT_EQ(AfxGetModuleState(), &caller);
}

TEST_F(GuardTest, UnguardedOperationsNeverSwitchTheModuleState) {
    ClassEntry table[] = {
        {&CLSID_AddInObject, nullptr, CreateClassObject, WatchingInstanceCreator, nullptr, NoClassEvent}, {}};
    ScopedClassTable scoped(table);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_AddInObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    hostsim::StartRecording();
    void* out = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_HostAddIn, &out), S_OK);
    EXPECT_EQ(stateSeenByCreator, &caller);
    auto* made = static_cast<HostAddIn*>(out);
    made->AddRef();
    made->QueryInterface(IID_IUnknown, &out);
    made->Release();
    made->Release();
    made->Release();
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory->QueryInterface(IID_IUnknown, &out);
    factory->AddRef();
    factory->Release();
    factory->Release();
    factory->Release();
    EXPECT_EQ(ModuleStateSwitches(), 0);
    EXPECT_EQ(AfxGetModuleState(), &caller);
}

}  // namespace
