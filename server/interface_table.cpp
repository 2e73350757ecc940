#include "server/interface_table.h"

#include "server/same_guid.h"

namespace {

HRESULT Answer(void* object, const InterfaceEntry& row, void** out) {
    auto* answer = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + row.interfaceOffset);
    answer->AddRef();
    *out = answer;
    return S_OK;
}

}  // namespace

HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table, REFIID requestedInterface, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (SameGuid(requestedInterface, IID_IUnknown)) return Answer(object, table[0], out);
    for (const InterfaceEntry* row = table; row->kind; ++row) {
        if (SameGuid(*row->interfaceId, requestedInterface)) return Answer(object, *row, out);
    }
    return E_NOINTERFACE;
}
