#include "tools_rays.h"

#include "tools_file.h"
#include "tools_tga.h"

std::string TOOL_RaySystemText(const TOOL_RaySystem& _rays)
{
    if (!_rays.writeSection)
        return "[Rays]\n{\n    MaxRays = 1\n}\n";
    std::string text = "[RaySystem]\n{\n";
    auto line = [&](const char* _key, const std::string& _value) {
        if (_rays.omit != _key)
            text += std::string("    ") + _key + " = " + _value + "\n";
    };
    line("MaxRays", std::to_string(_rays.maxRays));
    line("Texture", "\"" + _rays.texture + "\"");
    line("MinLifeTime", TOOL_DesFloat(_rays.minLifeTime));
    line("MaxLifeTime", TOOL_DesFloat(_rays.maxLifeTime));
    line("Velocity", TOOL_DesFloat(_rays.velocity[0]) + ", " + TOOL_DesFloat(_rays.velocity[1]) + ", " +
                         TOOL_DesFloat(_rays.velocity[2]));
    line("Width", TOOL_DesFloat(_rays.width));
    line("Height", TOOL_DesFloat(_rays.height));
    line("BirthOffsetZ", TOOL_DesFloat(_rays.birthOffsetZ));
    line("MaxOpacity", TOOL_DesFloat(_rays.maxOpacity));
    line("BBGenerationScale", TOOL_DesFloat(_rays.bbGenerationScale));
    text += "}\n";
    return text;
}

std::vector<std::pair<std::string, std::string>> TOOL_RaySystemFiles(const TOOL_RaySystem& _rays)
{
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back(TOOL_RAYSYSTEM_FILE, TOOL_RaySystemText(_rays));
    std::string texture = _rays.texture;
    for (char& c : texture)
        if (c == '\\')
            c = '/';
    TOOL_TGA picture = TOOL_MakeTGA(4, 4, 32, 0xFFFFFFFFu);
    const u32 alpha[4] = {0x40u, 0xFFu, 0xFFu, 0x40u};
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = alpha[i % 4] << 24 | 0x00FFFFFFu;
    files.emplace_back(texture + "_l2.tga", TOOL_TGABytes(picture));
    return files;
}
