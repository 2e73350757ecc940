#pragma once

// The add-in's name in the host's add-in list is also its class's ProgID.
inline constexpr char kAddInProgId[] = "Quor.DSAddIn.1";
inline constexpr char kAddInVersionIndependentProgId[] = "QUOR6LINK Developer Studio Add-in";
