/* The string table's ids and texts, defined once for the resource script and the code. */
#pragma once

#define IDS_ADDIN_DISPLAY_NAME 1
#define IDS_ADDIN_DESCRIPTION 2

#define ADDIN_DISPLAY_NAME_TEXT "KYR V5 Quor Addin"
#define ADDIN_DESCRIPTION_TEXT "Adds Integration of KYR V5 TULM products inside Developer Studio"
