#include "tests/support/library_fixture.h"

#include "app/library_class_table.h"
#include "app/library_lifecycle.h"

void EnsureModuleStateSlot() { ASSERT_TRUE(AfxInitModuleStateSlot()); }

void StartedLibraryTest::SetUp() {
    EnsureModuleStateSlot();
    ASSERT_TRUE(LibraryAttach(kLibraryInstance));
}

void StartedLibraryTest::TearDown() {
    hostsim::ClearFaults();
    hostsim::StopRecording();
    LibraryDetach();
}

ScopedClassTable::ScopedClassTable(ClassEntry* table) {
    ServerTerm();
    ServerInit(table, kLibraryInstance);
}

ScopedClassTable::~ScopedClassTable() {
    ServerTerm();
    ServerInit(libraryClassTable, kLibraryInstance);
}

void NoClassEvent(LONG) {}
