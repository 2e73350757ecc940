#pragma once
#include "platform/win32_api.h"

// The one COM class the library serves.
extern const CLSID CLSID_AddInObject;
