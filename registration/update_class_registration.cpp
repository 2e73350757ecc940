#include "addin/addin_ids.h"
#include "registration/addin_names.h"
#include "registration/class_registration.h"
#include "resources/addin_string_id.h"

HRESULT UpdateClassRegistration(LONG registering) {
    if (registering) {
        return RegisterClassKeys(serverModule, CLSID_AddInObject, kAddInProgId, kAddInVersionIndependentProgId,
                                 static_cast<UINT>(AddInStringId::DisplayName), BothThreaded);
    }
    return UnregisterClassKeys(CLSID_AddInObject, kAddInProgId, kAddInVersionIndependentProgId);
}
