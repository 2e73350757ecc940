#pragma once
#include "server/server_module.h"

// The COM classes of this library: the add-in, then the end row.
extern ClassEntry libraryClassTable[];
