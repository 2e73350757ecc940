#include "platform/afx/afx_string.h"

#include "platform/afx/afx_module_state.h"

BOOL CString::LoadStringA(UINT id) {
    m_text[0] = '\0';
    return ::LoadStringA(AfxGetModuleState()->m_hCurrentResourceHandle, id, m_text, sizeof m_text) > 0;
}
