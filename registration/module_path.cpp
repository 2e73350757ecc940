#include "registration/module_path.h"

LONG GetModulePath(HINSTANCE module, char* buffer, DWORD capacity) {
    const DWORD length = GetModuleFileNameA(module, buffer, capacity);
    if (length > 0 && length < capacity) return ERROR_SUCCESS;
    buffer[0] = '\0';
    // A path that fills the buffer was cut (and, before Vista, left unterminated).
    if (length == capacity) return ERROR_INSUFFICIENT_BUFFER;
    const DWORD error = GetLastError();
    return error ? static_cast<LONG>(error) : ERROR_GEN_FAILURE;
}
