#pragma once
// The least of the framework's string: enough to hold a string-table text.
#include "platform/win32_api.h"

class CString {
public:
    CString() { m_text[0] = '\0'; }

    // Replaces the text with string `id` of the current module's string table;
    // an absent string leaves the text empty.
    BOOL LoadStringA(UINT id);
    operator LPCSTR() const { return m_text; }

private:
    char m_text[256];
};
