// The one way the fixture writers put their bytes on disk.
#pragma once

#include <string>

#include "os_types.h"

// Writes _bytes to _path, created or emptied as given. 0 when it cannot be written whole.
u32 TOOL_WriteBytes(const char* _path, const std::string& _bytes);

// A float as the description files read it: fixed notation with a decimal point (they have no
// exponent form and take digits without a point as an integer), the shortest text that reads
// back as the same f32.
std::string TOOL_DesFloat(f32 _value);
