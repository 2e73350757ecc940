#pragma once
// The host build's stand-in for the Windows SDK: only what the library uses.
#include "host_com.h"
#include "host_kernel.h"
#include "host_module.h"
#include "host_ole.h"
#include "host_registry.h"
#include "host_types.h"
