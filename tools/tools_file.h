// The one way the fixture writers put their bytes on disk.
#pragma once

#include <string>

#include "os_types.h"

// Writes _bytes to _path, created or emptied as given. 0 when it cannot be written whole.
u32 TOOL_WriteBytes(const char* _path, const std::string& _bytes);
