#include "registration/class_id_text.h"

#include <algorithm>

ClassIdText::ClassIdText(REFCLSID classId) {
    narrowText[0] = '\0';
    StringFromCLSID(classId, &wideText);
    if (!wideText) return;
    const int size = std::min<int>(2 * lstrlenW(wideText) + 2, sizeof narrowText);
    WideCharToMultiByte(CP_ACP, 0, wideText, -1, narrowText, size, nullptr, nullptr);
}
