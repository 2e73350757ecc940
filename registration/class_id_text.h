#pragma once
// A class id as registry text, "{XXXXXXXX-...}", narrowed from StringFromCLSID's
// wide text; the wide text is given back when the object ends.
#include "platform/win32_api.h"

class ClassIdText {
public:
    explicit ClassIdText(REFCLSID classId);
    ~ClassIdText() { CoTaskMemFree(wideText); }
    ClassIdText(const ClassIdText&) = delete;
    ClassIdText& operator=(const ClassIdText&) = delete;

    // Null when there is no text: an empty one would name "CLSID" itself.
    LPCSTR Text() const { return wideText && narrowText[0] ? narrowText : nullptr; }

private:
    static constexpr int kClassIdLength = 38;

    LPOLESTR wideText = nullptr;
    // Two bytes a character and the zero, as the system code page may need.
    char narrowText[2 * kClassIdLength + 2];
};
