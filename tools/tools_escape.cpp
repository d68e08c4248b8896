#include "tools_escape.h"

#include "tools_file.h"

std::string TOOL_EscapeSectionText(const TOOL_EscapeSection& _section)
{
    const TOOL_EscapeSection& s = _section;
    const struct
    {
        const char* key;
        f32 value;
    } keys[] = {
        {"EscVelocity", s.velocity}, {"EscMeanDist", s.meanDist}, {"EscDevDist", s.devDist},
        {"EscFactor", s.factor},     {"EscRatio", s.ratio},       {"EscStrikeTimeOut", s.strikeTimeOut},
        {"EscImpact", s.impact},
    };
    std::string text = "[EscapeBehaviour]\n{\n";
    for (const auto& key : keys) {
        if (s.omitKey == key.key)
            continue;
        const std::string number = TOOL_DesFloat(key.value);
        const std::string value = s.mistypedKey == key.key ? "\"" + number + "\"" : number;
        text += std::string("    ") + key.key + " = " + value + "\n";
    }
    text += "}\n";
    return text;
}
