#pragma once
#include "platform/afx/afx_module_state.h"

// The library's own module state; calls from outside make it current for their
// length (AFX_MAINTAIN_STATE2).
AFX_MODULE_STATE* GetLibraryModuleState();
