#pragma once
// The OLE text services the registration routine uses.
#include "host_com.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;

HRESULT StringFromCLSID(REFCLSID classId, LPOLESTR* text);
void CoTaskMemFree(void* memory);
