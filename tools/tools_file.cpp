#include "tools_file.h"

#include <charconv>

#include <cstdio>

u32 TOOL_WriteBytes(const char* _path, const std::string& _bytes)
{
    FILE* file = fopen(_path, "wb");
    if (file == nullptr)
        return 0;
    const bool written = fwrite(_bytes.data(), 1, _bytes.size(), file) == _bytes.size();
    return (fclose(file) == 0 && written) ? 1 : 0;
}

std::string TOOL_DesFloat(f32 _value)
{
    char text[128];
    const std::to_chars_result result = std::to_chars(text, text + sizeof(text), _value, std::chars_format::fixed);
    std::string out(text, result.ptr);
    if (out.find('.') == std::string::npos)
        out += ".0";
    return out;
}

void TOOL_DesKeyLine(std::string& _text, const std::string& _indent, const std::string& _key, const std::string& _value,
                     const std::string& _omitKey, const std::string& _mistypedKey)
{
    if (_key == _omitKey)
        return;
    const std::string value = _key == _mistypedKey ? "\"" + _value + "\"" : _value;
    _text += _indent + _key + " = " + value + "\n";
}
