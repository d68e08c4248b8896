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

// Appends "<indent>Key = value" and a line end to _text, unless _key is _omitKey (a key left out
// of a broken description); the value is quoted when _key is _mistypedKey (a number read as a
// string: the wrong type).
void TOOL_DesKeyLine(std::string& _text, const std::string& _indent, const std::string& _key, const std::string& _value,
                     const std::string& _omitKey, const std::string& _mistypedKey);
