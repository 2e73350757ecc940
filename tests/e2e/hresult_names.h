#pragma once
// HRESULT names for the e2e programs and the demo host; kept with the tests
// because the demo already runs on this folder's Wine scripts.
#include <windows.h>

#include <cstdio>
#include <string>

// Null for a code the table does not know.
inline const char* HrName(HRESULT hr) {
    struct Named {
        HRESULT hr;
        const char* name;
    };
    static const Named names[] = {
        {S_OK, "S_OK"},
        {S_FALSE, "S_FALSE"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {E_POINTER, "E_POINTER"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {E_FAIL, "E_FAIL"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_UNEXPECTED, "E_UNEXPECTED"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
        {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
        {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
        {REGDB_E_READREGDB, "REGDB_E_READREGDB"},
        {REGDB_E_WRITEREGDB, "REGDB_E_WRITEREGDB"},
        {CO_E_CLASSSTRING, "CO_E_CLASSSTRING"},
        {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED"},
        {CO_E_DLLNOTFOUND, "CO_E_DLLNOTFOUND"},
        {CO_E_ERRORINDLL, "CO_E_ERRORINDLL"},
        {RPC_E_CHANGED_MODE, "RPC_E_CHANGED_MODE"},
    };
    for (const Named& n : names) {
        if (n.hr == hr) return n.name;
    }
    return nullptr;
}

// The code as eight hex digits, e.g. 0x80004002.
inline std::string HrCode(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}
