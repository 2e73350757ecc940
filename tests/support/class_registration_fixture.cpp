#include "tests/support/class_registration_fixture.h"

#include "resources/resource_texts.h"

RegistrySnapshot ClassRegistration(const std::string& description, const std::string& serverSubkey,
                                   const std::optional<std::string>& server,
                                   const std::optional<std::string>& threadingModel) {
    RegistrySnapshot expected = {
        {"CLSID", {}},
        {"Quor.DSAddIn.1", {{"", Sz(description)}}},
        {"Quor.DSAddIn.1\\CLSID", {{"", Sz(kClassIdText)}}},
        {"QUOR6LINK Developer Studio Add-in", {{"", Sz(description)}}},
        {"QUOR6LINK Developer Studio Add-in\\CLSID", {{"", Sz(kClassIdText)}}},
        {kClassKey, {{"", Sz(description)}}},
        {kClassKey + "\\ProgID", {{"", Sz("Quor.DSAddIn.1")}}},
        {kClassKey + "\\VersionIndependentProgID", {{"", Sz("QUOR6LINK Developer Studio Add-in")}}},
    };
    if (server) expected[kClassKey + "\\" + serverSubkey][""] = Sz(*server);
    if (threadingModel) expected[kClassKey + "\\" + serverSubkey]["ThreadingModel"] = Sz(*threadingModel);
    return expected;
}

RegistrySnapshot AddInClassRegistration() {
    return ClassRegistration(ADDIN_DISPLAY_NAME_TEXT, "InprocServer32", kLibraryPath, "both");
}
