#pragma once
#include "platform/win32_api.h"
#include "resources/resource_texts.h"

enum class AddInStringId : UINT {
    DisplayName = IDS_ADDIN_DISPLAY_NAME,
    Description = IDS_ADDIN_DESCRIPTION,
};
