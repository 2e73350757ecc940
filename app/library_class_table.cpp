#include "app/library_class_table.h"

#include "addin/addin_ids.h"
#include "addin/addin_object.h"
#include "registration/class_registration.h"
#include "server/class_object.h"

namespace {
void IgnoreClassEvent(LONG) {}
}  // namespace

ClassEntry libraryClassTable[] = {
    {&CLSID_AddInObject, UpdateClassRegistration, CreateClassObject, CreateAddInObject, nullptr, IgnoreClassEvent},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};
