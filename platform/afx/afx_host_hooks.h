#pragma once
// Where host tests watch the framework and make it refuse. On Windows nothing is
// watched and nothing refuses, so these fold away.
#ifdef _WIN32
inline long AfxHostFault(const char*) { return 0; }
inline void AfxHostTrace(const char*) {}
#else
#include "platform/host/host_controls.h"

struct AFX_MODULE_STATE;
AFX_MODULE_STATE* AfxGetModuleState();

inline long AfxHostFault(const char* step) { return hostsim::InjectedFailure(step); }
// Each event names the module state it ran under.
inline void AfxHostTrace(const char* event) { hostsim::Record(event, hostsim::AddressText(AfxGetModuleState())); }
#endif
