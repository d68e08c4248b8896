#include "tools_vesselattack.h"

#include "tools_file.h"

std::string TOOL_VesselAttackSectionText(const TOOL_VesselAttackSection& _section)
{
    const TOOL_VesselAttackSection& s = _section;
    const struct
    {
        const char* key;
        f32 value;
    } keys[] = {
        {"NormalVelocity", s.normalVelocity},
        {"WaitingTime", s.waitingTime},
        {"ConeOfFire", s.coneOfFire},
        {"AlignAheadProb", s.alignAheadProb},
        {"AlignLeftProb", s.alignLeftProb},
        {"AlignBackProb", s.alignBackProb},
        {"AlignRightProb", s.alignRightProb},
        {"AlignMinHeight", s.alignMinHeight},
        {"AlignMaxHeight", s.alignMaxHeight},
        {"AlignMinDistance", s.alignMinDistance},
        {"AlignMaxDistance", s.alignMaxDistance},
        {"AlignMaxTime", s.alignMaxTime},
        {"EscMeanDist", s.escMeanDist},
        {"EscDevDist", s.escDevDist},
        {"EscFactor", s.escFactor},
        {"EscRatio", s.escRatio},
        {"EscStrikeTimeOut", s.escStrikeTimeOut},
        {"EscMaxTimeInCone", s.escMaxTimeInCone},
        {"EscBackwardDistance", s.escBackwardDistance},
        {"SitMeanTime", s.sitMeanTime},
        {"SitDevTime", s.sitDevTime},
        {"WaveProb", s.waveProb},
        {"WaveTime", s.waveTime},
        {"WaveStartDist", s.waveStartDist},
        {"AllStopDist", s.allStopDist},
        {"CastratedMinRad", s.castratedMinRad},
        {"CastratedMaxRad", s.castratedMaxRad},
        {"TorpedoMeanTime", s.torpedoMeanTime},
        {"TorpedoDeviation", s.torpedoDeviation},
        {"Defensivity", s.defensivity},
    };
    std::string text = "[AttackBehaviour]\n{\n";
    for (const auto& key : keys)
        TOOL_DesKeyLine(text, "    ", key.key, TOOL_DesFloat(key.value), s.omitKey, s.mistypedKey);
    text += "}\n";
    return text;
}
