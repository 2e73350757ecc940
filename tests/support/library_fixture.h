#pragma once
// Fixtures for host tests: a started library, and a server working from a
// table of the test's own making.
#include <gtest/gtest.h>

#include "addin/addin_ids.h"
#include "addin/host_addin.h"
#include "app/library_module_state.h"
#include "platform/afx/afx_module_state.h"
#include "platform/host/host_controls.h"
#include "server/server_module.h"

inline HINSTANCE const kLibraryInstance = reinterpret_cast<HINSTANCE>(0x10000000);

// Allocates the thread slot for module states once per process.
void EnsureModuleStateSlot();

// A library started as the loader would start it; ended, with every injected
// failure and the call log cleared, after the test.
class StartedLibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Runs the started library's server from `table` instead of the library's own
// for the life of the object.
class ScopedClassTable {
public:
    explicit ScopedClassTable(ClassEntry* table);
    ~ScopedClassTable();
    ScopedClassTable(const ScopedClassTable&) = delete;
    ScopedClassTable& operator=(const ScopedClassTable&) = delete;
};

// A module state of some other module, to stand for the caller's.
struct OtherModuleState : _AFX_DLL_MODULE_STATE {};

void NoClassEvent(LONG);
