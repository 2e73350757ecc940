#include <string>
#include <vector>

#include "app/library_lifecycle.h"
#include "platform/afx/afx_winapp.h"
#include "tests/support/library_fixture.h"

namespace {

const std::vector<std::string> kConstruction = {
    "_AFX_DLL_MODULE_STATE::_AFX_DLL_MODULE_STATE", "CWinApp::CWinApp", "AfxWinInit"};
const std::vector<std::string> kDestruction = {"CWinApp::~CWinApp", "_AFX_DLL_MODULE_STATE::~_AFX_DLL_MODULE_STATE"};
const std::vector<std::string> kStart = {"ServerInit", "CWinApp::InitInstance"};
const std::vector<std::string> kEnd = {"ServerTerm", "CWinApp::ExitInstance", "AfxWinTerm"};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The start and end steps in the order they ran; the server's start and end
// show as the making and deleting of its table lock.
struct LifecycleTrace {
    std::vector<std::string> steps;
    bool allUnderLibraryState = true;
};

LifecycleTrace Trace() {
    const std::string tableLock = hostsim::AddressText(&serverModule.classTableLock);
    const std::string libraryState = hostsim::AddressText(GetLibraryModuleState());
    LifecycleTrace trace;
    for (const auto& call : hostsim::RecordedCalls()) {
        if (call.function == "InitializeCriticalSection" || call.function == "DeleteCriticalSection") {
            if (call.argument == tableLock) {
                trace.steps.push_back(call.function == "InitializeCriticalSection" ? "ServerInit" : "ServerTerm");
            }
        } else if (call.function != "TlsSetValue" && call.function != "EnterCriticalSection") {
            trace.steps.push_back(call.function);
            trace.allUnderLibraryState &= call.argument == libraryState;
        }
    }
    return trace;
}

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureModuleStateSlot();
        AfxSetModuleState(&caller);
        hostsim::StartRecording();
    }
    void TearDown() override {
        hostsim::StopRecording();
        hostsim::ClearFaults();
        AfxSetModuleState(nullptr);
    }
    OtherModuleState caller;
};

TEST_F(LifecycleTest, LoadThenUnloadRunsEveryStepOnceInOrderUnderTheLibrarysState) {
    ASSERT_TRUE(LibraryAttach(kLibraryInstance));
    EXPECT_EQ(AfxGetModuleState(), &caller);
    EXPECT_EQ(serverModule.instanceHandle, kLibraryInstance);
    EXPECT_EQ(GetLibraryModuleState()->m_pCurrentWinApp->m_hInstance, kLibraryInstance);
    LibraryDetach();
    EXPECT_EQ(AfxGetModuleState(), &caller);
    const LifecycleTrace trace = Trace();
    EXPECT_EQ(trace.steps, Joined({kConstruction, kStart, kEnd, kDestruction}));
    EXPECT_TRUE(trace.allUnderLibraryState);
}

TEST_F(LifecycleTest, RefusedBaseStartEndsTheServerOnceAndFailsTheLoad) {
    hostsim::FailCall("CWinApp::InitInstance", 1, 1);
    EXPECT_FALSE(LibraryAttach(kLibraryInstance));
    EXPECT_EQ(AfxGetModuleState(), &caller);
    LibraryDetach();  // the loader's notification after a failed load
    EXPECT_EQ(AfxGetModuleState(), &caller);
    const LifecycleTrace trace = Trace();
    EXPECT_EQ(trace.steps, Joined({kConstruction, kStart, kEnd, kDestruction}));
    EXPECT_TRUE(trace.allUnderLibraryState);
}

TEST_F(LifecycleTest, FailedFrameworkStartRunsNeitherOverride) {
    hostsim::FailCall("AfxWinInit", 1, 1);
    EXPECT_FALSE(LibraryAttach(kLibraryInstance));
    EXPECT_EQ(AfxGetModuleState(), &caller);
    LibraryDetach();
    EXPECT_EQ(Trace().steps, Joined({kConstruction, kDestruction}));
}

TEST_F(LifecycleTest, ALibraryCanBeLoadedAgainAfterAFailedLoad) {
    hostsim::FailCall("CWinApp::InitInstance", 1, 1);
    EXPECT_FALSE(LibraryAttach(kLibraryInstance));
    ASSERT_TRUE(LibraryAttach(kLibraryInstance));
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    LibraryDetach();
    EXPECT_EQ(hostsim::LiveCriticalSections(), 0);
}

}  // namespace
