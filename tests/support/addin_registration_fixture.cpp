#include "tests/support/addin_registration_fixture.h"

#include "resources/resource_texts.h"

RegistrySnapshot AddInRegistration(const std::string& filename) {
    return {
        {"Software", {}},
        {"Software\\Microsoft", {}},
        {"Software\\Microsoft\\DevStudio", {}},
        {"Software\\Microsoft\\DevStudio\\6.0", {}},
        {kAddInList, {}},
        {kAddInKey,
         {{"Description", Sz(ADDIN_DESCRIPTION_TEXT)}, {"DisplayName", Sz(ADDIN_DISPLAY_NAME_TEXT)},
          {"Filename", Sz(filename)}}},
    };
}
