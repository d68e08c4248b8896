#include "tools_vehicleattack.h"

#include <utility>

#include "tools_file.h"

std::string TOOL_VehicleAttackSectionText(const TOOL_VehicleAttackSection& _s)
{
    const std::pair<const char*, f32> keys[] = {
        {"NormalVelocity", _s.normalVelocity},
        {"WaitingTime", _s.waitingTime},
        {"ConeOfFire", _s.coneOfFire},
        {"AlignMinDistance", _s.alignMinDistance},
        {"AlignMaxDistance", _s.alignMaxDistance},
        {"AlignMaxTime", _s.alignMaxTime},
        {"MinimumTimeToStick", _s.minimumTimeToStick},
        {"CastratedMeanDist", _s.castratedMeanDist},
        {"CastratedDevDist", _s.castratedDevDist},
        {"CastratedStrikeTimeOut", _s.castratedStrikeTimeOut},
        {"CastratedMinRad", _s.castratedMinRad},
        {"CastratedMaxRad", _s.castratedMaxRad},
    };
    std::string text = "[AttackBehaviour]\n{\n";
    for (const auto& key : keys)
        TOOL_DesKeyLine(text, "    ", key.first, TOOL_DesFloat(key.second), _s.omitKey, _s.mistypedKey);
    return text + "}\n";
}
